// SPDX-License-Identifier: MIT
#include "store/deleted_notes.h"

#include "platform/log/log.h"
#include "store/note_record.h"
#include "store/statements.h"

namespace 已删除便签 {

namespace {

const QString 表 = QStringLiteral("QuilletDeleted");

// The columns of Tips that a deleted note keeps, in the order of the program's insert, with
// the key first.
const QString 便签列 = QStringLiteral(
    "ID, content, CreateTime, ChangeTime, Deleted, BackColor, FontColor, Visual, TopMost, "
    "Transparent");

// The kept columns take their values as Tips held them, whatever their types there.
const QString 建表语句 = QStringLiteral(
                             "CREATE TABLE IF NOT EXISTS %1(Seq INTEGER PRIMARY KEY AUTOINCREMENT, "
                             "DeletedAt INTEGER NOT NULL, Shown INTEGER NOT NULL, %2)")
                             .arg(表, 便签列);

// One write transaction: taken at once (waiting out another program's lock as any statement
// does), undone unless 提交 was reached.
class 事务 {
  public:
    explicit 事务(数据库操作模块& 数据库) : 数据库_(数据库) {
        数据库_.数据库_添加_语句(QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~事务() {
        if (已提交_) {
            return;
        }
        try {
            数据库_.数据库_添加_语句(QStringLiteral("ROLLBACK"));
        } catch (const dao::Error& 错误) {
            qCWarning(lcStore).noquote()
                << "Undoing a deleted-notes transaction failed:" << 错误.Number()
                << 错误.Description();
        }
    }
    事务(const 事务&) = delete;
    事务& operator=(const 事务&) = delete;

    void 提交() {
        数据库_.数据库_添加_语句(QStringLiteral("COMMIT"));
        已提交_ = true;
    }

  private:
    数据库操作模块& 数据库_;
    bool 已提交_ = false;
};

QString 颜色值(const std::optional<std::int32_t>& 颜色) {
    return 颜色 ? QString::number(*颜色) : QStringLiteral("NULL");
}

// Keeps one note as the list knew it (the table exists). All values go in one arg(): a note
// text holding "%9" must not be taken for a place of a later value.
void 记录所知(数据库操作模块& 数据库, const 列表所知& 便签, qint64 时刻) {
    数据库.数据库_添加_语句(
        QStringLiteral("INSERT INTO %1(DeletedAt, Shown, %2) Values(%3, %4, %5, %6, %7, %8, 0, "
                       "%9, %10, 1, 0, 0)")
            .arg(表, 便签列, QString::number(时刻), QString::number(便签.显示 ? 1 : 0),
                 QString::number(store::便签编号(便签.编号)), store::文字值(便签.内容),
                 store::文字值(便签.创建时间), store::文字值(便签.修改时间), 颜色值(便签.背景颜色),
                 颜色值(便签.字体颜色)));
}

// Drops the entries that are both older than 保留天数 days and not among the newest 保留条数.
void 清理旧条目(数据库操作模块& 数据库, const QDateTime& 此刻) {
    数据库.数据库_删除_语句(QStringLiteral("DELETE FROM %1 WHERE DeletedAt < %2 AND Seq NOT IN "
                                           "(SELECT Seq FROM %1 ORDER BY Seq DESC LIMIT %3)")
                                .arg(表,
                                     QString::number(此刻.addDays(-保留天数).toSecsSinceEpoch()),
                                     QString::number(保留条数)));
}

bool 有表(数据库操作模块& 数据库) {
    return !数据库
                .数据库_查找_语句(QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                 "'table' AND name = '%1'")
                                      .arg(表))
                .Eof();
}

}  // namespace

void 删除(数据库操作模块& 数据库, const 列表所知& 便签, const QDateTime& 此刻) {
    const std::int32_t 编号 = store::便签编号(便签.编号);
    const qint64 时刻 = 此刻.toSecsSinceEpoch();
    事务 写入(数据库);
    数据库.数据库_添加_语句(建表语句);
    数据库.数据库_添加_语句(QStringLiteral("INSERT INTO %1(DeletedAt, Shown, %2) SELECT %3, %4, "
                                           "%2 FROM Tips WHERE id = %5")
                                .arg(表, 便签列, QString::number(时刻),
                                     QString::number(便签.显示 ? 1 : 0), QString::number(编号)));
    if (数据库.受影响行数() == 0) {
        记录所知(数据库, 便签, 时刻);
    }
    数据库.数据库_删除_语句(store::删除便签语句(便签.编号));
    清理旧条目(数据库, 此刻);
    写入.提交();
}

void 记录已消失(数据库操作模块& 数据库, const std::vector<列表所知>& 便签表,
                const QDateTime& 此刻) {
    if (便签表.empty()) {
        return;
    }
    事务 写入(数据库);
    数据库.数据库_添加_语句(建表语句);
    for (const 列表所知& 便签 : 便签表) {
        记录所知(数据库, 便签, 此刻.toSecsSinceEpoch());
    }
    清理旧条目(数据库, 此刻);
    写入.提交();
}

std::optional<已恢复> 恢复最近(数据库操作模块& 数据库) {
    if (!有表(数据库)) {
        return std::nullopt;
    }
    事务 写入(数据库);
    const dao::Recordset 最近 = 数据库.数据库_查找_语句(
        QStringLiteral("SELECT Seq, ID, Shown FROM %1 ORDER BY Seq DESC LIMIT 1").arg(表));
    if (最近.Eof()) {
        return std::nullopt;
    }
    const QString 序号 = QString::number(最近.Fields(QStringLiteral("Seq")).ToInt32());
    const std::optional<std::int32_t> 原编号 = 最近.Fields(QStringLiteral("ID")).AsInt32();
    // The old id comes back unless a note took it meanwhile (a database without automatic
    // numbering gives a deleted id to the next new note); then the database gives a new one.
    const bool 编号空闲 =
        原编号 && *原编号 > 0 &&
        数据库.数据库_查找_语句(store::单个便签语句(QString::number(*原编号))).Eof();
    数据库.数据库_添加_语句(
        QStringLiteral("INSERT INTO Tips(%1) SELECT %2, content, CreateTime, ChangeTime, Deleted, "
                       "COALESCE(BackColor, %3), COALESCE(FontColor, %4), Visual, TopMost, "
                       "Transparent FROM %5 WHERE Seq = %6")
            .arg(便签列, 编号空闲 ? QStringLiteral("ID") : QStringLiteral("NULL"),
                 QString::number(store::新便签背景颜色), QString::number(store::新便签字体颜色), 表,
                 序号));
    const std::int32_t 编号 = 数据库.新行编号();
    数据库.数据库_删除_语句(QStringLiteral("DELETE FROM %1 WHERE Seq = %2").arg(表, 序号));
    写入.提交();
    return 已恢复{编号, 最近.Fields(QStringLiteral("Shown")).ToBool()};
}

int 条数(数据库操作模块& 数据库) {
    if (!有表(数据库)) {
        return 0;
    }
    return 数据库.数据库_查找_语句(QStringLiteral("SELECT count(*) AS n FROM %1").arg(表))
        .Fields(QStringLiteral("n"))
        .ToInt32();
}

}  // namespace 已删除便签
