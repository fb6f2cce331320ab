// SPDX-License-Identifier: MIT
// Saves survive a process that is killed at any moment, and two programs can save into one
// note database at the same time. The saving is done by a separate driver program that uses the
// program's own store code; the database is checked afterwards with the SQLite C API alone.

#include "save_driver.h"
#include "support/testdb.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <map>
#include <set>

namespace {

// One note database file, opened read-write the way any other program would open it (so a
// journal left behind by a killed writer is rolled back first, as SQLite does for every reader).
class 检查库 {
  public:
    explicit 检查库(const QString& 路径) {
        代码_ = sqlite3_open_v2(路径.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        if (代码_ == SQLITE_OK) {
            sqlite3_busy_timeout(db_, 10000);
        }
    }
    ~检查库() { sqlite3_close_v2(db_); }
    检查库(const 检查库&) = delete;
    检查库& operator=(const 检查库&) = delete;

    bool 已打开() const { return 代码_ == SQLITE_OK; }
    QString 错误() const { return QString::fromUtf8(sqlite3_errmsg(db_)); }

    // The first column of every row of a query, as text; an error gives the text "error: ...".
    QStringList 查询(const char* sql) const {
        sqlite3_stmt* 句柄 = nullptr;
        QStringList 结果;
        if (sqlite3_prepare_v2(db_, sql, -1, &句柄, nullptr) != SQLITE_OK) {
            return {QStringLiteral("error: ") + 错误()};
        }
        int 代码;
        while ((代码 = sqlite3_step(句柄)) == SQLITE_ROW) {
            结果 << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(句柄, 0)),
                                      sqlite3_column_bytes(句柄, 0));
        }
        if (代码 != SQLITE_DONE) {
            结果 << QStringLiteral("error: ") + 错误();
        }
        sqlite3_finalize(句柄);
        return 结果;
    }

  private:
    sqlite3* db_ = nullptr;
    int 代码_ = SQLITE_OK;
};

// The saves a driver reported: only whole lines count, a line cut by the kill does not.
std::vector<long> 已报告(const QByteArray& 输出, const QString& 标记) {
    std::vector<long> 序号;
    const QByteArray 前缀 = 标记.toUtf8() + ' ';
    qsizetype 起 = 0;
    for (qsizetype 止; (止 = 输出.indexOf('\n', 起)) >= 0; 起 = 止 + 1) {
        const QByteArray 行 = 输出.mid(起, 止 - 起);
        if (行.startsWith(前缀)) {
            序号.push_back(行.mid(前缀.size()).toLong());
        }
    }
    return 序号;
}

