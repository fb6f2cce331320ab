// SPDX-License-Identifier: MIT
#include "main_window/shortcut_dialog.h"

#include "services/message_box.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace 全局快捷键设置 {

namespace {

struct 一行 {
    QKeySequenceEdit* 字段 = nullptr;
    QCheckBox* 不使用 = nullptr;
};

// A field that records the combination pressed in it. Tab, Shift+Tab, Enter and Esc alone can
// never be a global shortcut: in the field they move the focus, confirm or cancel, as elsewhere.
class 组合键字段 : public QKeySequenceEdit {
  public:
    using QKeySequenceEdit::QKeySequenceEdit;

  protected:
    bool event(QEvent* 事件) override {
        if (事件->type() == QEvent::KeyPress) {
            const auto* 键 = static_cast<QKeyEvent*>(事件);
            if ((键->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::NoModifier) {
                switch (键->key()) {
                    case Qt::Key_Tab:
                    case Qt::Key_Backtab:
                        focusNextPrevChild(键->key() == Qt::Key_Tab &&
                                           !(键->modifiers() & Qt::ShiftModifier));
                        return true;
                    case Qt::Key_Return:
                    case Qt::Key_Enter:
                    case Qt::Key_Escape:
                        事件->ignore();  // on to the dialog
                        return false;
                    default:
                        break;
                }
            }
        }
        return QKeySequenceEdit::event(事件);
    }
};

}  // namespace

std::optional<设定> 询问(QWidget* 父窗口, const 设定& 当前) {
    QDialog 对话框(父窗口);
    对话框.setWindowTitle(QStringLiteral("全局快捷键"));
    对话框.setAccessibleDescription(QStringLiteral("设置在任何窗口中都能使用的快捷键"));
    auto* 布局 = new QVBoxLayout(&对话框);
    auto* 说明文字 =
        new QLabel(QStringLiteral("在任何程序的窗口中按下这些组合键都能使用下面的命令。\n"
                                  "点进输入框后按下新的组合键（须含 Ctrl、Alt 或 Meta 键）。"),
                   &对话框);
    说明文字->setWordWrap(true);
    布局->addWidget(说明文字);
    auto* 表格 = new QGridLayout;
    布局->addLayout(表格);

    std::array<一行, 命令数> 行;
    const QString 助记[命令数] = {QStringLiteral("N"), QStringLiteral("H")};
    for (int i = 0; i < 命令数; ++i) {
        const QString& 名称 = 命令说明(命令(i)).名称;
        auto* 标签 = new QLabel(QStringLiteral("%1(&%2)：").arg(名称, 助记[i]), &对话框);
        行[i].字段 = new 组合键字段(&对话框);
        行[i].字段->setAccessibleName(名称 + QStringLiteral("的全局快捷键"));
        标签->setBuddy(行[i].字段);
        行[i].不使用 = new QCheckBox(QStringLiteral("不使用(&%1)").arg(i + 1), &对话框);
        行[i].不使用->setAccessibleName(QStringLiteral("不使用“%1”的全局快捷键").arg(名称));
        if (const std::optional<QKeyCombination>& 键 = 当前[i]) {
            行[i].字段->setKeySequence(QKeySequence(*键));
        } else {
            行[i].不使用->setChecked(true);
            行[i].字段->setEnabled(false);
        }
        QKeySequenceEdit* 字段 = 行[i].字段;
        QObject::connect(行[i].不使用, &QCheckBox::toggled, 字段,
                         [字段](bool 关) { 字段->setEnabled(!关); });
        // One combination, not a sequence of them: the latest press is the one kept.
        QObject::connect(字段, &QKeySequenceEdit::keySequenceChanged, 字段,
                         [字段](const QKeySequence& 序列) {
                             if (序列.count() > 1) {
                                 字段->setKeySequence(QKeySequence(序列[序列.count() - 1]));
                             }
                         });
        表格->addWidget(标签, i, 0);
        表格->addWidget(行[i].字段, i, 1);
        表格->addWidget(行[i].不使用, i, 2);
    }

    auto* 按钮 = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &对话框);
    按钮->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    按钮->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    布局->addWidget(按钮);

    设定 结果{};
    QObject::connect(按钮, &QDialogButtonBox::rejected, &对话框, &QDialog::reject);
    QObject::connect(按钮, &QDialogButtonBox::accepted, &对话框, [&] {
        QString 问题;
        for (int i = 0; i < 命令数 && 问题.isEmpty(); ++i) {
            结果[i].reset();
            if (行[i].不使用->isChecked()) {
                continue;
            }
            const QKeySequence 序列 = 行[i].字段->keySequence();
            const QString& 名称 = 命令说明(命令(i)).名称;
            if (序列.isEmpty()) {
                问题 = QStringLiteral("请为“%1”按下一个组合键，或勾选“不使用”。").arg(名称);
            } else if (!可用组合(序列[0])) {
                问题 = QStringLiteral("%1 不能作为全局快捷键：须同时按住 Ctrl、Alt 或 Meta 键。")
                           .arg(序列.toString(QKeySequence::NativeText));
            } else if (i > 0 && 结果[0] == 序列[0]) {
                问题 = QStringLiteral("两个命令不能使用同一个快捷键 %1。")
                           .arg(序列.toString(QKeySequence::NativeText));
            } else {
                结果[i] = 序列[0];
            }
        }
        if (问题.isEmpty()) {
            对话框.accept();
        } else {
            消息::显示(&对话框, QMessageBox::Warning, 问题);
        }
    });

    if (对话框.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return 结果;
}

}  // namespace 全局快捷键设置
