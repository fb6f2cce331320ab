// SPDX-License-Identifier: MIT
#include "platform/startup/qt_translation.h"

#include "platform/log/log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform::startup {

QStringList Qt翻译目录() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

QString 装入Qt中文翻译(const QStringList& 目录表) {
    const QString 文件名 = QStringLiteral("qtbase_zh_CN.qm");
    for (const QString& 目录 : 目录表) {
        QString 路径 = QDir(目录).filePath(文件名);
        if (!QFileInfo::exists(路径)) {
            continue;
        }
        auto* 翻译 = new QTranslator(QCoreApplication::instance());
        if (翻译->load(路径) && QCoreApplication::installTranslator(翻译)) {
            return 路径;
        }
        delete 翻译;
        qCWarning(lcStartup) << "Qt's Chinese catalogue" << QDir::toNativeSeparators(路径)
                             << "cannot be read; looking further";
    }
    qCWarning(lcStartup).noquote() << "Qt's Chinese catalogue" << 文件名 << "is in none of"
                                   << QDir::toNativeSeparators(目录表.join(QStringLiteral(", ")))
                                   << "- Qt's own buttons and dialogs stay in English";
    return {};
}

}  // namespace platform::startup
