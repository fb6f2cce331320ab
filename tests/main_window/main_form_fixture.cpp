// SPDX-License-Identifier: MIT
#include "main_form_fixture.h"

#include "desktop_note/note_window.h"
#include "editor/editor_dialog.h"
#include "platform/dao/dao.h"
#include "platform/forms/forms.h"
#include "store/globals.h"
#include "store/statements.h"
#include "support/testdb.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>

namespace 测试 {

程序目录::程序目录() {
    有效_ = 目录_.isValid() && testdb::创建(数据库());
}

std::vector<int> 程序目录::添加(const std::vector<便签>& 便签表) const {
    dao::DBEngine 引擎;
    auto 数据库连接 = 引擎.OpenDatabase(数据库(), false, false, QString());
    std::vector<int> 编号;
    for (const 便签& 一条 : 便签表) {
        store::便签值 值;
        值.内容 = 一条.内容;
        值.背景颜色 = 一条.背景;
        值.字体颜色 = 一条.字色;
        数据库连接->Execute(store::新建便签语句(值, store::现在()));
        auto 记录 = 数据库连接->OpenRecordset(QStringLiteral("Select max(ID) AS m from Tips"));
        编号.push_back(记录.Fields(QStringLiteral("m")).ToInt32());
    }
    数据库连接->Close();
    return 编号;
}

int 程序目录::便签数() const {
    dao::DBEngine 引擎;
    auto 数据库连接 = 引擎.OpenDatabase(数据库(), false, true, QString());
    auto 记录 = 数据库连接->OpenRecordset(QStringLiteral("Select count(*) AS n from Tips"));
    const int 数 = 记录.Fields(QStringLiteral("n")).ToInt32();
    数据库连接->Close();
    return 数;
}

Form_Main* 新主窗口(const 程序目录& 目录, QStringList 参数, bool 有托盘) {
    主窗体启动选项 选项;
    选项.程序目录 = 目录.路径();
    选项.参数 = std::move(参数);
    auto* 窗口 = new Form_Main(选项);
    窗口->托盘可用 = [有托盘] { return 有托盘; };
    窗口->升级检查 = [](std::int32_t, const QByteArray&) {};
    return 窗口;
}

void 清理() {
    QWidget* 主窗口 = nullptr;
    // Newest first, so no note window outlives the main window it refers to.
    auto 快照 = platform::Forms::快照();
    for (auto 条目 = 快照.rbegin(); 条目 != 快照.rend(); ++条目) {
        if (!条目->存在()) {
            continue;
        }
        if (dynamic_cast<Form_Main*>(条目->窗体)) {
            主窗口 = 条目->窗口;
            continue;
        }
        delete 条目->窗口.data();
    }
    delete 主窗口;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    自定义变量::全局数据库().关闭数据库();
}

std::vector<Form_Quillet*> 便签窗口() {
    std::vector<Form_Quillet*> 结果;
    for (const auto& 条目 : platform::Forms::快照()) {
        if (auto* 窗口 = dynamic_cast<Form_Quillet*>(条目.窗体); 窗口 && 条目.存在()) {
            结果.push_back(窗口);
        }
    }
    return 结果;
}

std::vector<Form_添加便签*> 编辑器窗口() {
    std::vector<Form_添加便签*> 结果;
    for (const auto& 条目 : platform::Forms::快照()) {
        if (auto* 窗口 = dynamic_cast<Form_添加便签*>(条目.窗体); 窗口 && 条目.存在()) {
            结果.push_back(窗口);
        }
    }
    return 结果;
}

消息框应答::消息框应答(QMessageBox::StandardButton 按钮) {
    计时器_.setInterval(10);
    QObject::connect(&计时器_, &QTimer::timeout, [this, 按钮] {
        auto* 框 = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!框 || !框->isVisible()) {
            return;
        }
        ++次数;
        标题 = 框->windowTitle();
        文字 = 框->text();
        图标 = 框->icon();
        窗口图标键 << 框->windowIcon().cacheKey();
        if (QAbstractButton* 键 = 框->button(按钮)) {
            键->click();
        } else {
            框->reject();
        }
    });
    计时器_.start();
}

消息框应答::~消息框应答() {
    计时器_.stop();
}

}  // namespace 测试
