// The daily backups of the note database: one a day, complete copies, the newest seven kept,
// and a backup that fails never stops the program.

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

    void theNewestSevenAreKept() {
        QVERIFY(QDir().mkpath(自动备份::备份目录(数据库_)));
        // A file of the user's own in the folder is no backup and stays.
        const QString 别的 = QDir(自动备份::备份目录(数据库_)).filePath(QStringLiteral("保留.txt"));
        QFile 文件(别的);
        QVERIFY(文件.open(QIODevice::WriteOnly));
        文件.close();
        for (int 日 = 1; 日 <= 10; ++日) {
            QVERIFY(自动备份::每日备份(库, 数据库_, QDate(2026, 11, 20 + 日)));
        }
        QStringList 应有;
        for (int 日 = 24; 日 <= 30; ++日) {
            应有.append(备份(QStringLiteral("2026-11-%1").arg(日).toLatin1().constData()));
        }
        QCOMPARE(自动备份::备份列表(数据库_), 应有);
        QVERIFY(QFile::exists(别的));
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
