// SPDX-License-Identifier: MIT
// A test-only program that saves notes through the program's own store code, in a loop, and
// reports each save on stdout as soon as the call has returned:
//
//   reliability-save-driver DATABASE TAG COUNT
//
// COUNT 0 saves until the process is killed. Each save inserts one note whose text is
// save_driver::内容(TAG, sequence); the line "TAG sequence" follows on stdout, flushed, once
// 数据库_添加_语句 has returned. An engine error ends the program with status 3 and its text on
// stderr. "ready" is printed once the database is open.

#include "save_driver.h"

#include "store/globals.h"
#include "store/statements.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication 程序(argc, argv);
    const QStringList 参数 = QCoreApplication::arguments();
    if (参数.size() != 4) {
        std::fprintf(stderr, "usage: reliability-save-driver DATABASE TAG COUNT\n");
        return 2;
    }
    const QString 标记 = 参数[2];
    const long 次数 = 参数[3].toLong();
    try {
        数据库操作模块& 库 = 自定义变量::全局数据库();
        库.打开数据库(参数[1], QString());
        std::printf("ready\n");
        std::fflush(stdout);
        for (long 序号 = 0; 次数 == 0 || 序号 < 次数; ++序号) {
            const store::便签值 值{save_driver::内容(标记, 序号), 16777215, 0, 10};
            库.数据库_添加_语句(store::新建便签语句(值, store::现在()));
            std::printf("%s %ld\n", qPrintable(标记), 序号);
            std::fflush(stdout);
        }
        库.关闭数据库();
    } catch (const dao::Error& 错误) {
        std::fprintf(stderr, "error %d: %s\n", 错误.Number(), qPrintable(错误.Description()));
        return 3;
    }
    return 0;
}
