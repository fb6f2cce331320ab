// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

namespace platform::x11 {

// On X11, a window that Qt once minimised keeps "start iconic" in its WM_HINTS, so showing it
// again after it was hidden would bring it back minimised. This sets the initial state back to
// normal. Does nothing on other window systems.
void 恢复正常初始状态(QWidget* 窗口);

}  // namespace platform::x11
