#include "store/backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <exception>

#include "platform/log/log.h"

namespace 自动备份 {

namespace {

// The backup of a day: the database's name, a hyphen and the date, with its extension.
QString 备份文件名(const QFileInfo& 数据库, const QDate& 日期) {
    return 数据库.completeBaseName() + u'-' + 日期.toString(QStringLiteral("yyyy-MM-dd")) + u'.' +
           数据库.suffix();
}

}  // namespace

QString 备份目录(const QString& 数据库路径) {
    return QFileInfo(数据库路径).dir().filePath(QStringLiteral("backup"));
}

QStringList 备份列表(const QString& 数据库路径) {
    const QFileInfo 数据库(数据库路径);
    const QRegularExpression 名称(QStringLiteral("^%1-\\d{4}-\\d{2}-\\d{2}\\.%2$")
                                      .arg(QRegularExpression::escape(数据库.completeBaseName()),
                                           QRegularExpression::escape(数据库.suffix())));
    const QDir 目录(备份目录(数据库路径));
    QStringList 列表;
    // Dates in the names sort as the days do.
    for (const QString& 文件 : 目录.entryList(QDir::Files, QDir::Name)) {
        if (名称.match(文件).hasMatch()) {
            列表.append(目录.filePath(文件));
        }
    }
    return 列表;
}

QString 最新备份(const QString& 数据库路径) {
    const QStringList 列表 = 备份列表(数据库路径);
    return 列表.isEmpty() ? QString() : 列表.back();
}

bool 每日备份(数据库操作模块& 数据库, const QString& 数据库路径, const QDate& 今天) {
    const QString 目录 = 备份目录(数据库路径);
    const QString 今天的备份 = QDir(目录).filePath(备份文件名(QFileInfo(数据库路径), 今天));
    bool 已写 = false;
    if (!QFileInfo::exists(今天的备份)) {
        try {
            if (!QDir().mkpath(目录)) {
                qCWarning(lcStore) << "No backup of the note database today: cannot create the "
                                      "folder"
                                   << 目录;
                return false;
            }
            数据库.备份数据库(今天的备份);
            已写 = true;
        } catch (const dao::Error& 错误) {
            qCWarning(lcStore).nospace()
                << "No backup of the note database today: copying it to " << 今天的备份
                << " failed with engine error " << 错误.Number() << ": " << 错误.Description();
            return false;
        } catch (const std::exception& 错误) {
            qCWarning(lcStore) << "No backup of the note database today:" << 错误.what();
            return false;
        }
    }
    QStringList 列表 = 备份列表(数据库路径);
    while (列表.size() > 保留份数) {
        const QString 最旧 = 列表.takeFirst();
        if (!QFile::remove(最旧)) {
            qCWarning(lcStore) << "Cannot remove the old backup" << 最旧
                               << "; it stays beside the newer ones";
        }
    }
    return 已写;
}

}  // namespace 自动备份
