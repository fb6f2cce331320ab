// SPDX-License-Identifier: MIT
// The automatic backups of the note database: one a day and before a delete, complete private
// copies, kept by the time they were made, and a backup that fails never stops the program.

#include "store/backup.h"
#include "store/globals.h"
#include "store/statements.h"
#include "support/testdb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class BackupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> 目录_;
    QString 数据库_;
    数据库操作模块& 库 = 自定义变量::全局数据库();

    QString 备份(const char* 日期) const {
        return QDir(自动备份::备份目录(数据库_))
            .filePath(QStringLiteral("Quillet-%1.mdb").arg(QLatin1String(日期)));
    }

    void 添加(const QString& 内容) {
        QVERIFY(库.数据库_添加_语句(store::新建便签语句(
            {内容, 12648447, 0, 20}, QDateTime(QDate(2026, 12, 1), QTime(9, 0)))));
    }

    // The notes a backup holds, read as the program reads its database.
    QStringList 便签(const QString& 文件) {
        数据库操作模块 副本;
        副本.打开数据库(文件, QString());
        dao::Recordset 记录 = 副本.数据库_查找_语句(store::全部便签语句());
        QStringList 内容;
        for (; !记录.Eof(); 记录.MoveNext()) {
            内容.append(记录.Fields(QStringLiteral("content")).ToText());
        }
        return 内容;
    }

    // Made when its file was last written: tests set that time to stand for another day.
    static void 设时间(const QString& 文件, const QDateTime& 时间) {
        QFile 备份文件(文件);
        QVERIFY(备份文件.open(QIODevice::ReadWrite));
        QVERIFY(备份文件.setFileTime(时间, QFileDevice::FileModificationTime));
    }

  private slots:
    void init() {
        目录_ = std::make_unique<QTemporaryDir>();
        QVERIFY(目录_->isValid());
        数据库_ = testdb::创建并打开(目录_->path());
        QVERIFY(!数据库_.isEmpty());
    }
    void cleanup() {
        库.关闭数据库();
        目录_.reset();
    }

    void oneCompleteCopyADay() {
        添加(QStringLiteral("第一条"));
        QVERIFY(自动备份::每日备份(库, 数据库_, QDate(2026, 12, 7)));
        QCOMPARE(便签(备份("2026-12-07")), QStringList{QStringLiteral("第一条")});

        // The same day again: the morning's copy stays as it was.
        添加(QStringLiteral("第二条"));
        QVERIFY(!自动备份::每日备份(库, 数据库_, QDate(2026, 12, 7)));
        QCOMPARE(便签(备份("2026-12-07")), QStringList{QStringLiteral("第一条")});

        QVERIFY(自动备份::每日备份(库, 数据库_, QDate(2026, 12, 8)));
        QCOMPARE(便签(备份("2026-12-08")),
                 (QStringList{QStringLiteral("第一条"), QStringLiteral("第二条")}));
        QCOMPARE(自动备份::最新备份(数据库_), 备份("2026-12-08"));
        // Nothing but the copies: no temporary file is left behind.
        QCOMPARE(QDir(自动备份::备份目录(数据库_)).entryList(QDir::Files),
                 (QStringList{QStringLiteral("Quillet-2026-12-07.mdb"),
                              QStringLiteral("Quillet-2026-12-08.mdb")}));
        // The database itself is still open and written as before.
        添加(QStringLiteral("第三条"));
        QCOMPARE(便签(数据库_).size(), 3);
    }

    void copiesOfTheSevenNewestDaysAreKept() {
        QVERIFY(QDir().mkpath(自动备份::备份目录(数据库_)));
        // A file of the user's own in the folder is no backup and stays.
        const QString 别的 = QDir(自动备份::备份目录(数据库_)).filePath(QStringLiteral("保留.txt"));
        QFile 文件(别的);
        QVERIFY(文件.open(QIODevice::WriteOnly));
        文件.close();
        for (int 日 = 1; 日 <= 10; ++日) {
            const QDate 那天(2026, 11, 20 + 日);
            QVERIFY(自动备份::每日备份(库, 数据库_, 那天));
            设时间(备份(qPrintable(那天.toString(Qt::ISODate))), QDateTime(那天, QTime(12, 0)));
        }
        QStringList 应有;
        for (int 日 = 24; 日 <= 30; ++日) {
            应有.append(备份(QStringLiteral("2026-11-%1").arg(日).toLatin1().constData()));
        }
        QCOMPARE(自动备份::备份列表(数据库_), 应有);
        QVERIFY(QFile::exists(别的));
        // Only the owner may read a copy of the notes. (Windows keeps that in the file's access
        // list, which Qt's permissions do not read: they show the read-only attribute.)
#ifndef Q_OS_WIN
        QCOMPARE(QFileInfo(应有.back()).permissions() &
                     (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
                 QFileDevice::Permissions());
#endif
    }

    // A week under a clock set forward left copies named and made in the future. Today's copy
    // is the newest and stays; the future ones count as older and go one a day.
    void aClockSetForwardNeverCostsTheNewCopy() {
        QVERIFY(QDir().mkpath(自动备份::备份目录(数据库_)));
        const QDate 将来 = QDate::currentDate().addYears(1);
        for (int 日 = 0; 日 < 自动备份::保留天数; ++日) {
            const QString 名 = 备份(qPrintable(将来.addDays(日).toString(Qt::ISODate)));
            QVERIFY(QFile::copy(数据库_, 名));
            设时间(名, QDateTime(将来.addDays(日), QTime(12, 0)));
        }
        const QDate 今天 = QDate::currentDate();
        QVERIFY(自动备份::每日备份(库, 数据库_, 今天));
        const QString 今天的 = 备份(qPrintable(今天.toString(Qt::ISODate)));
        QVERIFY(QFile::exists(今天的));
        QCOMPARE(自动备份::最新备份(数据库_), 今天的);
        QCOMPARE(自动备份::备份列表(数据库_).size(), 自动备份::保留天数);
        QVERIFY(!QFile::exists(备份(qPrintable(将来.toString(Qt::ISODate)))));
    }

    // Leftovers of a copy cut short go; a folder holding the day's name is logged and the copy
    // is written under another name.
    void leftoversAndTakenNamesAreDealtWith() {
        const QDir 目录(自动备份::备份目录(数据库_));
        QVERIFY(目录.mkpath(QStringLiteral("Quillet-2026-12-07.mdb")));
        for (const char* 残留 :
             {"Quillet-2026-12-01.mdb.part", "Quillet-2026-12-01.mdb.part-journal"}) {
            QFile 文件(目录.filePath(QLatin1String(残留)));
            QVERIFY(文件.open(QIODevice::WriteOnly));
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("is taken by")));
        QVERIFY(自动备份::每日备份(库, 数据库_, QDate(2026, 12, 7)));
        QCOMPARE(目录.entryList(QDir::Files).size(), 1);
        QVERIFY(目录.entryList(QDir::Files).at(0).startsWith(QLatin1String("Quillet-2026-12-07-")));
        QCOMPARE(自动备份::最新备份(数据库_), 目录.filePath(目录.entryList(QDir::Files).at(0)));
        // That copy is the day's: the day gets no second one.
        QVERIFY(!自动备份::每日备份(库, 数据库_, QDate(2026, 12, 7)));
    }

    // Before a delete, a copy unless the newest is less than an hour old.
    void aDeleteIsPrecededByARecentCopy() {
        添加(QStringLiteral("要删的"));
        const QDateTime 此刻(QDate(2026, 12, 7), QTime(15, 30, 12));
        QVERIFY(自动备份::删除前备份(库, 数据库_, 此刻));
        const QString 副本 = 备份("2026-12-07-153012");
        QCOMPARE(便签(副本), QStringList{QStringLiteral("要删的")});
        QVERIFY(!自动备份::删除前备份(库, 数据库_, 此刻.addSecs(60)));
        设时间(副本, QDateTime::currentDateTime().addSecs(-3601));
        QVERIFY(自动备份::删除前备份(库, 数据库_, 此刻.addSecs(3700)));
        QCOMPARE(自动备份::备份列表(数据库_).size(), 2);
    }

    void aFailedBackupIsLoggedAndLeavesNothing() {
        // A file where the folder should be: no backup can be made.
        QFile 挡路(自动备份::备份目录(数据库_));
        QVERIFY(挡路.open(QIODevice::WriteOnly));
        挡路.close();
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("No backup of the note database")));
        QVERIFY(!自动备份::每日备份(库, 数据库_, QDate(2026, 12, 7)));
        QVERIFY(自动备份::最新备份(数据库_).isEmpty());

        // The copy cannot be written (a folder stands where the temporary file goes): the
        // engine's error is logged, no copy appears, and the database goes on working.
        QVERIFY(QFile::remove(自动备份::备份目录(数据库_)));
        QVERIFY(QDir().mkpath(备份("2026-12-07") + QStringLiteral(".part/x")));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("No backup of the note database")));
        QVERIFY(!自动备份::每日备份(库, 数据库_, QDate(2026, 12, 7)));
        QVERIFY(自动备份::最新备份(数据库_).isEmpty());
        添加(QStringLiteral("照样保存"));
        QCOMPARE(便签(数据库_), QStringList{QStringLiteral("照样保存")});
    }
};

QTEST_GUILESS_MAIN(BackupTest)
#include "test_backup.moc"
