// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace testdb {

// Creates an empty note database at 路径 with the real quillet-makedb; false when that failed.
bool 创建(const QString& 路径);

// Creates an empty note database in 目录 and opens it as the program-wide database.
// Returns the database's path (empty on failure).
QString 创建并打开(const QString& 目录);

}  // namespace testdb
