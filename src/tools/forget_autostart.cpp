// SPDX-License-Identifier: MIT
// quillet-forget-autostart PROGRAM: removes the log-on start entry when it starts PROGRAM, that
// is, when it holds exactly the command the program registers for itself ("PROGRAM" mini).
// An entry that starts anything else is left alone. The uninstall target runs it for the
// program it removes.

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

#include "services/autostart.h"

int main(int argc, char** argv) {
    QCoreApplication 程序(argc, argv);
    const QStringList 参数 = QCoreApplication::arguments();
    if (参数.size() != 2) {
        std::fprintf(stderr, "usage: quillet-forget-autostart PROGRAM\n");
        return 2;
    }
    const QFileInfo 目标(参数[1]);
    // The program registered the folder as it saw it running, with symbolic links resolved.
    QStringList 文件夹{目标.absolutePath()};
    const QString 实际文件夹 = QFileInfo(目标.absolutePath()).canonicalFilePath();
    if (!实际文件夹.isEmpty() && 实际文件夹 != 文件夹.front()) {
        文件夹.append(实际文件夹);
    }
    for (const QString& 一个 : 文件夹) {
        const QString 命令 = 开机启动::启动命令(一个, 目标.fileName());
        if (!开机启动::已登记(命令)) {
            continue;
        }
        开机启动::切换(true, 命令);
        if (开机启动::已登记(命令)) {
            std::fprintf(stderr, "Cannot remove the log-on start entry: %s\n",
                         命令.toLocal8Bit().constData());
            return 1;
        }
        std::printf("Removed the log-on start entry: %s\n", 命令.toLocal8Bit().constData());
        return 0;
    }
    return 0;
}
