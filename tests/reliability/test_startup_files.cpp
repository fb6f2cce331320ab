// SPDX-License-Identifier: MIT
// The real program started on a note database it cannot use: missing, empty, random bytes,
// files of other formats, a damaged database, a read-only file, a read-only folder, a full file
// system. Each time the user is told in a message box, the process ends by itself without a
// crash, and the file is exactly as it was.
//
// The program runs offscreen from a folder holding a copy of it and the Quillet.mdb under test.
// A small probe library loaded with LD_PRELOAD reports the message boxes and windows it shows
// and answers them (see window_probe.cpp).

#include "support/testdb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <sys/statvfs.h>

namespace {

QByteArray 读(const QString& 路径) {
    QFile 文件(路径);
    return 文件.open(QIODevice::ReadOnly) ? 文件.readAll() : QByteArray();
}

bool 写(const QString& 路径, const QByteArray& 内容) {
    QFile 文件(路径);
    return 文件.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           文件.write(内容) == 内容.size() && 文件.flush();
}

// chattr +i / -i: the only way to make a file read-only for root.
bool 不可改(const QString& 路径, bool 开) {
    return QProcess::execute(QStringLiteral("chattr"),
                             {开 ? QStringLiteral("+i") : QStringLiteral("-i"), 路径}) == 0;
}

// A ZIP archive holding one stored file "a.txt" with the text "note".
QByteArray 压缩包() {
    return QByteArray::fromHex(
        "504b03041400000000000040875d14fabdcf040000000400000005000000612e7478746e6f7465504b0102"
        "14031400000000000040875d14fabdcf04000000040000000500000000000000000000008001000000006"
        "12e747874504b0506000000000100010033000000270000000000");
}

const QByteArray 数据库转储 =
    "--\n-- PostgreSQL database dump\n--\n\nSET statement_timeout = 0;\n"
    "SET client_encoding = 'UTF8';\n\nCREATE TABLE public.tips (\n    id integer NOT NULL,\n"
    "    content text\n);\n\nCOPY public.tips (id, content) FROM stdin;\n1\tit's\n\\.\n\n"
    "--\n-- PostgreSQL database dump complete\n--\n";

// A Berkeley DB B-tree meta page: the magic number 0x053162 at offset 12.
QByteArray 伯克利库() {
    QByteArray 页(4096, '\0');
    const QByteArray 魔数 = QByteArray::fromHex("62310500");
    页.replace(12, 4, 魔数);
    页[16] = 9;                                          // version
    页.replace(20, 4, QByteArray::fromHex("00100000"));  // page size 4096
    return 页;
}

// The first page of a database in the older desktop "Jet" format.
QByteArray 旧格式库() {
    QByteArray 页(4096, '\0');
    页.replace(0, 20, QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20));
    return 页;
}

QByteArray 随机字节(int 长度, quint32 种子) {
    QRandomGenerator 随机(种子);
    QByteArray 结果(长度, '\0');
    随机.fillRange(reinterpret_cast<quint32*>(结果.data()), 长度 / 4);
    return 结果;
}

struct 运行结果 {
    bool 结束 = false;
    QProcess::ExitStatus 状态 = QProcess::NormalExit;
    int 退出码 = -1;
    QStringList 消息;  // "icon|title|text" of every message box
    QStringList 窗口;  // titles of the other windows
    QString 错误输出;
};

}  // namespace

class StartupFilesTest : public QObject {
    Q_OBJECT

    QByteArray 好库_;  // an empty note database as the database tool makes it

