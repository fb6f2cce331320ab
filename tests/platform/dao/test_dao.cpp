// SPDX-License-Identifier: MIT
// The database engine over SQLite: opening, recordsets, statements and error passing.

#include "platform/dao/dao.h"
#include "support/testdb.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <chrono>
#include <optional>
#include <thread>

namespace {

QByteArray 文件内容(const QString& 路径) {
    QFile 文件(路径);
    return 文件.open(QIODevice::ReadOnly) ? 文件.readAll() : QByteArray();
}

void 写文件(const QString& 路径, const QByteArray& 内容) {
    QFile 文件(路径);
    QVERIFY(文件.open(QIODevice::WriteOnly));
    文件.write(内容);
}

// Runs an open that must fail; returns the error.
dao::Error 打开失败(const QString& 路径, const QString& 连接 = QString()) {
    dao::DBEngine 引擎;
    try {
        引擎.OpenDatabase(路径, false, false, 连接);
    } catch (const dao::Error& 错误) {
        return 错误;
    }
    return dao::Error(0, QString());
}

}  // namespace

class DaoTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir 目录;
    QString 路径;
    std::unique_ptr<dao::Database> 数据库;

    void 插入(const QString& 内容, int 可见 = 1) {
        数据库->Execute(QStringLiteral("INSERT INTO Tips(content,Visual,BackColor) Values('%1', "
                                       "'%2', '16777215')")
                            .arg(内容)
                            .arg(可见));
    }

    // A second connection, as another program would open, holding the write lock.
    sqlite3* 另一个程序加锁() const {
        sqlite3* 连接 = nullptr;
        if (sqlite3_open(路径.toUtf8().constData(), &连接) != SQLITE_OK ||
            sqlite3_exec(连接, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
            sqlite3_close(连接);
            return nullptr;
        }
        return 连接;
    }

  private slots:
    void init() {
        QVERIFY(目录.isValid());
        路径 = 目录.filePath(QStringLiteral("Quillet.mdb"));
        QFile::remove(路径);
        QVERIFY(testdb::创建(路径));
        数据库 = dao::DBEngine().OpenDatabase(路径, false, false, QString());
    }
    void cleanup() { 数据库.reset(); }

    void openFailuresChangeNothing() {
        数据库.reset();
        const QString 缺失 = 目录.filePath(QStringLiteral("missing.mdb"));
        dao::Error 错误 = 打开失败(缺失);
        QVERIFY(错误.Number() != 0);
        QVERIFY(错误.Description().contains(缺失));
        QVERIFY2(!QFile::exists(缺失), "a failed open must not create the file");

        const QString 垃圾 = 目录.filePath(QStringLiteral("garbage.mdb"));
        QByteArray 随机(4096, '\0');
        for (int i = 0; i < 随机.size(); ++i) {
            随机[i] = static_cast<char>((i * 131 + 7) % 251);
        }
        写文件(垃圾, 随机);
        错误 = 打开失败(垃圾);
        QCOMPARE(错误.Number(), SQLITE_NOTADB);
        QVERIFY(!错误.Description().isEmpty());
        QCOMPARE(文件内容(垃圾), 随机);
    }

    void readOnlyFileIsRefused() {
        数据库.reset();
        const QByteArray 之前 = 文件内容(路径);
        QFile::setPermissions(路径, QFileDevice::ReadOwner);
        // Windows neither deletes nor replaces a read-only file: the next test's database needs
        // the file writable again.
        const auto 恢复 = qScopeGuard(
            [&] { QFile::setPermissions(路径, QFileDevice::ReadOwner | QFileDevice::WriteOwner); });
        // Whether the file can still be opened for writing, tried rather than judged from its
        // permissions: the superuser writes through permission bits, and so does Wine run by
        // the superuser through the read-only attribute. The immutable attribute stops them.
        const auto 可写 = [&] { return QFile(路径).open(QIODevice::ReadWrite); };
        const bool 不可变 = 可写() && QProcess::execute(QStringLiteral("chattr"),
                                                        {QStringLiteral("+i"), 路径}) == 0;
        if (可写() && !不可变) {
            QSKIP("cannot make a file read-only for this user here");
        }
        const dao::Error 错误 = 打开失败(路径);
        if (不可变) {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), 路径});
        }
        QCOMPARE(错误.Number(), SQLITE_READONLY);
        QCOMPARE(文件内容(路径), 之前);
    }

    void passwordIsRefused() {
        QCOMPARE(打开失败(路径, QStringLiteral(";Pwd=secret")).Number(), 3031);
    }

    void emptyRecordset() {
        dao::Recordset 记录 = 数据库->OpenRecordset(QStringLiteral("Select * from Tips"));
        QVERIFY(记录.Eof());
        QCOMPARE(记录.RecordCount(), 0L);
        QVERIFY_THROWS_EXCEPTION(dao::Error, 记录.MoveLast());
        QVERIFY_THROWS_EXCEPTION(dao::Error, 记录.Fields(QStringLiteral("ID")));
        // A query matching nothing is an empty recordset, not an error.
        QCOMPARE(
            数据库->OpenRecordset(QStringLiteral("Select * from Tips where id = 99")).RecordCount(),
            0L);
    }

    void recordsetWalksRowsInStoredOrder() {
        插入(QStringLiteral("一"));
        插入(QStringLiteral("二"), 0);
        插入(QStringLiteral("三"));
        dao::Recordset 记录 = 数据库->OpenRecordset(QStringLiteral("Select * from Tips"));
        QVERIFY(!记录.Eof());
        QCOMPARE(记录.Fields(QStringLiteral("content")).ToText(), QStringLiteral("一"));
        QCOMPARE(记录.Fields(QStringLiteral("CONTENT")).ToText(), QStringLiteral("一"));
        QCOMPARE(记录.Fields(QStringLiteral("id")).ToText(), QStringLiteral("1"));
        记录.MoveLast();
        QCOMPARE(记录.RecordCount(), 3L);
        QCOMPARE(记录.Fields(QStringLiteral("ID")).ToText(), QStringLiteral("3"));
        记录.MoveFirst();
        记录.MoveNext();
        QCOMPARE(记录.Fields(QStringLiteral("content")).ToText(), QStringLiteral("二"));
        QCOMPARE(记录.Fields(QStringLiteral("Visual")).ToBool(), false);
        记录.MoveNext();
        QCOMPARE(记录.Fields(QStringLiteral("Visual")).ToBool(), true);
        记录.MoveNext();
        QVERIFY(记录.Eof());
        QVERIFY_THROWS_EXCEPTION(dao::Error, 记录.MoveNext());
        QVERIFY_THROWS_EXCEPTION(dao::Error, 记录.Fields(QStringLiteral("content")));
        try {
            记录.MoveFirst();
            记录.Fields(QStringLiteral("nosuchcolumn"));
            QFAIL("an unknown column must raise an error");
        } catch (const dao::Error& 错误) {
            QCOMPARE(错误.Number(), dao::错误号_无此字段);
        }
    }

    void valuesConvertAsTheProgramReadsThem() {
        数据库->Execute(QStringLiteral(
            "INSERT INTO Tips(content,BackColor,FontColor,Visual) Values('x', '16777215', "
            "'-2147483630', '1')"));
        dao::Recordset 记录 = 数据库->OpenRecordset(QStringLiteral("Select * from Tips"));
        QCOMPARE(记录.Fields(QStringLiteral("BackColor")).ToInt32(), 16777215);
        QCOMPARE(记录.Fields(QStringLiteral("BackColor")).ToText(), QStringLiteral("16777215"));
        QCOMPARE(static_cast<quint32>(记录.Fields(QStringLiteral("FontColor")).ToInt32()),
                 0x80000012u);
        QVERIFY(记录.Fields(QStringLiteral("Visual")).ToBool());
        // A missing value reads as empty text and false.
        QVERIFY(记录.Fields(QStringLiteral("CreateTime")).IsNull());
        QCOMPARE(记录.Fields(QStringLiteral("CreateTime")).ToText(), QString());
        QVERIFY(!记录.Fields(QStringLiteral("TopMost")).ToBool());
        QVERIFY_THROWS_EXCEPTION(dao::Error, 记录.Fields(QStringLiteral("content")).ToInt32());
    }

    void executeIsDurableAndReportsErrors() {
        插入(QStringLiteral("saved"));
        // Another connection sees the row at once: it is committed when Execute returns.
        sqlite3* 另一个 = nullptr;
        QCOMPARE(sqlite3_open_v2(路径.toUtf8().constData(), &另一个, SQLITE_OPEN_READONLY, nullptr),
                 SQLITE_OK);
        sqlite3_stmt* 查询 = nullptr;
        sqlite3_prepare_v2(另一个, "select count(*) from Tips", -1, &查询, nullptr);
        QCOMPARE(sqlite3_step(查询), SQLITE_ROW);
        QCOMPARE(sqlite3_column_int(查询, 0), 1);
        sqlite3_finalize(查询);
        sqlite3_close(另一个);

        try {
            数据库->Execute(QStringLiteral("INSERT INTO NoSuchTable Values('x')"));
            QFAIL("a rejected statement must raise an error");
        } catch (const dao::Error& 错误) {
            QCOMPARE(错误.Number(), SQLITE_ERROR);
            QVERIFY(错误.Description().contains(QStringLiteral("NoSuchTable")));
        }
    }

    void onlyOneStatementRunsPerCall() {
        插入(QStringLiteral("keep"));
        QVERIFY_THROWS_EXCEPTION(
            dao::Error,
            数据库->Execute(QStringLiteral("Delete from Tips where id = 1; DROP TABLE Tips")));
        QVERIFY_THROWS_EXCEPTION(
            dao::Error,
            数据库->OpenRecordset(QStringLiteral("Select * from Tips; Delete from Tips")));
        QCOMPARE(数据库->OpenRecordset(QStringLiteral("Select * from Tips")).RecordCount(), 1L);
        // A trailing semicolon alone is still one statement.
        数据库->Execute(QStringLiteral("Delete from Tips where id = 1;"));
        QCOMPARE(数据库->OpenRecordset(QStringLiteral("Select * from Tips")).RecordCount(), 0L);
    }

    void anotherProgramsLockIsWaitedFor() {
        // A second program holds the write lock for a moment; the statement waits, then runs.
        sqlite3* 另一个 = 另一个程序加锁();
        QVERIFY(另一个);
        std::thread 释放([另一个] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            sqlite3_exec(另一个, "COMMIT", nullptr, nullptr, nullptr);
        });
        插入(QStringLiteral("after the lock"));
        释放.join();
        sqlite3_close(另一个);
        QCOMPARE(数据库->OpenRecordset(QStringLiteral("Select * from Tips")).RecordCount(), 1L);
    }

    void movedOrReplacedFileIsNamed() {
        // The file is deleted, then another database is renamed to its path: writes say so
        // instead of calling the database read-only.
#ifdef Q_OS_WIN
        QSKIP("Windows neither deletes nor replaces a file that is open");
#endif
        const QString 新文件 = 目录.filePath(QStringLiteral("other.mdb"));
        for (const bool 替换 : {false, true}) {
            QVERIFY(替换 ? testdb::创建(新文件) && QFile::rename(新文件, 路径)
                         : QFile::remove(路径));
            try {
                插入(QStringLiteral("after"));
                QFAIL("a write to a file that is gone must fail");
            } catch (const dao::Error& 错误) {
                QCOMPARE(错误.类别(), dao::错误类别::文件已移动);
                QVERIFY(错误.Description().contains(路径));
            }
        }
    }

    void aReadOfAFileThatIsGoneSaysSo() {
#ifdef Q_OS_WIN
        QSKIP("Windows does not delete a file that is open");
#endif
        插入(QStringLiteral("old"));
        QVERIFY(QFile::remove(路径));
        try {
            数据库->OpenRecordset(QStringLiteral("Select * from Tips"));
            QFAIL("a read of a deleted file must fail");
        } catch (const dao::Error& 错误) {
            QCOMPARE(错误.类别(), dao::错误类别::文件已移动);
        }
    }

    // A file from elsewhere cannot have its structure written through the engine.
    void theSchemaCannotBeWrittenDirectly() {
        数据库->Execute(QStringLiteral("PRAGMA writable_schema=ON"));
        QVERIFY_THROWS_EXCEPTION(dao::Error,
                                 数据库->Execute(QStringLiteral(
                                     "UPDATE sqlite_master SET sql = 'x' where name = 'Tips'")));
        数据库->Execute(QStringLiteral("PRAGMA writable_schema=OFF"));
        QCOMPARE(数据库->OpenRecordset(QStringLiteral("Select * from Tips")).RecordCount(), 0L);
    }

    // A wait for another program's lock goes through the way of waiting that is set: it can
    // give up at once, the database cannot be used from inside it, and its end is announced.
    void aWaitCanBeGivenUpAndIsNotReentered() {
        sqlite3* 另一个 = 另一个程序加锁();
        QVERIFY(另一个);
        int 等待次数 = 0;
        int 结束次数 = 0;
        std::optional<dao::错误类别> 内部错误;
        dao::设置等待方式({[&](std::chrono::milliseconds) {
                               ++等待次数;
                               try {
                                   数据库->OpenRecordset(QStringLiteral("Select * from Tips"));
                               } catch (const dao::Error& 错误) {
                                   内部错误 = 错误.类别();
                               }
                               return 等待次数 < 3;
                           },
                           [&] { ++结束次数; }});
        const auto 恢复 = qScopeGuard([] { dao::设置等待方式({}); });
        try {
            插入(QStringLiteral("locked"));
            QFAIL("a write under another program's lock must fail when the wait gives up");
        } catch (const dao::Error& 错误) {
            QCOMPARE(错误.类别(), dao::错误类别::已锁定);
        }
        QCOMPARE(等待次数, 3);
        QCOMPARE(结束次数, 1);
        QCOMPARE(内部错误, std::optional(dao::错误类别::已锁定));
        sqlite3_exec(另一个, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(另一个);
        插入(QStringLiteral("free"));
        QCOMPARE(结束次数, 1);
    }

    void closedDatabaseRaises() {
        数据库->Close();
        QVERIFY(!数据库->IsOpen());
        QVERIFY_THROWS_EXCEPTION(dao::Error, 数据库->Execute(QStringLiteral("Delete from Tips")));
        数据库->Close();  // closing twice is harmless
    }
};

QTEST_GUILESS_MAIN(DaoTest)
#include "test_dao.moc"
