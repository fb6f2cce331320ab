// SPDX-License-Identifier: MIT
#pragma once

// Hit zones of a desktop note window. Everything here works in twips, in the window's own
// coordinates, with single-precision values: X, Y the pointer, W, H the window's inner size,
// b the width of the resize band along every edge. All comparisons include their bound, and
// the rules are tried in a fixed order where the first that holds wins (corners before edges).

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

#include <cstdint>

namespace desktop_note {

// Where a press starts a resize; the values are the window system's hit-test codes.
enum class 调整区 : int {
    无 = 0,
    左 = 10,
    右 = 11,
    上 = 12,
    左上 = 13,
    右上 = 14,
    下 = 15,
    左下 = 16,
    右下 = 17,
};

// The pointer shape shown over the window's margin.
enum class 指针形状 {
    西北东南,  // diagonal, top-left / bottom-right corners
    东北西南,  // diagonal, top-right / bottom-left corners
    东西,      // left and right edges
    南北,      // top and bottom edges
    默认,      // anywhere else
};

// The resize zone a press at (X, Y) falls in.
调整区 按下调整区(float X, float Y, float W, float H, float b);

// The pointer shape for a pointer at (X, Y).
指针形状 指针区域(float X, float Y, float W, float H, float b);

// The window edges a resize zone drags (empty for 无).
Qt::Edges 调整边(调整区 区);

// The Qt cursor of a pointer shape.
Qt::CursorShape 光标形状(指针形状 形状);

// Width of the resize band: 3 pixels in twips, rounded to the nearest integer.
std::int16_t 计算边框宽度();

// Geometry of a window being moved or resized by hand, from its geometry when the drag
// started and how far the pointer has gone since. An empty edge set moves the window; other
// edges follow the pointer while the opposite ones stay put. Width and height never drop
// below the minimum.
QRect 拖动后几何(const QRect& 起始, Qt::Edges 边, QPoint 位移, QSize 最小);

}  // namespace desktop_note
