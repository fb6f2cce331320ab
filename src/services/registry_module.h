// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Reads, writes and deletes one named registry value, below a root key and a sub-key path.
// Failures are reported only through the Boolean result.
namespace 注册表操作 {

inline constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline constexpr std::int32_t REG_SZ = 1;

bool 读取注册表值(std::uint32_t 根键, const QString& 子键, const QString& 值名,
                  std::int32_t& 值类型, QString& 值文字);
bool 写入注册表值(std::uint32_t 根键, const QString& 子键, const QString& 值名, std::int32_t 值类型,
                  const QString& 值文字);
bool 删除注册表值(std::uint32_t 根键, const QString& 子键, const QString& 值名);

// One of the program's own text settings of the current user. Nothing when the key or the
// value is absent (a missing value is not an empty one: 读取注册表值 gives empty text for both),
// nor when the value is not text, which is logged.
std::optional<QString> 读取文字设置(const QString& 子键, const QString& 值名);

}  // namespace 注册表操作
