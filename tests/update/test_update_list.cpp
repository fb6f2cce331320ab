// SPDX-License-Identifier: MIT
// Version arithmetic and update-list parsing, on their own.

#include "update/update_list.h"

#include <QTest>

using namespace 升级;

class TestUpdateList : public QObject {
    Q_OBJECT

  private slots:
    void versionParsing_data();
    void versionParsing();
    void newerThanRunning_data();
    void newerThanRunning();
    void comparisonIsConsistent();

    void validLists_data();
    void validLists();
    void rejectedLists_data();
    void rejectedLists();
    void sizeLimit();
    void binaryRejected();
};

void TestUpdateList::versionParsing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("parts");  // empty: rejected
    QTest::newRow("three parts") << "3.8.3" << QList<int>{3, 8, 3};
    QTest::newRow("two parts") << "3.8" << QList<int>{3, 8};
    QTest::newRow("one part") << "4" << QList<int>{4};
    QTest::newRow("four parts") << "1.2.3.4" << QList<int>{1, 2, 3, 4};
    QTest::newRow("leading zeros") << "03.010" << QList<int>{3, 10};
    QTest::newRow("nine digits") << "999999999.0" << QList<int>{999999999, 0};
    QTest::newRow("five parts") << "1.2.3.4.5" << QList<int>{};
    QTest::newRow("ten digits") << "1234567890" << QList<int>{};
    QTest::newRow("empty") << "" << QList<int>{};
    QTest::newRow("dot only") << "." << QList<int>{};
    QTest::newRow("trailing dot") << "3.8." << QList<int>{};
    QTest::newRow("leading dot") << ".3.8" << QList<int>{};
    QTest::newRow("double dot") << "3..8" << QList<int>{};
    QTest::newRow("suffix") << "3.8.4-beta" << QList<int>{};
    QTest::newRow("prefix v") << "v3.8.4" << QList<int>{};
    QTest::newRow("sign") << "+3.8" << QList<int>{};
    QTest::newRow("blank inside") << "3. 8" << QList<int>{};
    QTest::newRow("garbage") << "abc" << QList<int>{};
    QTest::newRow("full-width digits") << "３.８" << QList<int>{};
    QTest::newRow("arabic-indic digits") << "\u0663.\u0668" << QList<int>{};
}

void TestUpdateList::versionParsing() {
    QFETCH(QString, text);
    QFETCH(QList<int>, parts);
    const auto version = 解析版本(text);
    if (parts.isEmpty()) {
        QVERIFY(!version);
    } else {
        QVERIFY(version);
        QCOMPARE(version->segments(), parts);
    }
}

void TestUpdateList::newerThanRunning_data() {
    QTest::addColumn<QString>("running");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<bool>("newer");
    QTest::newRow("next patch") << "3.8.3"
                                << "3.8.4" << true;
    QTest::newRow("minor 10 beats 8 numerically") << "3.8.3"
                                                  << "3.10.0" << true;
    QTest::newRow("same") << "3.8.3"
                          << "3.8.3" << false;
    QTest::newRow("shorter and older") << "3.8.3"
                                       << "3.8" << false;
    QTest::newRow("3.8 equals 3.8.0") << "3.8.0"
                                      << "3.8" << false;
    QTest::newRow("major only") << "3.8.3"
                                << "4" << true;
    QTest::newRow("older major") << "3.8.3"
                                 << "2.99.99" << false;
    QTest::newRow("older patch") << "3.8.3"
                                 << "3.8.2" << false;
    QTest::newRow("extra fourth part") << "3.8.3"
                                       << "3.8.3.1" << true;
    QTest::newRow("extra zero part") << "3.8.3"
                                     << "3.8.3.0" << false;
    QTest::newRow("garbage listed") << "3.8.3"
                                    << "garbage" << false;
    QTest::newRow("huge garbage listed") << "3.8.3"
                                         << "99999999999" << false;
    QTest::newRow("empty listed") << "3.8.3"
                                  << "" << false;
    QTest::newRow("garbage running") << "x"
                                     << "9.9.9" << false;
    QTest::newRow("largest part") << "999999998"
                                  << "999999999" << true;
}

void TestUpdateList::newerThanRunning() {
    QFETCH(QString, running);
    QFETCH(QString, listed);
    QFETCH(bool, newer);
    QCOMPARE(有更新版本(running, listed), newer);
}

void TestUpdateList::comparisonIsConsistent() {
    // Antisymmetric and transitive over a sorted sample.
    const QStringList sorted{"0",     "0.0.1", "1",    "1.0.0.1", "1.2", "1.10",
                             "3.8.3", "3.8.4", "3.10", "4",       "10.0"};
    for (qsizetype i = 0; i < sorted.size(); ++i) {
        for (qsizetype j = 0; j < sorted.size(); ++j) {
            const auto a = 解析版本(sorted[i]);
            const auto b = 解析版本(sorted[j]);
            QVERIFY(a && b);
            const int expected = i < j ? -1 : (i > j ? 1 : 0);
            QCOMPARE(比较版本(*a, *b), expected);
        }
    }
}

