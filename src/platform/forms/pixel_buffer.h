#pragma once

class QWidget;

namespace platform {

// Lets a small top-level window give back its pixel buffer between paints.
//
// Qt keeps a copy of every top-level window's pixels in the program (on X11 a shared-memory
// segment the size of the window) so that it can answer the window system's requests to
// redraw without painting. For a hundred note windows that is 9 MB held for windows whose
// picture rarely changes. On X11, where the server asks for a redraw whenever a hidden part
// of a window comes into view, the buffer is shrunk to nothing once the window's paint has
// been sent, and a redraw request paints the window again. Elsewhere (Wayland, Windows) the
// compositor may still be reading the buffer, so nothing changes.
//
// Call once, for a top-level window, before it is first shown.
void 绘制后释放像素缓冲(QWidget* 窗口);

}  // namespace platform
