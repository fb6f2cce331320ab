// SPDX-License-Identifier: MIT
#pragma once
// Deleted notes, kept so that a delete can be undone. They live in a table of the program's own,
// QuilletDeleted, beside Tips in the note database: each delete moves the note's row there, with
// the moment of the delete and whether its window was shown, and undo moves the newest entry
// back. Entries stay for 保留天数 days, and the newest 保留条数 whatever their age. The table is
// made by the first delete, so a database of an older build gains it then.

#include "store/database_module.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace 已删除便签 {

inline constexpr int 保留天数 = 30;
inline constexpr int 保留条数 = 100;

// A note as the note list knows it: what is kept when its row is no longer in Tips.
struct 列表所知 {
    QString 编号;  // the id text of the list row
    QString 内容;
    QString 创建时间;
    QString 修改时间;
    // From the note's window, when it had one; a note restored without them gets a new note's.
    std::optional<std::int32_t> 背景颜色;
    std::optional<std::int32_t> 字体颜色;
    bool 显示 = false;  // whether its window was open
};

// Deletes a note: its row of Tips goes into the table (with 便签.显示 and 此刻), then the
// program's delete statement removes it from Tips, in one transaction, so a failure leaves both
// tables as they were and passes up (dao::Error; store::编号错误 for an id text that is no id).
// When Tips no longer holds the note (another program deleted it), what the list knew is kept.
void 删除(数据库操作模块& 数据库, const 列表所知& 便签, const QDateTime& 此刻);

// Keeps notes that went from Tips without this program deleting them, as the list knew them,
// in one transaction.
void 记录已消失(数据库操作模块& 数据库, const std::vector<列表所知>& 便签表, const QDateTime& 此刻);

// A note put back by 恢复最近.
struct 已恢复 {
    std::int32_t 编号;  // its id: the old one, or a new one when another note took it meanwhile
    bool 显示;          // whether its window was open when it was deleted
};

// Puts the most recently deleted note back into Tips with its id, text, times and colours, and
// drops it from the table, in one transaction. Empty when there is nothing to put back.
std::optional<已恢复> 恢复最近(数据库操作模块& 数据库);

// How many deleted notes are kept (0 without the table).
int 条数(数据库操作模块& 数据库);

}  // namespace 已删除便签
