// SPDX-License-Identifier: MIT
// Note texts of every kind go through the insert and the update statements and come back exactly,
// or are refused whole with a clear error where the text cannot be stored. No text can change
// the statement it travels in: afterwards the note table holds exactly the expected rows and
// nothing else in the database has changed.
//
// The texts come from a generator with a fixed start value (QUILLET_FUZZ_SEED overrides the fixed
// default), so a failure can be repeated exactly.

#include "store/globals.h"
#include "store/statements.h"
#include "support/testdb.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <map>
#include <memory>

namespace {

const QDateTime 某时刻(QDate(2026, 12, 7), QTime(8, 0, 1));

// Pieces that would change a statement if a text were pasted in without its apostrophes doubled,
// or if a backslash, comment or other quote meant anything inside a text value.
const char16_t* const 注入片段[] = {
    u"'",
    u"''",
    u"'''",
    u"'); DROP TABLE Tips; --",
    u"', '1', '1', '1', '1', '1', '1', '1', '1'); DELETE FROM Tips; --",
    u"' OR '1'='1",
    u"' || (SELECT group_concat(sql) FROM sqlite_master) || '",
    u"\\'; DELETE FROM Tips; --",
    u"\\",
    u"\\\\'",
    u"\"",
    u"\";",
    u"`id`",
    u"; ATTACH DATABASE 'x.db' AS x; --",
    u"/*",
    u"*/",
    u"--",
    u"%s%n%d",
    u"$(id)",
    u"\\0",
    u"\\x27",
    u"\u02bc\u2019\uff07",  // apostrophe look-alikes
    u"', Visual='0', TopMost='1",
    u"' where id = 1; UPDATE Tips SET content='x",
};

class 文字生成器 {
  public:
    explicit 文字生成器(quint32 种子) : 随机_(种子) {}

    QRandomGenerator& 随机() { return 随机_; }

    // One code point from anywhere in Unicode except the surrogate range.
    char32_t 字符() {
        switch (随机_.bounded(10)) {
            case 0:  // ASCII that means something to SQL, shells or printf
                return U"'\"\\;-/*%_(),= \t\r\n$`#"[随机_.bounded(20)];
            case 1:
            case 2:
                return static_cast<char32_t>(随机_.bounded(0x20, 0x7F));
            case 3:  // C0 and C1 controls (not NUL), DEL
                return static_cast<char32_t>(随机_.bounded(3) == 0   ? 0x7F
                                             : 随机_.bounded(2) == 0 ? 随机_.bounded(1, 0x20)
                                                                     : 随机_.bounded(0x80, 0xA0));
            case 4:  // the rest of the basic plane below the surrogates
                return static_cast<char32_t>(随机_.bounded(0xA0, 0xD800));
            case 5:  // above the surrogates: private use, specials, BOM, non-characters
                return 随机_.bounded(4) == 0
                           ? U"\uFEFF\uFFFE\uFFFF\uFFFD\uFDD0\u200B\u2028\u2029\u202E"
                                 [随机_.bounded(9)]
                           : static_cast<char32_t>(随机_.bounded(0xE000, 0x10000));
            case 6:  // CJK and emoji
                return 随机_.bounded(2) == 0
                           ? static_cast<char32_t>(随机_.bounded(0x4E00, 0xA000))
                           : static_cast<char32_t>(随机_.bounded(0x1F300, 0x1FAFF));
            default:  // any astral plane, 1 to 16
                return static_cast<char32_t>(随机_.bounded(0x10000, 0x110000));
        }
    }

    QString 文字(int 长度) {
        QString 结果;
        if (随机_.bounded(50) == 0) {
            结果 += QChar(0xFEFF);  // a text may begin with what looks like a byte-order mark
        }
        while (结果.size() < 长度) {
            if (随机_.bounded(12) == 0) {
                结果 += QString::fromUtf16(
                    注入片段[随机_.bounded(static_cast<int>(std::size(注入片段)))]);
            } else {
                const char32_t 码 = 字符();
                结果 += QString::fromUcs4(&码, 1);
            }
        }
        return 结果;
    }

    QString 任意长度文字() {
        const int 档 = 随机_.bounded(100);
        return 文字(档 < 5 ? 0 : 档 < 95 ? 随机_.bounded(1, 80) : 随机_.bounded(80, 5000));
    }

