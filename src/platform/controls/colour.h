// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

namespace platform::controls {

// Colours are stored as 32-bit values in 0x00BBGGRR order (red in the low byte). A value
// with the top bit set names a system colour by the index in its low byte.
inline constexpr std::int32_t 系统颜色标志 = static_cast<std::int32_t>(0x80000000u);

// The Qt colour a stored value stands for; system colours come from the application palette.
QColor 转为颜色(std::int32_t 值);

// The stored value of a plain colour (never a system colour).
std::int32_t 转为颜色值(const QColor& 颜色);

// The palette role of a system colour index, or QPalette::NoRole for one the program never uses.
QPalette::ColorRole 系统颜色角色(int 索引);

}  // namespace platform::controls
