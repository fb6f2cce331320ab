// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The program's one point of contact with the update library "update", found beside the
// executable. A missing library or entry point means no update check and no message.
namespace 自定义方法 {

// Calls the library's DoUpdate with the main window's handle and the update-list address
// (NUL-terminated, in the locale's code page). Returns whether the entry point was reached.
bool DoUpdate(std::int32_t 窗口句柄, const QByteArray& 升级列表地址);

// The same, with the library looked for in 库目录 instead of the executable's folder.
bool DoUpdate(std::int32_t 窗口句柄, const QByteArray& 升级列表地址, const QString& 库目录);

}  // namespace 自定义方法
