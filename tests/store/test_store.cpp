// SPDX-License-Identifier: MIT
// The note statements, their value formatting, and the database module that runs them.

#include "store/globals.h"
#include "store/statements.h"
#include "support/testdb.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

namespace {

const QDateTime 某时刻(QDate(2026, 3, 9), QTime(14, 5, 7));

store::便签值 值(const QString& 内容, int 背景 = 12648447, int 字体 = 0, int 透明度 = 20) {
    return {内容, 背景, 字体, 透明度};
}

}  // namespace

class StoreTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir 目录;
    数据库操作模块& 库 = 自定义变量::全局数据库();

    dao::Recordset 读(int 编号) {
        return 库.数据库_查找_语句(store::单个便签语句(QString::number(编号)));
    }

    int 最后编号() {
        dao::Recordset 记录 = 库.数据库_查找_语句(store::全部便签语句());
        记录.MoveLast();
        return 记录.Fields(QStringLiteral("ID")).ToInt32();
    }

    // A copy of the empty database with the statements of another tool run on it.
    QString 外来文件(const QString& 名称, const QString& 语句) {
        const QString 文件 = 目录.filePath(名称);
        QFile::remove(文件);
        if (!QFile::copy(目录.filePath(QStringLiteral("Quillet.mdb")), 文件)) {
            return {};
        }
        sqlite3* 连接 = nullptr;
        sqlite3_open(文件.toUtf8().constData(), &连接);
        const int 代码 = sqlite3_exec(连接, 语句.toUtf8().constData(), nullptr, nullptr, nullptr);
        sqlite3_close(连接);
        return 代码 == SQLITE_OK ? 文件 : QString();
    }

  private slots:
    void init() {
        QVERIFY(目录.isValid());
        QFile::remove(目录.filePath(QStringLiteral("Quillet.mdb")));
        QVERIFY(!testdb::创建并打开(目录.path()).isEmpty());
    }
    // Windows deletes no file that is open: the next test's database takes this one's place.
    void cleanup() { 库.关闭数据库(); }

    // A file whose note table is a view, or that has a trigger or view touching it, is refused
    // unread and left byte for byte as it was; other triggers and views do not matter.
    void unsafeSchemasAreRefusedUntouched() {
        const QStringList 不安全 = {
            QStringLiteral(
                "DROP TABLE Tips; CREATE VIEW Tips AS WITH RECURSIVE r(ID) AS "
                "(SELECT 1 UNION ALL SELECT ID+1 FROM r) SELECT ID, 'x' AS content FROM r"),
            QStringLiteral("CREATE TRIGGER t AFTER INSERT ON Tips BEGIN DELETE FROM Tips WHERE "
                           "ID <> new.ID; END"),
            QStringLiteral("CREATE TABLE other(a); CREATE TRIGGER t AFTER INSERT ON other "
                           "BEGIN DELETE FROM \"TIPS\"; END"),
            QStringLiteral("CREATE VIEW v AS SELECT * FROM [tips]"),
        };
        for (const QString& 语句 : 不安全) {
            const QString 文件 = 外来文件(QStringLiteral("foreign.mdb"), 语句);
            QVERIFY2(!文件.isEmpty(), qPrintable(语句));
            QFile 读取(文件);
            QVERIFY(读取.open(QIODevice::ReadOnly));
            const QByteArray 之前 = 读取.readAll();
            读取.close();
            数据库操作模块 库2;
            try {
                库2.打开数据库(文件, QString());
                QFAIL(qPrintable(QStringLiteral("accepted: ") + 语句));
            } catch (const dao::Error& 错误) {
                QCOMPARE(错误.类别(), dao::错误类别::结构不符);
                QVERIFY(错误.Description().contains(QStringLiteral("没有任何改动")));
            }
            QVERIFY_THROWS_EXCEPTION(dao::Error, 库2.数据库_查找_语句(store::全部便签语句()));
            QVERIFY(读取.open(QIODevice::ReadOnly));
            QCOMPARE(读取.readAll(), 之前);
            读取.close();
        }
        const QString 无关 = 外来文件(
            QStringLiteral("harmless.mdb"),
            QStringLiteral("CREATE TABLE tipsy(a); CREATE VIEW w AS SELECT * FROM tipsy; "
                           "CREATE TRIGGER u AFTER INSERT ON tipsy BEGIN DELETE FROM tipsy; END"));
        数据库操作模块 库3;
        库3.打开数据库(无关, QString());
        QCOMPARE(库3.数据库_查找_语句(store::全部便签语句()).RecordCount(), 0L);
    }

    void statementTextsAreExact() {
        QCOMPARE(store::全部便签语句(), QStringLiteral("Select * from Tips"));
        QCOMPARE(store::单个便签语句(QStringLiteral("17")),
                 QStringLiteral("Select * from Tips where id = 17"));
        QCOMPARE(store::删除便签语句(QStringLiteral("17")),
                 QStringLiteral("Delete from Tips where id = 17"));
        const QString 时间 = store::日期时间文字(某时刻);
        QCOMPARE(store::新建便签语句(值(QStringLiteral("it's"), 16777215, -2147483630, 90), 某时刻),
                 QStringLiteral("INSERT INTO Tips(content,CreateTime,ChangeTime,Deleted,BackColor,"
                                "FontColor,Visual,TopMost,Transparent) Values('it''s', '%1', '%1', "
                                "'0', '16777215', '-2147483630', '1', '0', '90')")
                     .arg(时间));
        QCOMPARE(store::修改便签语句(值(QStringLiteral("a'b"), 1, 2, 0), 某时刻, 5),
                 QStringLiteral("UPDATE Tips SET content='a''b', ChangeTime='%1', BackColor='1', "
                                "FontColor='2', Transparent='0' where id = 5")
                     .arg(时间));
    }

    void dateTextFollowsTheLocale() {
        const QLocale 区域 = QLocale::system();
        const QDateTime 午夜(QDate(2026, 3, 9), QTime(0, 0));
        QCOMPARE(store::日期时间文字(午夜), 区域.toString(午夜.date(), QLocale::ShortFormat));
        const QString 文字 = store::日期时间文字(某时刻);
        QVERIFY(
            文字.startsWith(区域.toString(某时刻.date(), QLocale::ShortFormat) + QLatin1Char(' ')));
        QVERIFY2(文字.contains(QStringLiteral("05")) && 文字.contains(QStringLiteral("07")),
                 qPrintable(文字));
        // Local times are stored without a time zone.
        QVERIFY2(!文字.contains(QRegularExpression(QStringLiteral("UTC|GMT|[A-Z]{3,}$"))),
                 qPrintable(文字));
        // One second later gives another text, so an edit always shows a new change time.
        QVERIFY(store::日期时间文字(某时刻.addSecs(1)) != 文字);
        // Times are stored to the second: within the first second the day is still at midnight.
        QCOMPARE(store::日期时间文字(午夜.addMSecs(999)), store::日期时间文字(午夜));
        QVERIFY(store::日期时间文字(午夜.addSecs(1)) != store::日期时间文字(午夜));
    }

    void timeTextIsCleanInEveryLocale() {
        const QDateTime 时刻(QDate(2026, 3, 9), QTime(15, 47, 26));
        const auto 区域表 = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                     QLocale::AnyTerritory);
        QVERIFY(区域表.size() > 300);
        for (const QLocale& 区域 : 区域表) {
            const QString 文字 = store::日期时间文字(时刻, 区域);
            const QString 时间 =
                文字.mid(区域.toString(时刻.date(), QLocale::ShortFormat).size() + 1);
            const auto 有 = [&](int 数) { return 时间.contains(区域.toString(数)); };
            QVERIFY2((有(15) || 有(3)) && 有(47) && 有(26), qPrintable(文字));
            QVERIFY2(!时间.contains(QRegularExpression(QStringLiteral("[][()]|[\\s,]$"))),
                     qPrintable(文字));
            // Latin letters are the day period or the pattern's quoted words, never a pattern
            // letter left unformatted.
            QString 词语 = 区域.pmText();
            const QString 格式 = 区域.timeFormat(QLocale::LongFormat);
            for (const auto& 引用 :
                 QRegularExpression(QStringLiteral("'[^']+'")).globalMatch(格式)) {
                词语 += 引用.captured();
            }
            for (const auto& 字母 :
                 QRegularExpression(QStringLiteral("[A-Za-z]+")).globalMatch(时间)) {
                QVERIFY2(词语.contains(字母.captured(), Qt::CaseInsensitive), qPrintable(文字));
            }
        }
        // Texts that were right stay as they were.
        QCOMPARE(store::日期时间文字(时刻, QLocale(QLocale::Chinese, QLocale::China)),
                 QStringLiteral("2026/3/9 15:47:26"));
        QCOMPARE(store::日期时间文字(时刻, QLocale(QLocale::English, QLocale::UnitedStates)),
                 QStringLiteral("3/9/26 3:47:26 PM"));
        QCOMPARE(store::日期时间文字(时刻, QLocale::c()), QStringLiteral("9 Mar 2026 15:47:26"));
    }

    void timeTextsReadBackAsTheMomentInTheirLocale() {
        const QDateTime 时刻(QDate(2026, 3, 9), QTime(15, 47, 26));
        const QDateTime 午夜(QDate(2026, 3, 9), QTime(0, 0));
        for (const QLocale& 区域 : {QLocale(QLocale::Chinese, QLocale::China),
                                    QLocale(QLocale::English, QLocale::UnitedStates),
                                    QLocale(QLocale::German, QLocale::Germany), QLocale::c()}) {
            QCOMPARE(store::日期时间值(store::日期时间文字(时刻, 区域), 区域), 时刻);
            QCOMPARE(store::日期时间值(store::日期时间文字(午夜, 区域), 区域), 午夜);
        }
        QVERIFY(!store::日期时间值(QStringLiteral("昨天"), QLocale::c()).isValid());
    }

    void awkwardTextsRoundTripUnchanged() {
        const QString 文字们[] = {
            QStringLiteral("it's"),
            QStringLiteral("''''"),
            QStringLiteral("back\\slash \\' \\\\"),
            QStringLiteral("第一行\n第二行\r\n第三行\t制表"),
            QStringLiteral("emoji 😀🎉 and 𠀋"),
            QStringLiteral("'); DROP TABLE Tips; --"),
            QStringLiteral("\" double \" quotes % _ ;"),
            QString(100000, QChar(u'字')),
        };
        for (const QString& 文字 : 文字们) {
            QVERIFY(库.数据库_添加_语句(store::新建便签语句(值(文字), store::现在())));
            QCOMPARE(读(最后编号()).Fields(QStringLiteral("content")).ToText(), 文字);
        }
        QCOMPARE(库.数据库_查找_语句(store::全部便签语句()).RecordCount(),
                 static_cast<long>(std::size(文字们)));
    }

    void newAndEditedNotesStoreTheirFields() {
        store::设置时钟([] { return 某时刻; });
        QVERIFY(库.数据库_添加_语句(store::新建便签语句(值(QStringLiteral("新")), store::现在())));
        const int 编号 = 最后编号();
        QVERIFY(编号 > 0);
        dao::Recordset 新 = 读(编号);
        const QString 创建 = 新.Fields(QStringLiteral("CreateTime")).ToText();
        QCOMPARE(创建, store::日期时间文字(某时刻));
        QCOMPARE(新.Fields(QStringLiteral("ChangeTime")).ToText(), 创建);
        QCOMPARE(新.Fields(QStringLiteral("Deleted")).ToText(), QStringLiteral("0"));
        QCOMPARE(新.Fields(QStringLiteral("Visual")).ToBool(), true);
        QCOMPARE(新.Fields(QStringLiteral("TopMost")).ToText(), QStringLiteral("0"));
        QCOMPARE(新.Fields(QStringLiteral("Transparent")).ToText(), QStringLiteral("20"));
        QCOMPARE(新.Fields(QStringLiteral("BackColor")).ToText(), QStringLiteral("12648447"));

        store::设置时钟([] { return 某时刻.addSecs(61); });
        QVERIFY(库.数据库_添加_语句(
            store::修改便签语句(值(QStringLiteral("改"), 16777215, 255, 0), store::现在(), 编号)));
        store::设置时钟(nullptr);
        dao::Recordset 改 = 读(编号);
        QCOMPARE(改.Fields(QStringLiteral("content")).ToText(), QStringLiteral("改"));
        QCOMPARE(改.Fields(QStringLiteral("CreateTime")).ToText(), 创建);
        QVERIFY(改.Fields(QStringLiteral("ChangeTime")).ToText() != 创建);
        QCOMPARE(改.Fields(QStringLiteral("BackColor")).ToText(), QStringLiteral("16777215"));
        QCOMPARE(改.Fields(QStringLiteral("FontColor")).ToInt32(), 255);
        QCOMPARE(改.Fields(QStringLiteral("Transparent")).ToText(), QStringLiteral("0"));
        QCOMPARE(改.Fields(QStringLiteral("Visual")).ToBool(), true);
        QCOMPARE(改.Fields(QStringLiteral("Deleted")).ToText(), QStringLiteral("0"));
    }

    void deleteRemovesTheRowAndBothActionMethodsAgree() {
        QVERIFY(库.数据库_删除_语句(
            store::新建便签语句(值(QStringLiteral("via delete")), store::现在())));
        const int 编号 = 最后编号();
        QVERIFY(库.数据库_添加_语句(store::删除便签语句(QString::number(编号))));
        QCOMPARE(读(编号).RecordCount(), 0L);
    }

    void engineErrorsPassToTheCaller() {
        try {
            库.数据库_添加_语句(QStringLiteral("UPDATE NoTable SET a=1"));
            QFAIL("the engine's error must reach the caller");
        } catch (const dao::Error& 错误) {
            QCOMPARE(错误.Number(), 1);
            QVERIFY(错误.Description().contains(QStringLiteral("NoTable")));
        }
        QVERIFY_THROWS_EXCEPTION(dao::Error,
                                 库.数据库_查找_语句(QStringLiteral("Select * from Nope")));

        数据库操作模块 未打开;
        QVERIFY_THROWS_EXCEPTION(dao::Error, 未打开.数据库_查找_语句(store::全部便签语句()));
        QVERIFY_THROWS_EXCEPTION(dao::Error,
                                 未打开.数据库_删除_语句(store::删除便签语句(QStringLiteral("1"))));
        QVERIFY_THROWS_EXCEPTION(
            dao::Error, 未打开.打开数据库(目录.filePath(QStringLiteral("absent.mdb")), QString()));
        QVERIFY(!QFile::exists(目录.filePath(QStringLiteral("absent.mdb"))));
    }

    void connectTextAndPath() {
        QCOMPARE(数据库操作模块::连接文字(QString()), QString());
        QCOMPARE(数据库操作模块::连接文字(QStringLiteral("pw")), QStringLiteral(";Pwd=pw"));
        // In the system's own spelling ("\" between folders on Windows).
        QCOMPARE(自定义变量::数据库路径(QStringLiteral("/opt/quillet")),
                 QDir::toNativeSeparators(QStringLiteral("/opt/quillet/Quillet.mdb")));
        // Joined as they are: a folder ending in a separator keeps it.
        QCOMPARE(自定义变量::数据库路径(QStringLiteral("/")),
                 QDir::toNativeSeparators(QStringLiteral("//Quillet.mdb")));
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "test_store.moc"
