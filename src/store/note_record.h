// SPDX-License-Identifier: MIT
#pragma once

// Reading a note's values from a row of Tips. A row written by another tool or an older
// version may hold a missing, empty or unreadable value where a number belongs; such a value
// reads as what a new note gets, so every note can still be shown, and the row itself is left
// as it is. A missing column or row is still an error of the engine.

#include "platform/dao/dao.h"

#include <cstdint>

namespace store {

// The colours a new note gets: pale yellow (12648447) behind black text.
inline constexpr std::int32_t 新便签背景颜色 = 0x00C0FFFF;
inline constexpr std::int32_t 新便签字体颜色 = 0;

// The values of the recordset's current row.
std::int32_t 背景颜色(const dao::Recordset& 记录集);  // BackColor
std::int32_t 字体颜色(const dao::Recordset& 记录集);  // FontColor
bool 显示(const dao::Recordset& 记录集);              // Visual: a new note is shown

}  // namespace store