// Tag and sequence number of a stored note text ("TAG n:body."), or {} when it has another form.
std::optional<std::pair<QString, long>> 解析(const QString& 文字) {
    const qsizetype 空格 = 文字.indexOf(QLatin1Char(' '));
    const qsizetype 冒号 = 文字.indexOf(QLatin1Char(':'));
    if (空格 <= 0 || 冒号 <= 空格) {
        return std::nullopt;
    }
    bool 是数 = false;
    const long 序号 = 文字.mid(空格 + 1, 冒号 - 空格 - 1).toLong(&是数);
    if (!是数) {
        return std::nullopt;
    }
    return std::make_pair(文字.left(空格), 序号);
}

}  // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

    QTemporaryDir 目录_;

    QString 新库(const QString& 名字) {
        const QString 路径 = 目录_.filePath(名字);
        return testdb::创建(路径) ? 路径 : QString();
    }

    static void 启动(QProcess& 进程, const QString& 库, const QString& 标记, int 次数) {
        进程.setProgram(QStringLiteral(SAVE_DRIVER));
        进程.setArguments({库, 标记, QString::number(次数)});
        进程.start();
    }

  private slots:
    void initTestCase() { QVERIFY(目录_.isValid()); }

    // The driver is killed with SIGKILL a hundred times: sometimes while it opens the database
    // (and rolls back what the previous kill left), mostly in the middle of its saves. After
    // every kill the file must pass SQLite's integrity check, every save the driver reported must
    // be there with its whole text, and nothing but whole saves may be there.
    void killedWritersLoseNoReportedSave() {
        const QString 库 = 新库(QStringLiteral("killed.mdb"));
        QVERIFY(!库.isEmpty());
        const quint32 种子 = qEnvironmentVariableIsSet("QUILLET_SEED")
                                 ? qEnvironmentVariableIntValue("QUILLET_SEED")
                                 : QRandomGenerator::global()->generate();
        qInfo("random start %u (set QUILLET_SEED to repeat)", 种子);
        QRandomGenerator 随机(种子);

        std::map<QString, std::set<long>> 必有;  // reported saves of every run
        int 有保存的轮 = 0;
        long 报告总数 = 0;
        long 行数 = 0;
        for (int 轮 = 0; 轮 < 100; ++轮) {
            const QString 标记 = QStringLiteral("r%1").arg(轮);
            QProcess 进程;
            启动(进程, 库, 标记, 0);
            QVERIFY2(进程.waitForStarted(10000), qPrintable(进程.errorString()));
            QElapsedTimer 计时;
            计时.start();
            // Even rounds count from the start of the process, so some kills hit the opening;
            // odd rounds count from the first reported save, so the kill lands among saves.
            const int 延迟 = 随机.bounded(20, 121);
            QByteArray 输出;
            if (轮 % 2 == 1) {
                while (已报告(输出, 标记).empty()) {
                    if (!进程.waitForReadyRead(10000)) {
                        QFAIL(qPrintable(QStringLiteral("the driver never reported a save: ") +
                                         QString::fromLocal8Bit(进程.readAllStandardError())));
                    }
                    输出 += 进程.readAllStandardOutput();
                }
                计时.restart();
            }
            while (计时.elapsed() < 延迟 && 进程.state() == QProcess::Running) {
                进程.waitForReadyRead(static_cast<int>(qMax<qint64>(1, 延迟 - 计时.elapsed())));
                输出 += 进程.readAllStandardOutput();
            }
            进程.kill();  // SIGKILL
            QVERIFY(进程.waitForFinished(10000));
            输出 += 进程.readAllStandardOutput();
            QVERIFY2(进程.exitStatus() == QProcess::CrashExit,
                     qPrintable(QStringLiteral("the driver stopped by itself: ") +
                                QString::fromLocal8Bit(进程.readAllStandardError())));

            const std::vector<long> 报告 = 已报告(输出, 标记);
            必有[标记].insert(报告.begin(), 报告.end());
            报告总数 += static_cast<long>(报告.size());
            有保存的轮 += 报告.empty() ? 0 : 1;

            检查库 检查(库);
            QVERIFY2(检查.已打开(), qPrintable(检查.错误()));
            QCOMPARE(检查.查询("PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});
            std::map<QString, std::set<long>> 已存;
            const QStringList 内容 = 检查.查询("SELECT content FROM Tips ORDER BY ID");
            for (const QString& 文字 : 内容) {
                const auto 标识 = 解析(文字);
                QVERIFY2(标识.has_value(), qPrintable(文字.left(200)));
                // A stored text is always a whole one: no torn or mixed note.
                QCOMPARE(文字, save_driver::内容(标识->first, 标识->second));
                QVERIFY2(已存[标识->first].insert(标识->second).second, "a save stored twice");
            }
            for (const auto& [某标记, 序号们] : 必有) {
                for (long 序号 : 序号们) {
                    QVERIFY2(
                        已存[某标记].count(序号) == 1,
                        qPrintable(QStringLiteral("reported save %1 %2 is missing after kill %3")
                                       .arg(某标记)
                                       .arg(序号)
                                       .arg(轮)));
                }
            }
            // Besides the reported saves, a run may have stored only the one it was in when
            // killed, and saves follow one another without gaps.
            const std::set<long>& 本轮 = 已存[标记];
            QVERIFY(本轮.size() <= 必有[标记].size() + 1);
            if (!本轮.empty()) {
                QCOMPARE(*本轮.rbegin() + 1, static_cast<long>(本轮.size()));
            }
            行数 = 内容.size();
        }
        qInfo("%d of 100 runs reported saves, %ld saves reported, %ld rows kept", 有保存的轮,
              报告总数, 行数);
        // The odd rounds wait for a first save before the kill, so at least those have saves.
        QVERIFY(有保存的轮 >= 50);
    }

    // Two programs save 500 notes each into one database at the same time. Each one's writes
    // wait out the other's lock: no error, and all 1,000 notes are there once each.
    void twoWritersAtOnce() {
        const QString 库 = 新库(QStringLiteral("shared.mdb"));
        QVERIFY(!库.isEmpty());
        QProcess 甲;
        QProcess 乙;
        启动(甲, 库, QStringLiteral("A"), 500);
        启动(乙, 库, QStringLiteral("B"), 500);
        for (QProcess* 进程 : {&甲, &乙}) {
            QVERIFY(进程->waitForFinished(180000));
            QCOMPARE(进程->exitStatus(), QProcess::NormalExit);
            const QByteArray 错误 = 进程->readAllStandardError();
            QVERIFY2(错误.isEmpty(), 错误.constData());
            QCOMPARE(进程->exitCode(), 0);
        }
        QCOMPARE(已报告(甲.readAllStandardOutput(), QStringLiteral("A")).size(), std::size_t{500});
        QCOMPARE(已报告(乙.readAllStandardOutput(), QStringLiteral("B")).size(), std::size_t{500});

        检查库 检查(库);
        QVERIFY2(检查.已打开(), qPrintable(检查.错误()));
        QCOMPARE(检查.查询("PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});
        std::map<QString, std::set<long>> 已存;
        const QStringList 内容 = 检查.查询("SELECT content FROM Tips");
        QCOMPARE(内容.size(), 1000);
        for (const QString& 文字 : 内容) {
            const auto 标识 = 解析(文字);
            QVERIFY(标识.has_value());
            QCOMPARE(文字, save_driver::内容(标识->first, 标识->second));
            已存[标识->first].insert(标识->second);
        }
        QCOMPARE(已存[QStringLiteral("A")].size(), std::size_t{500});
        QCOMPARE(已存[QStringLiteral("B")].size(), std::size_t{500});
        QCOMPARE(*已存[QStringLiteral("A")].rbegin(), 499L);
        QCOMPARE(*已存[QStringLiteral("B")].rbegin(), 499L);
    }
};

QTEST_GUILESS_MAIN(CrashSafetyTest)
#include "test_crash_safety.moc"