    // A text that UTF-8 storage cannot carry or that SQLite would cut: a NUL somewhere, or a
    // surrogate without its partner.
    QString 不可存文字() {
        QString 结果 = 任意长度文字();
        // Never between the two halves of a pair already there, nor right after a lone high
        // half, where an inserted low half would complete it.
        auto 位置 = 随机_.bounded(结果.size() + 1);
        while (位置 > 0 && 结果[位置 - 1].isHighSurrogate()) {
            --位置;
        }
        switch (随机_.bounded(4)) {
            case 0:
                结果.insert(位置, QChar(0));
                break;
            case 1:
                结果.insert(位置, QChar(static_cast<char16_t>(随机_.bounded(0xD800, 0xDC00))));
                // not followed by a low half
                结果.insert(位置 + 1, QLatin1Char('x'));
                break;
            case 2:
                结果.insert(位置, QChar(static_cast<char16_t>(随机_.bounded(0xDC00, 0xE000))));
                break;
            default:  // a pair in the wrong order
                结果.insert(位置, QLatin1Char('x'));
                结果.insert(位置, QChar(0xD800));
                结果.insert(位置, QChar(0xDC00));
                break;
        }
        return 结果;
    }

  private:
    QRandomGenerator 随机_;
};

// Checks against the file itself, through the SQLite C API rather than the program's engine.
class 直接读 {
  public:
    explicit 直接读(const QString& 路径) {
        sqlite3_open_v2(路径.toUtf8().constData(), &db_, SQLITE_OPEN_READONLY, nullptr);
    }
    ~直接读() { sqlite3_close_v2(db_); }
    直接读(const 直接读&) = delete;
    直接读& operator=(const 直接读&) = delete;

    // Every row of a query, each column's bytes as they are stored.
    QList<QByteArrayList> 行(const char* sql) const {
        QList<QByteArrayList> 结果;
        sqlite3_stmt* 句柄 = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &句柄, nullptr) != SQLITE_OK) {
            return {{QByteArray("error: ") + sqlite3_errmsg(db_)}};
        }
        while (sqlite3_step(句柄) == SQLITE_ROW) {
            QByteArrayList 一行;
            for (int 列 = 0; 列 < sqlite3_column_count(句柄); ++列) {
                一行 << QByteArray(reinterpret_cast<const char*>(sqlite3_column_blob(句柄, 列)),
                                   sqlite3_column_bytes(句柄, 列));
            }
            结果 << 一行;
        }
        sqlite3_finalize(句柄);
        return 结果;
    }

  private:
    sqlite3* db_ = nullptr;
};

QString 说明(const QString& 文字) {
    QString 结果;
    for (QChar 字 : 文字.left(40)) {
        结果 += QStringLiteral("U+%1 ").arg(字.unicode(), 4, 16, QLatin1Char('0'));
    }
    return 结果 + QStringLiteral("(%1 units)").arg(文字.size());
}

}  // namespace

class FuzzedTextsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> 目录_;
    QString 库路径_;
    数据库操作模块& 库_ = 自定义变量::全局数据库();
    std::map<qint64, QString> 期望_;  // id -> the text the row must hold
    QList<QByteArrayList> 结构_;      // the schema before any note was written

    qint64 行数() {
        dao::Recordset 记录 =
            库_.数据库_查找_语句(QStringLiteral("Select count(*) AS n from Tips"));
        return 记录.Fields(QStringLiteral("n")).ToInt32();
    }

    QString 读内容(qint64 编号) {
        dao::Recordset 记录 = 库_.数据库_查找_语句(store::单个便签语句(QString::number(编号)));
        return 记录.Fields(QStringLiteral("content")).ToText();
    }

    // Inserts a text the store can hold; returns the new row's id (0 after a failed check).
    qint64 存新(const QString& 文字) {
        const store::便签值 值{文字, 16777215, 255, 30};
        bool 结果 = false;
        try {
            结果 = 库_.数据库_添加_语句(store::新建便签语句(值, 某时刻));
        } catch (const dao::Error& 错误) {
            qWarning("insert refused: %d %s -- %s", 错误.Number(),
                     qPrintable(错误.Description().left(200)), qPrintable(说明(文字)));
        }
        if (!结果) {
            return 0;
        }
        dao::Recordset 记录 = 库_.数据库_查找_语句(
            QStringLiteral("Select * from Tips where id = (Select max(id) from Tips)"));
        const qint64 编号 = 记录.Fields(QStringLiteral("ID")).ToInt32();
        期望_[编号] = 文字;
        return 编号;
    }

    bool 改(qint64 编号, const QString& 文字) {
        const store::便签值 值{文字, 0, 16777215, 90};
        try {
            if (库_.数据库_添加_语句(
                    store::修改便签语句(值, 某时刻.addSecs(60), static_cast<std::int32_t>(编号)))) {
                期望_[编号] = 文字;
                return true;
            }
        } catch (const dao::Error& 错误) {
            qWarning("update refused: %d %s -- %s", 错误.Number(),
                     qPrintable(错误.Description().left(200)), qPrintable(说明(文字)));
        }
        return false;
    }

    // A text that cannot be stored is refused by both statements with an error that says why,
    // and changes nothing.
    void 必须拒绝(const QString& 文字, qint64 已有编号) {
        const qint64 之前 = 行数();
        for (int 语句 = 0; 语句 < 2; ++语句) {
            const store::便签值 值{文字, 1, 2, 0};
            const QString sql =
                语句 == 0 ? store::新建便签语句(值, 某时刻)
                          : store::修改便签语句(值, 某时刻, static_cast<std::int32_t>(已有编号));
            bool 抛出 = false;
            try {
                库_.数据库_添加_语句(sql);
            } catch (const dao::Error& 错误) {
                抛出 = true;
                const QString& 原因 = 错误.Description();
                QVERIFY2(原因.contains(QLatin1String("NUL")) ||
                             原因.contains(QLatin1String("surrogate")),
                         qPrintable(原因.left(200)));
            }
            QVERIFY2(抛出, qPrintable(QStringLiteral("stored without an error: ") + 说明(文字)));
        }
        QCOMPARE(行数(), 之前);
        QCOMPARE(读内容(已有编号), 期望_.at(已有编号));
    }

  private slots:
    void initTestCase() {
        // A memory file system keeps twenty thousand durable writes quick; any folder works.
        const QString 内存盘 = QStringLiteral("/dev/shm");
        目录_ =
            QFileInfo(内存盘).isWritable()
                ? std::make_unique<QTemporaryDir>(内存盘 + QStringLiteral("/quillet-fuzz-XXXXXX"))
                : std::make_unique<QTemporaryDir>();
        QVERIFY(目录_->isValid());
        库路径_ = testdb::创建并打开(目录_->path());
        QVERIFY(!库路径_.isEmpty());
        结构_ =
            直接读(库路径_).行("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name");
        QVERIFY(!结构_.isEmpty());
    }

    // Code points from every plane, at the edges of each, one plane per note.
    void everyPlaneRoundTrips() {
        for (char32_t 平面 = 0; 平面 <= 0x10; ++平面) {
            QString 文字;
            for (char32_t 低位 : {0x0000u, 0x0001u, 0x0041u, 0x7FFFu, 0xFFFDu, 0xFFFEu, 0xFFFFu}) {
                const char32_t 码 = (平面 << 16) | 低位;
                if (码 == 0) {
                    continue;  // NUL is refused, see below
                }
                文字 += QString::fromUcs4(&码, 1);
            }
            const qint64 编号 = 存新(文字);
            QVERIFY2(编号 > 0, qPrintable(说明(文字)));
            QCOMPARE(读内容(编号), 文字);
        }
        for (const QString& 文字 : {QStringLiteral("\uD7FF\uE000"), QStringLiteral("\uFEFF"),
                                    QStringLiteral("\uFEFFit's"), QString(), QStringLiteral(" "),
                                    QStringLiteral("\U0010FFFF")}) {
            const qint64 编号 = 存新(文字);
            QVERIFY2(编号 > 0, qPrintable(说明(文字)));
            QCOMPARE(读内容(编号), 文字);
        }
    }

    // Ten thousand generated texts, each inserted, read back, then replaced by another through the
    // update statement and read back again. One in twenty cannot be stored and must be refused.
    void seededTextsRoundTrip() {
        const quint32 种子 =
            qEnvironmentVariableIsSet("QUILLET_FUZZ_SEED")
                ? static_cast<quint32>(qEnvironmentVariableIntValue("QUILLET_FUZZ_SEED"))
                : 20261207u;
        qInfo("random start %u (set QUILLET_FUZZ_SEED to try others)", 种子);
        文字生成器 生成(种子);
        int 存入 = 0;
        int 拒绝 = 0;
        for (int 次 = 0; 次 < 10000; ++次) {
            if (生成.随机().bounded(20) == 0) {
                必须拒绝(生成.不可存文字(), 期望_.begin()->first);
                ++拒绝;
            } else {
                const QString 新文字 = 生成.任意长度文字();
                const qint64 编号 = 存新(新文字);
                QVERIFY2(编号 > 0, qPrintable(QStringLiteral("text %1: ").arg(次) + 说明(新文字)));
                QCOMPARE(读内容(编号), 新文字);
                const QString 改后 = 生成.任意长度文字();
                QVERIFY2(改(编号, 改后),
                         qPrintable(QStringLiteral("text %1: ").arg(次) + 说明(改后)));
                QCOMPARE(读内容(编号), 改后);
                ++存入;
            }
            if (QTest::currentTestFailed()) {
                qWarning("failed at text %d of random start %u", 次, 种子);
                return;
            }
        }
        qInfo("%d texts stored and changed, %d refused", 存入, 拒绝);
        QVERIFY(拒绝 > 300);
    }

    // Megabyte texts: apostrophes only (the statement doubles every one), astral characters
    // only, and a random mixture; one with a NUL at its very end is refused.
    void megabyteTexts() {
        文字生成器 生成(7);
        const QString 撇号(1 << 20, QLatin1Char('\''));
        QString 星 = QString();
        for (int i = 0; i < (1 << 18); ++i) {
            const char32_t 码 = 0x1F600 + static_cast<char32_t>(i % 80);
            星 += QString::fromUcs4(&码, 1);
        }
        const QString 混合 = 生成.文字(1 << 19);
        for (const QString& 文字 : {撇号, 星, 混合}) {
            const qint64 编号 = 存新(文字);
            QVERIFY2(编号 > 0, qPrintable(说明(文字)));
            QCOMPARE(读内容(编号), 文字);
            QVERIFY(改(编号, 撇号 + 混合));
            QCOMPARE(读内容(编号), 撇号 + 混合);
        }
        必须拒绝(混合 + QChar(0), 期望_.begin()->first);
    }

    // Read the file directly: exactly the expected rows, each text stored byte for byte as its
    // UTF-8, the fixed columns as every insert writes them, and the rest of the database as it was.
    void fileHoldsExactlyTheExpectedRows() {
        库_.关闭数据库();
        const 直接读 文件(库路径_);
        QCOMPARE(文件.行("PRAGMA integrity_check"), QList<QByteArrayList>{{"ok"}});
        QCOMPARE(文件.行("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name"),
                 结构_);
        const QList<QByteArrayList> 行 = 文件.行(
            "SELECT ID, typeof(content), content, Deleted, Visual, TopMost FROM Tips ORDER BY ID");
        QCOMPARE(行.size(), static_cast<qsizetype>(期望_.size()));
        auto 期望 = 期望_.begin();
        for (const QByteArrayList& 列 : 行) {
            QCOMPARE(列.size(), 6);
            QCOMPARE(列[0].toLongLong(), 期望->first);
            QCOMPARE(列[1], QByteArray("text"));
            if (列[2] != 期望->second.toUtf8()) {
                QFAIL(qPrintable(
                    QStringLiteral("row %1 holds other bytes than the text ").arg(期望->first) +
                    说明(期望->second)));
            }
            QCOMPARE(列.mid(3), (QByteArrayList{"0", "1", "0"}));
            ++期望;
        }
        // The numbering table only counts the inserts that were carried out.
        QCOMPARE(文件.行("SELECT name, seq FROM sqlite_sequence"),
                 (QList<QByteArrayList>{{"Tips", QByteArray::number(期望_.rbegin()->first)}}));
    }
};

QTEST_GUILESS_MAIN(FuzzedTextsTest)
#include "test_fuzzed_texts.moc"
