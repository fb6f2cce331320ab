#pragma once
// Automatic backups of the note database: once a day, at start, a copy of the open database
// goes to the folder "backup" beside it, named after the day (Quillet.mdb gives
// backup/Quillet-2026-12-07.mdb); the newest seven are kept. A backup is restored by copying it
// over the database while the program is closed.

#include "store/database_module.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace 自动备份 {

inline constexpr int 保留份数 = 7;

// The folder of the backups: "backup" beside the database.
QString 备份目录(const QString& 数据库路径);

// The backups there are of this database, oldest first.
QStringList 备份列表(const QString& 数据库路径);

// The newest backup; empty text when there is none.
QString 最新备份(const QString& 数据库路径);

// Makes the day's backup of the open database unless there is one already, then removes all
// but the newest 保留份数. It never throws: whatever fails is logged (quillet.store) and the
// program goes on without the backup. Returns whether the day's backup was written now.
bool 每日备份(数据库操作模块& 数据库, const QString& 数据库路径, const QDate& 今天);

}  // namespace 自动备份
