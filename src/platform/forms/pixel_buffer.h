// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

namespace platform {

// Let top-level windows give back their pixel buffers.
//
// Qt keeps a copy of every top-level window's pixels in the program (on X11 a shared-memory
// segment the size of the window) so that it can answer the window system's requests to
// redraw without painting. The copy stays while the window is hidden, and for a hundred small
// note windows whose picture rarely changes it is 9 MB. On X11, where the server asks for a
// redraw whenever a covered part of a window comes into view, the buffer can go: a redraw
// request then makes the window paint itself again. Elsewhere (Wayland, Windows) the
// compositor may still be reading the buffer, and nothing changes.
//
// Call once for a top-level window, before it is first shown.

// The buffer goes once the window has not been painted for a second (for note windows).
void 绘制后释放像素缓冲(QWidget* 窗口);

// The buffer goes while the window is hidden (for a main window that lives in the tray).
void 隐藏时释放像素缓冲(QWidget* 窗口);

}  // namespace platform
