// SPDX-License-Identifier: MIT
#pragma once

// Layout code computes in twips, as the program's windows were designed: 1/1440 inch,
// 15 twips to a device-independent pixel. Qt scales pixels for high-DPI screens.

namespace platform {

inline constexpr int 每像素缇数 = 15;

// Twips to device-independent pixels, rounded to the nearest pixel.
constexpr int 缇转像素(double 缇) {
    const double 像素 = 缇 / 每像素缇数;
    return static_cast<int>(像素 < 0 ? 像素 - 0.5 : 像素 + 0.5);
}

constexpr double 像素转缇(double 像素) {
    return 像素 * 每像素缇数;
}

}  // namespace platform
