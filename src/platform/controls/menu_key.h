// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>

class QKeyEvent;
class QMenu;

namespace platform::controls {

// Whether a key press asks for the popup menu of what has the keyboard focus: the Menu key,
// or Shift+F10 (the same request on keyboards without a Menu key).
bool 是菜单键(const QKeyEvent& 事件);

// Opens a popup menu at a point of the screen as a menu asked for from the keyboard: once it
// shows, its first item is highlighted, so Enter chooses it and a screen reader announces it.
// Returns when the menu has closed.
void 键盘弹出(QMenu& 菜单, QPoint 全局位置);

}  // namespace platform::controls
