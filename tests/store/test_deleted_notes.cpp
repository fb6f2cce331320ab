// SPDX-License-Identifier: MIT
// Deleted notes kept for undo: what a delete keeps and puts back, the keeping rule, an older
// database without the table, and a failing delete that must leave both tables as they were.

#include "store/deleted_notes.h"
#include "store/globals.h"
#include "store/statements.h"
#include "support/testdb.h"

#include <QTemporaryDir>
#include <QtTest>

#include <map>
#include <memory>

namespace {

using 行 = std::map<QString, QString>;

const QDateTime 删除时刻(QDate(2026, 12, 1), QTime(10, 0));

}  // namespace

class DeletedNotesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> 目录_;
    数据库操作模块& 库 = 自定义变量::全局数据库();

    QString 添加(const QString& 内容, std::int32_t 背景 = 255, std::int32_t 字色 = 65280) {
        库.数据库_添加_语句(store::新建便签语句({内容, 背景, 字色, 30},
                                                QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5))));
        return QString::number(库.新行编号());
    }

    // Every column of the note's row in Tips; empty when there is none.
    行 便签(const QString& 编号) {
        dao::Recordset 记录 = 库.数据库_查找_语句(store::单个便签语句(编号));
        行 结果;
        if (!记录.Eof()) {
            for (const char* 列 : {"ID", "content", "CreateTime", "ChangeTime", "Deleted",
                                   "BackColor", "FontColor", "Visual", "TopMost", "Transparent"}) {
                结果[QString::fromLatin1(列)] = 记录.Fields(QString::fromLatin1(列)).ToText();
            }
        }
        return 结果;
    }

    已删除便签::列表所知 所知(const QString& 编号, bool 显示 = true) {
        return {编号, {}, {}, {}, std::nullopt, std::nullopt, 显示};
    }

    int 便签数() {
        return 库.数据库_查找_语句(QStringLiteral("SELECT count(*) AS n FROM Tips"))
            .Fields(QStringLiteral("n"))
            .ToInt32();
    }

  private slots:
    void init() {
        目录_ = std::make_unique<QTemporaryDir>();
        QVERIFY(!testdb::创建并打开(目录_->path()).isEmpty());
        // Hundreds of deletes follow; waiting for the disk after each proves nothing here.
        库.数据库_添加_语句(QStringLiteral("PRAGMA synchronous=OFF"));
    }
    void cleanup() {
        库.关闭数据库();
        目录_.reset();
    }

    void undoPutsBackTheNewestWithEverythingItHad() {
        // An older database has no table: the first delete makes it.
        QCOMPARE(已删除便签::条数(库), 0);
        QVERIFY(!已删除便签::恢复最近(库));
        const QString 甲 = 添加(QStringLiteral("it's 100%9 %1 甲"), -2147483643, 0);
        const QString 乙 = 添加(QStringLiteral("乙"));
        // Columns no statement of the program writes come back as they were too.
        库.数据库_添加_语句(
            QStringLiteral("UPDATE Tips SET Deleted = 7, TopMost = 1, Visual = 0 WHERE id = ") +
            甲);
        const 行 甲原样 = 便签(甲);
        const 行 乙原样 = 便签(乙);

        已删除便签::删除(库, 所知(甲, false), 删除时刻);
        已删除便签::删除(库, 所知(乙, true), 删除时刻);
        QVERIFY(便签(甲).empty() && 便签(乙).empty());
        QCOMPARE(已删除便签::条数(库), 2);

        // Newest first, each with its id and its shown state.
        const auto 第一 = 已删除便签::恢复最近(库);
        QVERIFY(第一);
        QCOMPARE(QString::number(第一->编号), 乙);
        QVERIFY(第一->显示);
        QCOMPARE(便签(乙), 乙原样);
        const auto 第二 = 已删除便签::恢复最近(库);
        QVERIFY(第二);
        QVERIFY(!第二->显示);
        QCOMPARE(便签(甲), 甲原样);
        QCOMPARE(已删除便签::条数(库), 0);
        QVERIFY(!已删除便签::恢复最近(库));
    }

    void aNoteGoneFromTipsIsKeptAsTheListKnewIt() {
        // Another program deleted it, and a later note took its id (no automatic numbering
        // there): it comes back under a new id, with its window's colours or a new note's.
        const QString 编号 = 添加(QStringLiteral("原来的"));
        库.数据库_删除_语句(store::删除便签语句(编号));
        已删除便签::记录已消失(库,
                               {{编号, QStringLiteral("列表里的 '%1'"), QStringLiteral("创建"),
                                 QStringLiteral("修改"), 123, 456, true},
                                {QStringLiteral("999"),
                                 QStringLiteral("无窗口"),
                                 {},
                                 {},
                                 std::nullopt,
                                 std::nullopt,
                                 false}},
                               删除时刻);
        库.数据库_添加_语句(
            QStringLiteral("INSERT INTO Tips(ID, content) Values(%1, '占用')").arg(编号));

        const auto 无窗口 = 已删除便签::恢复最近(库);
        QVERIFY(无窗口);
        QCOMPARE(无窗口->编号, 999);
        QCOMPARE(便签(QStringLiteral("999")).at("BackColor"), QStringLiteral("12648447"));
        QCOMPARE(便签(QStringLiteral("999")).at("FontColor"), QStringLiteral("0"));

        const auto 有窗口 = 已删除便签::恢复最近(库);
        QVERIFY(有窗口);
        QVERIFY(有窗口->显示);
        QVERIFY(QString::number(有窗口->编号) != 编号);
        const 行 回来 = 便签(QString::number(有窗口->编号));
        QCOMPARE(回来.at("content"), QStringLiteral("列表里的 '%1'"));
        QCOMPARE(回来.at("CreateTime"), QStringLiteral("创建"));
        QCOMPARE(回来.at("ChangeTime"), QStringLiteral("修改"));
        QCOMPARE(回来.at("BackColor"), QStringLiteral("123"));
        QCOMPARE(回来.at("FontColor"), QStringLiteral("456"));
        QCOMPARE(便签(编号).at("content"), QStringLiteral("占用"));
    }

    void entriesStayThirtyDaysOrTheLastHundred() {
        // 120 deletes 40 days ago: each was recent when it was made.
        for (int i = 0; i < 120; ++i) {
            已删除便签::删除(库, 所知(添加(QString::number(i))), 删除时刻.addDays(-40));
        }
        QCOMPARE(已删除便签::条数(库), 120);
        // 10 today: of the old ones only those among the newest 100 stay, 30 to 119.
        for (int i = 0; i < 10; ++i) {
            已删除便签::删除(库, 所知(添加(QStringLiteral("今天"))), 删除时刻);
        }
        QCOMPARE(已删除便签::条数(库), 100);
        QString 最后恢复;
        while (const auto 恢复 = 已删除便签::恢复最近(库)) {
            最后恢复 = 便签(QString::number(恢复->编号)).at("content");
        }
        QCOMPARE(最后恢复, QStringLiteral("30"));
        // More than 100 within 30 days all stay.
        for (int i = 0; i < 150; ++i) {
            已删除便签::删除(库, 所知(添加(QStringLiteral("近"))), 删除时刻.addDays(i % 30));
        }
        QCOMPARE(已删除便签::条数(库), 150);
    }

    void aFailingDeleteLeavesBothTablesAsTheyWere() {
        const QString 编号 = 添加(QStringLiteral("留下"));
        已删除便签::删除(库, 所知(添加(QStringLiteral("早先删的"))), 删除时刻);
        库.数据库_添加_语句(QStringLiteral(
            "CREATE TRIGGER refuse BEFORE DELETE ON Tips BEGIN SELECT RAISE(ABORT, 'no'); END"));
        QVERIFY_THROWS_EXCEPTION(dao::Error, 已删除便签::删除(库, 所知(编号), 删除时刻));
        QCOMPARE(便签(编号).at("content"), QStringLiteral("留下"));
        QCOMPARE(已删除便签::条数(库), 1);
        // No transaction is left open: the next write works.
        库.数据库_添加_语句(QStringLiteral("DROP TRIGGER refuse"));
        已删除便签::删除(库, 所知(编号), 删除时刻);
        QCOMPARE(已删除便签::条数(库), 2);
        // An id text that is no id reaches no statement.
        QVERIFY_THROWS_EXCEPTION(store::编号错误,
                                 已删除便签::删除(库, 所知(QStringLiteral("1 OR 1=1")), 删除时刻));
        QCOMPARE(已删除便签::条数(库), 2);
    }
};

QTEST_GUILESS_MAIN(DeletedNotesTest)
#include "test_deleted_notes.moc"
