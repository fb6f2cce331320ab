// SPDX-License-Identifier: MIT
#include "services/autostart.h"

#include <QCoreApplication>
#include <QDir>

#include "platform/shell/shell.h"
#include "services/registry_module.h"

namespace 开机启动 {

namespace {

QString 读取已存命令() {
    std::int32_t 类型 = 注册表操作::REG_SZ;
    QString 文字;
    注册表操作::读取注册表值(注册表操作::HKEY_CURRENT_USER, QString::fromUtf16(子键),
                             QString::fromUtf16(值名), 类型, 文字);
    return 文字;
}

}  // namespace

QString 启动命令(const QString& 文件夹, const QString& 程序名) {
    const QChar 分隔符 = QDir::separator();
    QString 路径 = 文件夹;
    if (!路径.endsWith(分隔符)) {
        路径 += 分隔符;
    }
    路径 += platform::shell::程序文件名(程序名);
    return u'"' + 路径 + QStringLiteral("\" mini");
}

QString 启动命令() {
    return 启动命令(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()),
                    platform::shell::本程序名());
}

bool 已登记(const QString& 命令) {
    const QString 已存 = 读取已存命令();
    return !已存.isEmpty() && 已存 == 命令;
}

bool 已登记() {
    return 已登记(启动命令());
}

切换结果 切换(bool 已勾选, const QString& 命令) {
    if (!已勾选) {
        if (读取已存命令().isEmpty()) {
            注册表操作::写入注册表值(注册表操作::HKEY_CURRENT_USER, QString::fromUtf16(子键),
                                     QString::fromUtf16(值名), 注册表操作::REG_SZ, 命令);
        }
    } else {
        注册表操作::删除注册表值(注册表操作::HKEY_CURRENT_USER, QString::fromUtf16(子键),
                                 QString::fromUtf16(值名));
    }
    // Read back rather than trusted: the mark shows what is stored.
    const bool 已存 = !读取已存命令().isEmpty();
    return {已存, 已存 != 已勾选};
}

切换结果 切换(bool 已勾选) {
    return 切换(已勾选, 启动命令());
}

}  // namespace 开机启动
