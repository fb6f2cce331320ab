// SPDX-License-Identifier: MIT
#pragma once

#include "store/database_module.h"

#include <QString>

namespace 自定义变量 {

// The program-wide database access object, created on first use.
数据库操作模块& 全局数据库();

// The note database's path: the executable's folder and the file name, joined as they are.
QString 数据库路径(const QString& 程序目录);

// Opens the note database beside the executable into 全局数据库. Engine errors pass up.
void 初始化数据库();

}  // namespace 自定义变量
