// SPDX-License-Identifier: MIT
#include "store/backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <exception>
#include <vector>

#include "platform/log/log.h"

namespace 自动备份 {

namespace {

// How far in the future a copy's time may lie and still be believed (file systems and clocks
// disagree by a little).
constexpr qint64 时间容差秒 = 60;

struct 备份 {
    QString 路径;
    QDateTime 时间;  // when it was made: its file's last write
    bool 可信;       // false: the time lies in the future, so when it was made is unknown
};

// A copy's name: the database's name, a hyphen and the date (and, for a further copy of the
// day, a hyphen and the time), with the database's extension.
QString 备份文件名(const QFileInfo& 数据库, const QString& 时刻文字) {
    return 数据库.completeBaseName() + u'-' + 时刻文字 + u'.' + 数据库.suffix();
}

// Names of this database's copies; 日期 narrows them to one day's.
QRegularExpression 备份名称(const QFileInfo& 数据库, const QString& 日期 = {}) {
    return QRegularExpression(QStringLiteral("^%1-%2(-\\d{6})?\\.%3$")
                                  .arg(QRegularExpression::escape(数据库.completeBaseName()),
                                       日期.isEmpty() ? QStringLiteral("\\d{4}-\\d{2}-\\d{2}")
                                                      : QRegularExpression::escape(日期),
                                       QRegularExpression::escape(数据库.suffix())));
}

// The copies, oldest first: those of unknown time before the others, each group by time.
std::vector<备份> 按时间排列(const QString& 数据库路径) {
    const QFileInfo 数据库(数据库路径);
    const QRegularExpression 名称 = 备份名称(数据库);
    const QDateTime 最迟 = QDateTime::currentDateTime().addSecs(时间容差秒);
    std::vector<备份> 列表;
    // Listed by name, so that copies of the same time keep the order of their names.
    for (const QFileInfo& 文件 :
         QDir(备份目录(数据库路径)).entryInfoList(QDir::Files, QDir::Name)) {
        if (名称.match(文件.fileName()).hasMatch()) {
            const QDateTime 时间 = 文件.lastModified();
            列表.push_back({文件.filePath(), 时间, 时间 <= 最迟});
        }
    }
    std::stable_sort(列表.begin(), 列表.end(), [](const 备份& 甲, const 备份& 乙) {
        return 甲.可信 != 乙.可信 ? !甲.可信 : 甲.时间 < 乙.时间;
    });
    return 列表;
}

// Writes a copy of the open database to 目标; a failure is logged with 何种 naming the copy.
// With 传出锁定, a lock held by another program passes to the caller instead.
bool 写备份(数据库操作模块& 数据库, const QString& 目标, const char* 何种, bool 传出锁定 = false) {
    const QString 目录 = QFileInfo(目标).path();
    try {
        // The folder holds every note: only its owner may enter it.
        if (!QDir(目录).exists() &&
            !QDir().mkdir(
                目录, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
            qCWarning(lcStore).nospace() << "No backup of the note database (" << 何种
                                         << "): cannot create the folder " << 目录;
            return false;
        }
        数据库.备份数据库(目标);
        return true;
    } catch (const dao::Error& 错误) {
        if (传出锁定 && 错误.类别() == dao::错误类别::已锁定) {
            throw;
        }
        qCWarning(lcStore).nospace()
            << "No backup of the note database (" << 何种 << "): copying it to " << 目标
            << " failed with engine error " << 错误.Number() << ": " << 错误.Description();
    } catch (const std::exception& 错误) {
        qCWarning(lcStore).nospace()
            << "No backup of the note database (" << 何种 << "): " << 错误.what();
    }
    return false;
}

void 删除文件(const QString& 路径, const char* 何物) {
    if (!QFile::remove(路径)) {
        qCWarning(lcStore) << "Cannot remove" << 何物 << 路径;
    }
}

// Removes what copies cut short left behind, and every copy older than the seven newest days
// (never 刚写的).
void 整理(const QString& 数据库路径, const QString& 刚写的) {
    const QFileInfo 数据库(数据库路径);
    const QDir 目录(备份目录(数据库路径));
    const QRegularExpression 残留(QStringLiteral("^%1-.*\\.%2\\.part(-journal)?$")
                                      .arg(QRegularExpression::escape(数据库.completeBaseName()),
                                           QRegularExpression::escape(数据库.suffix())));
    for (const QString& 文件 : 目录.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (残留.match(文件).hasMatch()) {
            删除文件(目录.filePath(文件), "the unfinished backup");
        }
    }
    const std::vector<备份> 列表 = 按时间排列(数据库路径);
    QSet<QString> 天;
    for (auto 份 = 列表.rbegin(); 份 != 列表.rend(); ++份) {
        天.insert(份->可信 ? 份->时间.date().toString(Qt::ISODate) : 份->路径);
        if (天.size() > 保留天数 && 份->路径 != 刚写的) {
            删除文件(份->路径, "the old backup");
        }
    }
}

}  // namespace

QString 备份目录(const QString& 数据库路径) {
    return QFileInfo(数据库路径).dir().filePath(QStringLiteral("backup"));
}

QStringList 备份列表(const QString& 数据库路径) {
    QStringList 路径;
    for (const 备份& 份 : 按时间排列(数据库路径)) {
        路径.append(份.路径);
    }
    return 路径;
}

QString 最新备份(const QString& 数据库路径) {
    const std::vector<备份> 列表 = 按时间排列(数据库路径);
    return 列表.empty() ? QString() : 列表.back().路径;
}

bool 每日备份(数据库操作模块& 数据库, const QString& 数据库路径, const QDate& 今天) {
    const QFileInfo 库(数据库路径);
    const QString 日期 = 今天.toString(QStringLiteral("yyyy-MM-dd"));
    const QDir 目录(备份目录(数据库路径));
    if (!目录.entryList({库.completeBaseName() + u'-' + 日期 + u'*'}, QDir::Files)
             .filter(备份名称(库, 日期))
             .isEmpty()) {
        整理(数据库路径, {});
        return false;
    }
    QString 目标 = 目录.filePath(备份文件名(库, 日期));
    if (QFileInfo::exists(目标)) {
        // Not a file (that would be the day's copy): a folder, say, holds the name.
        const QString 另名 = 目录.filePath(
            备份文件名(库, 日期 + u'-' + QTime::currentTime().toString(QStringLiteral("HHmmss"))));
        qCWarning(lcStore) << "The name of the day's backup" << 目标
                           << "is taken by something that is no file; the copy is written as"
                           << 另名;
        目标 = 另名;
    }
    const bool 已写 = 写备份(数据库, 目标, "the day's copy");
    整理(数据库路径, 已写 ? 目标 : QString());
    return 已写;
}

bool 删除前备份(数据库操作模块& 数据库, const QString& 数据库路径, const QDateTime& 此刻) {
    const std::vector<备份> 列表 = 按时间排列(数据库路径);
    if (!列表.empty() && 列表.back().可信 &&
        列表.back().时间.secsTo(QDateTime::currentDateTime()) <= 3600) {
        return false;
    }
    const QString 目标 =
        QDir(备份目录(数据库路径))
            .filePath(备份文件名(QFileInfo(数据库路径),
                                 此刻.toString(QStringLiteral("yyyy-MM-dd-HHmmss"))));
    if (QFileInfo::exists(目标)) {
        qCWarning(lcStore) << "No backup before the delete: the name" << 目标 << "is taken";
        return false;
    }
    const bool 已写 = 写备份(数据库, 目标, "the copy before a delete", true);
    整理(数据库路径, 已写 ? 目标 : QString());
    return 已写;
}

}  // namespace 自动备份
