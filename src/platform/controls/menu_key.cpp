// SPDX-License-Identifier: MIT
#include "platform/controls/menu_key.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

namespace platform::controls {

bool 是菜单键(const QKeyEvent& 事件) {
    const Qt::KeyboardModifiers 修饰 = 事件.modifiers() & ~Qt::KeypadModifier;
    return (事件.key() == Qt::Key_Menu && 修饰 == Qt::NoModifier) ||
           (事件.key() == Qt::Key_F10 && 修饰 == Qt::ShiftModifier);
}

void 键盘弹出(QMenu& 菜单, QPoint 全局位置) {
    QTimer::singleShot(0, &菜单, [&菜单] {
        if (!菜单.isVisible() || 菜单.activeAction() != nullptr) {
            return;
        }
        for (QAction* 项 : 菜单.actions()) {
            if (项->isVisible() && 项->isEnabled() && !项->isSeparator()) {
                菜单.setActiveAction(项);
                return;
            }
        }
    });
    菜单.exec(全局位置);
}

}  // namespace platform::controls