    // Runs the copy of the program in 目录 and collects what the probe reports.
    static 运行结果 运行(const QString& 目录) {
        QProcess 进程;
        QProcessEnvironment 环境 = QProcessEnvironment::systemEnvironment();
        环境.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        环境.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(WINDOW_PROBE));
        // Under AddressSanitizer the probe comes before the sanitizer's own library.
        环境.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0"));
        进程.setProcessEnvironment(环境);
        进程.setWorkingDirectory(QDir::tempPath());  // the program finds its database by itself
        进程.start(QDir(目录).filePath(QStringLiteral("quillet")), {});
        运行结果 结果;
        结果.结束 = 进程.waitForFinished(60000);
        if (!结果.结束) {
            进程.kill();
            进程.waitForFinished(5000);
        }
        结果.状态 = 进程.exitStatus();
        结果.退出码 = 进程.exitCode();
        结果.错误输出 = QString::fromUtf8(进程.readAllStandardError());
        for (const QString& 行 : 结果.错误输出.split(QLatin1Char('\n'))) {
            static const QRegularExpression 消息式(
                QStringLiteral("^probe: message-box icon=(\\d+) title=(.*) text=(.*)$"));
            static const QRegularExpression 窗口式(
                QStringLiteral("^probe: window class=\\S+ title=(.*)$"));
            if (const auto 配 = 消息式.match(行); 配.hasMatch()) {
                结果.消息 << 配.captured(1) + QLatin1Char('|') + 配.captured(2) + QLatin1Char('|') +
                                 配.captured(3);
            } else if (const auto 配2 = 窗口式.match(行); 配2.hasMatch()) {
                结果.窗口 << 配2.captured(1);
            }
        }
        return 结果;
    }

    // A folder with a copy of the program and, unless 内容 is null, a Quillet.mdb holding it.
    static bool 准备(const QString& 目录, const std::optional<QByteArray>& 内容) {
        if (!QFile::copy(QStringLiteral(QUILLET_PROGRAM),
                         QDir(目录).filePath(QStringLiteral("quillet")))) {
            return false;
        }
        return !内容 || 写(QDir(目录).filePath(QStringLiteral("Quillet.mdb")), *内容);
    }

    // The program told the user that the database cannot be used, and ended by itself.
    static void 应报告(const 运行结果& 结果, const QString& 目录) {
        QVERIFY2(结果.结束,
                 qPrintable(QStringLiteral("the program did not end: ") + 结果.错误输出));
        QVERIFY2(结果.状态 == QProcess::NormalExit,
                 qPrintable(QStringLiteral("the program crashed: ") + 结果.错误输出));
        QVERIFY2(结果.退出码 != 0, qPrintable(结果.错误输出));
        QCOMPARE(结果.消息.size(), 1);
        const QStringList 部分 = 结果.消息.front().split(QLatin1Char('|'));
        QCOMPARE(部分.value(0).toInt(), 3);  // QMessageBox::Critical
        QCOMPARE(部分.value(1), QStringLiteral("Quillet-4862"));
        const QString 文字 = 部分.mid(2).join(QLatin1Char('|'));
        QVERIFY2(文字.contains(QStringLiteral("便签数据库")) &&
                     文字.contains(QStringLiteral("Quillet.mdb")),
                 qPrintable(文字));
        QVERIFY2(结果.窗口.isEmpty(), qPrintable(结果.窗口.join(QLatin1Char(','))));
        QVERIFY(QDir(目录).entryList({QStringLiteral("core*")}, QDir::Files).isEmpty());
    }

  private slots:
    void initTestCase() {
        QTemporaryDir 目录;
        QVERIFY(testdb::创建(目录.filePath(QStringLiteral("good.mdb"))));
        好库_ = 读(目录.filePath(QStringLiteral("good.mdb")));
        QVERIFY(好库_.startsWith("SQLite format 3"));
    }

    void badFileIsReportedAndLeftAlone_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << false << QByteArray();
        QTest::newRow("empty") << true << QByteArray();
        QTest::newRow("one byte") << true << QByteArray("\n");
        QTest::newRow("random bytes") << true << 随机字节(65536, 1);
        QTest::newRow("zip archive") << true << 压缩包();
        QTest::newRow("postgresql dump") << true << 数据库转储;
        QTest::newRow("berkeley db") << true << 伯克利库();
        QTest::newRow("jet database") << true << 旧格式库();
        QTest::newRow("text file") << true << QByteArray("it's a note\n");
        // A real note database cut short, one whose first page is intact but the rest not, and
        // one without the note table.
        QTest::newRow("truncated") << true << QByteArray();
        QTest::newRow("damaged pages") << true << QByteArray();
        QTest::newRow("no Tips table") << true << QByteArray();
    }
    void badFileIsReportedAndLeftAlone() {
        QFETCH(bool, exists);
        QFETCH(QByteArray, content);
        const QString 行名 = QString::fromLatin1(QTest::currentDataTag());
        if (行名 == QLatin1String("truncated")) {
            content = 好库_.left(1000);
        } else if (行名 == QLatin1String("damaged pages")) {
            content = 好库_.left(100) + 随机字节(static_cast<int>(好库_.size()) - 100, 2);
        } else if (行名 == QLatin1String("no Tips table")) {
            QTemporaryDir 临时;
            const QString 路径 = 临时.filePath(QStringLiteral("x.mdb"));
            QVERIFY(testdb::创建(路径));
            QCOMPARE(QProcess::execute(QStringLiteral("sqlite3"),
                                       {路径, QStringLiteral("ALTER TABLE Tips RENAME TO Other")}),
                     0);
            content = 读(路径);
        }
        QTemporaryDir 目录;
        QVERIFY(准备(目录.path(), exists ? std::optional<QByteArray>(content) : std::nullopt));
        const QStringList 之前 = QDir(目录.path()).entryList(QDir::Files | QDir::Hidden);
        应报告(运行(目录.path()), 目录.path());
        if (exists) {
            QVERIFY2(读(目录.filePath(QStringLiteral("Quillet.mdb"))) == content,
                     "the file changed");
        } else {
            QVERIFY2(!QFileInfo::exists(目录.filePath(QStringLiteral("Quillet.mdb"))),
                     "a database was created");
        }
        QCOMPARE(QDir(目录.path()).entryList(QDir::Files | QDir::Hidden), 之前);
    }

    // A database the program may read but not write. A read-only file is refused at start
    // (every save would fail); in a read-only folder the notes can still be read, so the program
    // may start or refuse, but it must not crash and must leave the file alone.
    void readOnlyPlaces_data() {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("good");
        QTest::newRow("read-only file") << false << true;
        QTest::newRow("read-only folder, good file") << true << true;
        QTest::newRow("read-only folder, random bytes") << true << false;
    }
    void readOnlyPlaces() {
        QFETCH(bool, folder);
        QFETCH(bool, good);
        QTemporaryDir 目录;
        const QByteArray 内容 = good ? 好库_ : 随机字节(8192, 3);
        QVERIFY(准备(目录.path(), 内容));
        const QString 库 = 目录.filePath(QStringLiteral("Quillet.mdb"));
        const QString 锁定 = folder ? 目录.path() : 库;
        if (!不可改(锁定, true)) {
            QSKIP("chattr +i is not supported here, so root cannot be kept from writing");
        }
        const 运行结果 结果 = 运行(目录.path());
        QVERIFY(不可改(锁定, false));
        qInfo("messages: %s; windows: %s", qPrintable(结果.消息.join(QLatin1Char(';'))),
              qPrintable(结果.窗口.join(QLatin1Char(';'))));
        if (folder && good && 结果.消息.isEmpty()) {
            QVERIFY2(结果.结束 && 结果.状态 == QProcess::NormalExit, qPrintable(结果.错误输出));
            QCOMPARE(结果.退出码, 0);
            QCOMPARE(结果.窗口.size(), 1);
        } else {
            应报告(结果, 目录.path());
        }
        QVERIFY2(读(库) == 内容, "the file changed");
    }

    // A file system with no byte left: the start reads only, so a good database starts or is
    // refused with a message, a bad one is refused; nothing crashes and nothing is changed.
    void fullFileSystem_data() {
        QTest::addColumn<bool>("good");
        QTest::newRow("good file") << true;
        QTest::newRow("random bytes") << false;
    }
    void fullFileSystem() {
        QFETCH(bool, good);
        QTemporaryDir 挂载点;
        const qint64 程序大小 = QFileInfo(QStringLiteral(QUILLET_PROGRAM)).size();
        const QByteArray 选项 =
            "size=" + QByteArray::number((程序大小 + qint64{2} * 1024 * 1024) / 4096 * 4096);
        if (mount("tmpfs", 挂载点.path().toUtf8().constData(), "tmpfs", 0, 选项.constData()) != 0) {
            QSKIP(qPrintable(QStringLiteral("cannot mount a small tmpfs here (%1); this needs root "
                                            "with CAP_SYS_ADMIN")
                                 .arg(QString::fromLocal8Bit(strerror(errno)))));
        }
        struct 卸载 {
            QString 点;
            ~卸载() { umount2(点.toUtf8().constData(), MNT_DETACH); }
        } 卸载器{挂载点.path()};
        const QByteArray 内容 = good ? 好库_ : 随机字节(8192, 4);
        QVERIFY(准备(挂载点.path(), 内容));
        // Fill every remaining byte.
        {
            QFile 填充(挂载点.filePath(QStringLiteral("filler")));
            QVERIFY(填充.open(QIODevice::WriteOnly));
            const QByteArray 块(4096, 'x');
            while (填充.write(块) == 块.size() && 填充.flush()) {
            }
            填充.close();
            QByteArray 字节(1, 'y');
            while (填充.open(QIODevice::Append) && 填充.write(字节) == 1 && 填充.flush()) {
                填充.close();
            }
        }
        struct statvfs 信息 {};
        QCOMPARE(statvfs(挂载点.path().toUtf8().constData(), &信息), 0);
        QCOMPARE(信息.f_bavail, 0UL);
        const 运行结果 结果 = 运行(挂载点.path());
        qInfo("messages: %s; windows: %s", qPrintable(结果.消息.join(QLatin1Char(';'))),
              qPrintable(结果.窗口.join(QLatin1Char(';'))));
        if (good && 结果.消息.isEmpty()) {
            QVERIFY2(结果.结束 && 结果.状态 == QProcess::NormalExit, qPrintable(结果.错误输出));
            QCOMPARE(结果.退出码, 0);
            QCOMPARE(结果.窗口.size(), 1);
        } else {
            应报告(结果, 挂载点.path());
        }
        QVERIFY2(读(挂载点.filePath(QStringLiteral("Quillet.mdb"))) == 内容, "the file changed");
    }
};

QTEST_GUILESS_MAIN(StartupFilesTest)
#include "test_startup_files.moc"
