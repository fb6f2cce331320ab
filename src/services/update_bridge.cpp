// SPDX-License-Identifier: MIT
#include "services/update_bridge.h"

#include "platform/log/log.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace 自定义方法 {

namespace {

using DoUpdate函数 = std::int32_t (*)(std::int32_t, const char*);

}  // namespace

bool DoUpdate(std::int32_t 窗口句柄, const QByteArray& 升级列表地址) {
    return DoUpdate(窗口句柄, 升级列表地址, QCoreApplication::applicationDirPath());
}

bool DoUpdate(std::int32_t 窗口句柄, const QByteArray& 升级列表地址, const QString& 库目录) {
    if (库目录.isEmpty()) {
        qCWarning(lcServices, "no update check: the folder of the update library is unknown");
        return false;
    }
    // QLibrary adds the platform's prefix and suffix (libupdate.so, update.dll). The library is
    // never unloaded: its check keeps running on the event loop after the call returns.
    QLibrary 库(QDir(库目录).filePath(QStringLiteral("update")));
    const auto 入口 = reinterpret_cast<DoUpdate函数>(库.resolve("DoUpdate"));
    if (入口 == nullptr) {
        qCWarning(lcServices, "no update check: %s", qUtf8Printable(库.errorString()));
        return false;
    }
    // QByteArray's data always ends in a NUL.
    入口(窗口句柄, 升级列表地址.constData());
    return true;
}

}  // namespace 自定义方法
