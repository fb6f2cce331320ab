// SPDX-License-Identifier: MIT
#pragma once

#include "platform/forms/twips.h"

#include <QMargins>

class QLayout;
class QWidget;

// Helpers for the layouts that place the controls of the program's windows, whose designs
// give margins and gaps in twips.
namespace platform {

// A layout's margins from the design's left, top, right and bottom twips.
constexpr QMargins 缇边距(int 左, int 上, int 右, int 下) {
    return {缇转像素(左), 缇转像素(上), 缇转像素(右), 缇转像素(下)};
}

// Lets a laid-out control shrink to nothing with its window: it asks the window for no least
// size, and stops at zero where the layout's margins no longer fit (a layout hands out
// negative sizes there, which only a control's own least size turns back to zero).
void 可缩至零(QWidget* 控件);

// A minimised window keeps its controls where they were, whatever its size does meanwhile;
// restored, its layout places them for its size again.
void 最小化时冻结(QLayout& 布局, bool 已最小化);

}  // namespace platform
