#pragma once

#include <QString>

#include <cstdint>

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

}  // namespace 注册表操作
