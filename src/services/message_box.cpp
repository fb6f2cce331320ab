// SPDX-License-Identifier: MIT
#include "services/message_box.h"

#include "platform/controls/shared_icon.h"
#include "platform/forms/window_look.h"
#include "store/globals.h"

#include <QAbstractButton>
#include <QPointer>

QIcon 程序图标() {
    return platform::controls::共享图标(QStringLiteral(":/icons/quillet.svg"));
}

namespace 消息 {

QMessageBox::StandardButton 显示(QWidget* 父窗口, QMessageBox::Icon 图标, const QString& 文字,
                                 std::initializer_list<按钮> 按钮表) {
    QPointer<QMessageBox> 框 =
        new QMessageBox(图标, platform::应用程序标题(), 文字, QMessageBox::NoButton, 父窗口);
    // Every window of the program carries the icon itself; a box without a parent gets it here.
    框->setWindowIcon(程序图标());
    for (const 按钮& 一个 : 按钮表) {
        框->addButton(一个.键);
        if (!一个.文字.isEmpty()) {
            框->button(一个.键)->setText(一个.文字);
        }
    }
    if (按钮表.size() > 0) {
        框->setDefaultButton(按钮表.begin()->键);
    }
    框->exec();
    if (框.isNull()) {
        return QMessageBox::NoButton;
    }
    const QMessageBox::StandardButton 结果 = 框->standardButton(框->clickedButton());
    delete 框.data();
    return 结果;
}

void 数据库错误(QWidget* 父窗口, const QString& 经过, const dao::Error& 错误) {
    显示(父窗口, QMessageBox::Critical,
         经过 + QStringLiteral("\n\n") + 自定义变量::全局数据库().错误说明(错误));
}

}  // namespace 消息
