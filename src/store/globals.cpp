// SPDX-License-Identifier: MIT
#include "store/globals.h"

#include <QCoreApplication>
#include <QDir>

namespace 自定义变量 {

数据库操作模块& 全局数据库() {
    static 数据库操作模块 对象;
    return 对象;
}

QString 数据库路径(const QString& 程序目录) {
    return QDir::toNativeSeparators(程序目录) + QDir::separator() + QStringLiteral("Quillet.mdb");
}

void 初始化数据库() {
    const QString 路径 = 数据库路径(QCoreApplication::applicationDirPath());
    全局数据库().打开数据库(路径, QString());
}

}  // namespace 自定义变量
