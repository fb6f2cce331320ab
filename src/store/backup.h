// SPDX-License-Identifier: MIT
#pragma once
// Automatic backups of the note database: copies of the open database in the folder "backup"
// beside it. The day's copy is named after the day (Quillet.mdb gives
// backup/Quillet-2026-12-07.mdb); further copies of a day carry the time as well
// (Quillet-2026-12-07-153012.mdb). A backup is restored by copying it over the database while
// the program is closed.
//
// Backups are ordered by the time each was made (the time its file was last written), not by
// the date in its name: a clock that was set wrong names a copy after the wrong day. A copy whose
// time lies in the future was made under such a clock; when it was really made is unknown, so it
// counts as older than every copy with a believable time. The copies of the seven newest days
// are kept (each copy of unknown time counts as a day of its own); the copy just made is never
// removed.

#include "store/database_module.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace 自动备份 {

inline constexpr int 保留天数 = 7;

// The folder of the backups: "backup" beside the database.
QString 备份目录(const QString& 数据库路径);

// The backups there are of this database, oldest first by the time each was made.
QStringList 备份列表(const QString& 数据库路径);

// The newest backup by the time it was made; empty text when there is none.
QString 最新备份(const QString& 数据库路径);

// Makes the day's backup of the open database unless a copy was already made for that day, then
// tidies the folder: copies older than the seven newest days go, and so do temporary files that
// a copy cut short left behind. It never throws: whatever fails is logged (quillet.store) and
// the program goes on without the backup. Returns whether a copy was written now.
bool 每日备份(数据库操作模块& 数据库, const QString& 数据库路径, const QDate& 今天);

// Before a note is deleted: a copy named after 此刻 when the newest copy was made more than an
// hour ago (or there is none), then the same tidying. Returns whether a copy was written now.
// Failures are logged, except a lock that another program holds: that engine error passes to
// the caller, since the delete would wait for the same lock (and the user has just given up).
bool 删除前备份(数据库操作模块& 数据库, const QString& 数据库路径, const QDateTime& 此刻);

}  // namespace 自动备份
