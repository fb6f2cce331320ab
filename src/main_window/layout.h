#pragma once

#include <algorithm>

// The main window's layout arithmetic, in twips and single precision. The tab control's
// bottom edge meets the client area's bottom, the list fills the tab's page, and the
// advertisement pane spans the client width. Sizes never go below zero, however small the
// client area is.
namespace 主窗体布局 {

inline constexpr float 标签左 = 30;
inline constexpr float 标签上 = 1050;
inline constexpr float 列表左 = 30;  // relative to the tab control
inline constexpr float 列表上 = 330;
inline constexpr float 广告高 = 1005;

struct 尺寸 {
    float 宽;
    float 高;
};

// The tab control's size for a client area of W × H.
inline 尺寸 标签尺寸(float W, float H) {
    return {std::max(0.0f, W - 30.0f), std::max(0.0f, H - 1050.0f)};
}

// The list's size for the tab control's size as read back from it.
inline 尺寸 列表尺寸(尺寸 标签) {
    return {std::max(0.0f, 标签.宽 - 90.0f), std::max(0.0f, 标签.高 - 375.0f)};
}

inline float 广告宽(float W) {
    return std::max(0.0f, W);
}

}  // namespace 主窗体布局
