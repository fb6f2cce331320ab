// SPDX-License-Identifier: MIT
#include "main_window/find_bar.h"

#include "platform/controls/listview.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>

查找栏::查找栏(platform::controls::ListView& 列表, QWidget* 父)
    : QWidget(父), 列表_(列表), 输入框_(new QLineEdit(this)), 结果_(new QLabel(this)) {
    setObjectName(QStringLiteral("查找栏"));
    输入框_->setObjectName(QStringLiteral("查找栏_输入框"));
    输入框_->setPlaceholderText(QStringLiteral("查找便签"));
    输入框_->setClearButtonEnabled(true);
    输入框_->setAccessibleName(QStringLiteral("查找便签"));
    结果_->setObjectName(QStringLiteral("查找栏_结果"));
    auto* 布局 = new QHBoxLayout(this);
    布局->setContentsMargins(0, 0, 0, 0);
    布局->addWidget(输入框_, 1);
    布局->addWidget(结果_);
    hide();

    // Only while the bar is shown, and from anywhere in the window.
    auto* 退出键 = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    退出键->setContext(Qt::WindowShortcut);
    connect(退出键, &QShortcut::activated, this, &查找栏::关闭);
    // Text the user empties closes the bar; text set by the program (关闭 itself) does not.
    connect(输入框_, &QLineEdit::textEdited, this, [this](const QString& 文字) {
        if (文字.isEmpty()) {
            关闭();
        }
    });
    connect(输入框_, &QLineEdit::textChanged, this, [this](const QString& 文字) {
        列表_.查找(文字);
        更新结果();
    });
    列表_.显示行数已改变 = [this] { 更新结果(); };
    输入框_->installEventFilter(this);
}

bool 查找栏::eventFilter(QObject* 对象, QEvent* 事件) {
    // Down or Enter goes on to the notes found, on the first one unless one is selected.
    if (对象 == 输入框_ && 事件->type() == QEvent::KeyPress) {
        const int 键 = static_cast<QKeyEvent*>(事件)->key();
        if ((键 == Qt::Key_Down || 键 == Qt::Key_Return || 键 == Qt::Key_Enter) &&
            列表_.显示行数() > 0) {
            if (列表_.选中行() == 0) {
                列表_.选中(列表_.索引行(列表_.model()->index(0, 0)));
            }
            列表_.setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(对象, 事件);
}

void 查找栏::打开() {
    if (!已打开()) {
        if (已开关) {
            已开关(true);
        }
        show();
    }
    输入框_->setFocus(Qt::ShortcutFocusReason);
    输入框_->selectAll();
}

void 查找栏::关闭() {
    if (!已打开()) {
        return;
    }
    const bool 有键盘 = 输入框_->hasFocus();
    输入框_->clear();
    hide();
    if (已开关) {
        已开关(false);
    }
    if (有键盘) {
        列表_.setFocus(Qt::OtherFocusReason);
    }
}

void 查找栏::更新结果() {
    const QString 说明 =
        输入框_->text().isEmpty()
            ? QString()
            : (列表_.显示行数() == 0 ? QStringLiteral("没有找到便签")
                                     : QStringLiteral("找到 %1 条便签").arg(列表_.显示行数()));
    if (说明 == 结果_->text()) {
        return;
    }
    结果_->setText(说明);
    // A screen reader reads the field's description with its name, and says it again when it
    // changes while the user types.
    输入框_->setAccessibleDescription(说明);
    if (QAccessible::isActive()) {
        QAccessibleEvent 事件(输入框_, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&事件);
    }
}
