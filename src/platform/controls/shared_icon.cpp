// SPDX-License-Identifier: MIT
#include "platform/controls/shared_icon.h"

#include <QCoreApplication>
#include <QHash>

namespace platform::controls {

namespace {

QHash<QString, QIcon>& 图标表() {
    static QHash<QString, QIcon> 表;
    return 表;
}

void 放下全部图标() {
    图标表().clear();
}

}  // namespace

QIcon 共享图标(const QString& 键, const std::function<QIcon()>& 生成) {
    QHash<QString, QIcon>& 表 = 图标表();
    auto 找到 = 表.find(键);
    if (找到 == 表.end()) {
        if (表.isEmpty()) {
            // Each application object that meets an empty table drops it again as it goes.
            qAddPostRoutine(放下全部图标);
        }
        找到 = 表.insert(键, 生成());
    }
    return *找到;
}

QIcon 共享图标(const QString& 文件) {
    return 共享图标(文件, [&文件] { return QIcon(文件); });
}

}  // namespace platform::controls
