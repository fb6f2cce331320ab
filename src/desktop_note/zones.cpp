// SPDX-License-Identifier: MIT
#include "desktop_note/zones.h"

#include "platform/forms/twips.h"

#include <algorithm>
#include <cmath>

namespace desktop_note {

调整区 按下调整区(float X, float Y, float W, float H, float b) {
    // The sums stay in single precision, as the comparisons were designed.
    const float 右和 = X + b;
    const float 下和 = Y + b;
    if (右和 >= W && 下和 >= H) {
        return 调整区::右下;
    }
    if (下和 >= H && X <= b) {
        return 调整区::左下;
    }
    if (Y <= b && X <= b) {
        return 调整区::左上;
    }
    if (Y <= b && 右和 >= W) {
        return 调整区::右上;
    }
    if (右和 >= W && Y <= H) {
        return 调整区::右;
    }
    if (下和 >= H && X <= W) {
        return 调整区::下;
    }
    if (X <= b && Y <= H) {
        return 调整区::左;
    }
    if (Y <= b && X <= W) {
        return 调整区::上;
    }
    return 调整区::无;
}

指针形状 指针区域(float X, float Y, float W, float H, float b) {
    const float 右和 = X + b;
    const float 下和 = Y + b;
    if ((X <= b && Y <= b) || (右和 >= W && 下和 >= H)) {
        return 指针形状::西北东南;
    }
    if ((Y <= b && 右和 >= W) || (X <= b && 下和 >= H)) {
        return 指针形状::东北西南;
    }
    if ((X <= b && Y <= H) || (右和 >= W && Y <= H)) {
        return 指针形状::东西;
    }
    if ((Y <= b && X <= W) || (下和 >= H && X <= W)) {
        return 指针形状::南北;
    }
    return 指针形状::默认;
}

Qt::Edges 调整边(调整区 区) {
    switch (区) {
        case 调整区::左:
            return Qt::LeftEdge;
        case 调整区::右:
            return Qt::RightEdge;
        case 调整区::上:
            return Qt::TopEdge;
        case 调整区::下:
            return Qt::BottomEdge;
        case 调整区::左上:
            return Qt::TopEdge | Qt::LeftEdge;
        case 调整区::右上:
            return Qt::TopEdge | Qt::RightEdge;
        case 调整区::左下:
            return Qt::BottomEdge | Qt::LeftEdge;
        case 调整区::右下:
            return Qt::BottomEdge | Qt::RightEdge;
        case 调整区::无:
            break;
    }
    return {};
}

Qt::CursorShape 光标形状(指针形状 形状) {
    switch (形状) {
        case 指针形状::西北东南:
            return Qt::SizeFDiagCursor;
        case 指针形状::东北西南:
            return Qt::SizeBDiagCursor;
        case 指针形状::东西:
            return Qt::SizeHorCursor;
        case 指针形状::南北:
            return Qt::SizeVerCursor;
        case 指针形状::默认:
            break;
    }
    return Qt::ArrowCursor;
}

std::int16_t 计算边框宽度() {
    return static_cast<std::int16_t>(std::lround(platform::像素转缇(3)));
}

QRect 拖动后几何(const QRect& 起始, Qt::Edges 边, QPoint 位移, QSize 最小) {
    if (边 == Qt::Edges()) {
        return 起始.translated(位移);
    }
    int 左 = 起始.left();
    int 上 = 起始.top();
    int 右 = 起始.left() + 起始.width();  // one past the last column
    int 下 = 起始.top() + 起始.height();
    if (边 & Qt::LeftEdge) {
        左 = std::min(左 + 位移.x(), 右 - 最小.width());
    }
    if (边 & Qt::RightEdge) {
        右 = std::max(右 + 位移.x(), 左 + 最小.width());
    }
    if (边 & Qt::TopEdge) {
        上 = std::min(上 + 位移.y(), 下 - 最小.height());
    }
    if (边 & Qt::BottomEdge) {
        下 = std::max(下 + 位移.y(), 上 + 最小.height());
    }
    return {左, 上, 右 - 左, 下 - 上};
}

}  // namespace desktop_note