void TestUpdateList::validLists_data() {
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("url");
    QTest::newRow("minimal") << QByteArray("version=3.8.4\nurl=http://h.example/d.html") << "3.8.4"
                             << "http://h.example/d.html";
    QTest::newRow("comments, blanks, order")
        << QByteArray(
               "# update list\n\n  # indented comment\nurl = https://h.example/d \n"
               "\tversion =  3.10 \n")
        << "3.10"
        << "https://h.example/d";
    QTest::newRow("CRLF") << QByteArray("version=3.8.4\r\nurl=http://h.example/d\r\n") << "3.8.4"
                          << "http://h.example/d";
    QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBFversion=3.8.4\nurl=http://h.example/d\n")
                         << "3.8.4"
                         << "http://h.example/d";
    QTest::newRow("unknown keys ignored")
        << QByteArray("name=便签\nversion=4\nnotes=a=b\nurl=http://h.example/下载?x=1\n") << "4"
        << "http://h.example/下载?x=1";
    QTest::newRow("upper-case scheme") << QByteArray("version=4\nurl=HTTPS://h.example/\n") << "4"
                                       << "https://h.example/";
}

void TestUpdateList::validLists() {
    QFETCH(QByteArray, list);
    QFETCH(QString, version);
    QFETCH(QString, url);
    const auto info = 解析升级列表(list);
    QVERIFY(info);
    QCOMPARE(info->版本文字, version);
    QCOMPARE(info->下载页, QUrl(url));
}

void TestUpdateList::rejectedLists_data() {
    QTest::addColumn<QByteArray>("list");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only comments") << QByteArray("# nothing\n\n#\n");
    QTest::newRow("missing url") << QByteArray("version=3.8.4\n");
    QTest::newRow("missing version") << QByteArray("url=http://h.example/\n");
    QTest::newRow("empty url") << QByteArray("version=3.8.4\nurl=\n");
    QTest::newRow("repeated version")
        << QByteArray("version=3.8.4\nversion=9\nurl=http://h.example/\n");
    QTest::newRow("repeated url") << QByteArray(
        "version=3.8.4\nurl=http://a.example/\nurl=http://b.example/\n");
    QTest::newRow("line without =") << QByteArray("version=3.8.4\nurl=http://h.example/\nhello\n");
    QTest::newRow("empty key") << QByteArray("=1\nversion=3.8.4\nurl=http://h.example/\n");
    QTest::newRow("bad version") << QByteArray("version=3.8.4b\nurl=http://h.example/\n");
    QTest::newRow("keys are case-sensitive")
        << QByteArray("Version=3.8.4\nURL=http://h.example/\n");
    QTest::newRow("file scheme") << QByteArray("version=3.8.4\nurl=file:///etc/passwd\n");
    QTest::newRow("ftp scheme") << QByteArray("version=3.8.4\nurl=ftp://h.example/q.zip\n");
    QTest::newRow("javascript") << QByteArray("version=3.8.4\nurl=javascript:alert(1)\n");
    QTest::newRow("relative url") << QByteArray("version=3.8.4\nurl=/download.html\n");
    QTest::newRow("no host") << QByteArray("version=3.8.4\nurl=http:///x\n");
    QTest::newRow("blank in url") << QByteArray("version=3.8.4\nurl=http://h.example/a b\n");
    QTest::newRow("CR-only line ends") << QByteArray("version=3.8.4\rurl=http://h.example/\r");
    QTest::newRow("invalid UTF-8") << QByteArray("version=3.8.4\nurl=http://h.example/\xC3\x28\n");
    QTest::newRow("UTF-16 text") << QByteArray("\xFF\xFEv\0e\0r\0", 8);
    QTest::newRow("NUL byte") << QByteArray("version=3.8.4\nurl=http://h.example/\n\0", 37);
    QTest::newRow("HTML error page") << QByteArray("<html><body>404</body></html>\n");
}

void TestUpdateList::rejectedLists() {
    QFETCH(QByteArray, list);
    QVERIFY(!解析升级列表(list));
}

void TestUpdateList::sizeLimit() {
    const QByteArray core = "version=3.8.4\nurl=http://h.example/\n";
    QByteArray atLimit = core + "#" + QByteArray(最大列表字节 - core.size() - 1, 'x');
    QCOMPARE(atLimit.size(), 最大列表字节);
    QVERIFY(解析升级列表(atLimit));
    QVERIFY(!解析升级列表(atLimit + "x"));
    QVERIFY(!解析升级列表(core + QByteArray(qsizetype{10} * 1024 * 1024, '#')));
}

void TestUpdateList::binaryRejected() {
    // Deterministic pseudo-random bytes: never accepted, never a crash.
    QByteArray bytes(4096, '\0');
    quint32 state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    QVERIFY(!解析升级列表(bytes));
    QVERIFY(!解析升级列表("version=3.8.4\nurl=http://h.example/\n" + bytes));
}

QTEST_APPLESS_MAIN(TestUpdateList)
#include "test_update_list.moc"
