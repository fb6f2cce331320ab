// SPDX-License-Identifier: MIT
#include <QTest>

#include "platform/text/find_key.h"

using platform::text::查找键;

class TestFindKey : public QObject {
    Q_OBJECT

  private slots:
    void matches_data();
    void matches();
    void longQueryFallsBackToText();
};

void TestFindKey::matches_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("found");

    const auto 行 = [](const char* 名, const QString& 文字, const QString& 查找, bool 找到) {
        QTest::newRow(名) << 文字 << 查找 << 找到;
    };
    // Initials of a run of adjacent characters, in order, anywhere in the text.
    行("initials", u"快递"_qs, u"kd"_qs, true);
    行("initials inside", u"下午明天开会吧"_qs, u"mtkh"_qs, true);
    行("initials with a gap", u"明天开会"_qs, u"mk"_qs, false);
    行("initials out of order", u"快递"_qs, u"dk"_qs, false);
    行("more letters than characters", u"快递"_qs, u"kdx"_qs, false);
    // Every reading of a polyphonic character from the modern dictionaries, none of the
    // classical ones.
    行("行 as xing", u"行动"_qs, u"xd"_qs, true);
    行("行 as hang", u"银行"_qs, u"yh"_qs, true);
    行("重 as zhong", u"重要"_qs, u"zy"_qs, true);
    行("重 as chong", u"重新"_qs, u"cx"_qs, true);
    行("重 not by its classical tong", u"重新"_qs, u"tx"_qs, false);
    // Full pinyin and any mix of full readings, their starts and initials.
    行("full pinyin", u"我的快递到了"_qs, u"kuaidi"_qs, true);
    行("full then initial", u"快递"_qs, u"kuaid"_qs, true);
    行("initial then full", u"快递"_qs, u"kdi"_qs, true);
    行("full pinyin, wrong letter", u"快递"_qs, u"kuaidj"_qs, false);
    行("reading too long for the character", u"快递"_qs, u"kuaiix"_qs, false);
    行("ü typed as v", u"绿色"_qs, u"lvse"_qs, true);
    行("a syllable without vowel", u"嗯好"_qs, u"ngh"_qs, true);
    // Case folding, for text and for pinyin.
    行("mixed-case text", u"Review the INVOICE"_qs, u"invoice"_qs, true);
    行("mixed-case pinyin", u"快递"_qs, u"KuaiD"_qs, true);
    行("mixed-case text beside Han", u"寄出 INVOICE 3PM"_qs, u"Invoice 3pm"_qs, true);
    行("latin text beside Han, one pass", u"寄出 Invoice"_qs, u"INVOICE"_qs, true);
    行("non-ASCII case", u"STRASSE Ärger"_qs, u"ärger"_qs, true);
    // An empty query matches everything.
    行("empty query", u"快递"_qs, QString(), true);
    行("empty query, empty text", QString(), QString(), true);
    行("empty text", QString(), u"kd"_qs, false);
    // Latin letters and digits in the text spell themselves in a pinyin run; anything else
    // ends the run.
    行("letters among Han", u"改wifi密码"_qs, u"wifimm"_qs, true);
    行("digits among Han", u"3点开会"_qs, u"3dkh"_qs, true);
    行("space ends a run", u"明天 开会"_qs, u"mtkh"_qs, false);
    行("punctuation as text", u"明天，开会"_qs, u"天，开"_qs, true);
    行("query with a space is text only", u"快递 到了"_qs, u"kd dl"_qs, false);
    // Code points beyond 16 bits: emoji and Han characters written as surrogate pairs.
    行("emoji before Han", u"🎉快递到了"_qs, u"kddl"_qs, true);
    行("emoji ends a run", u"快🎉递"_qs, u"kd"_qs, false);
    行("emoji as text", u"快🎉递"_qs, u"🎉递"_qs, true);
    行("Han beyond 16 bits", u"𠀁𪚥"_qs, u"qz"_qs, true);
    行("lone surrogate", u"快"_qs + QChar(0xD800) + u"递"_qs, u"kd"_qs, false);
    行("lone surrogate at the end", u"快递"_qs + QChar(0xD83C), u"kd"_qs, true);
    // Han characters without a reading in the table match as text only.
    行("character without reading", u"兙快递"_qs, u"kd"_qs, true);
    行("character without reading ends a run", u"快兙递"_qs, u"kd"_qs, false);
    行("surrogate pair without reading", u"𠮷野家"_qs, u"𠮷野"_qs, true);
    行("surrogate pair without reading, pinyin", u"𠮷野家"_qs, u"yj"_qs, true);
}

void TestFindKey::matches() {
    QFETCH(QString, text);
    QFETCH(QString, query);
    QFETCH(bool, found);
    QCOMPARE(查找键(text).匹配(query), found);
}

// A query too long to be read as pinyin (one state bit per letter) is still found as text.
void TestFindKey::longQueryFallsBackToText() {
    const QString 长词(70, u'a');
    QVERIFY(查找键(u"快"_qs + 长词.toUpper()).匹配(长词));
    QVERIFY(!查找键(QString(70, u'啊')).匹配(长词));
    QVERIFY(查找键(QString(63, u'啊')).匹配(长词.left(63)));
}

QTEST_GUILESS_MAIN(TestFindKey)
#include "test_find_key.moc"
