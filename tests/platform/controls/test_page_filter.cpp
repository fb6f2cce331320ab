// SPDX-License-Identifier: MIT
// The advertisement pane's page filter: what it keeps of a page, and its limits counted on the
// parse tree whatever the page's spelling.

#include "platform/controls/page_filter.h"

#include <QRegularExpression>
#include <QtTest>

using platform::controls::整理页面;
namespace 限度 = platform::controls::页面限度;

class TestPageFilter : public QObject {
    Q_OBJECT

  private slots:
    // Every spelling the HTML tokenizer reads as a table counts as one; what it reads as text
    // stays text, and is shown as such.
    void tablesAreCountedInEverySpelling_data() {
        QTest::addColumn<QString>("开");
        QTest::addColumn<QString>("关");
        QTest::addColumn<bool>("是表格");
        const QString 关 = QStringLiteral("</td></tr></table>");
        QTest::newRow("plain") << QStringLiteral("<table><tr><td>") << 关 << true;
        QTest::newRow("upper case") << QStringLiteral("<TABLE><TR><TD>") << 关 << true;
        QTest::newRow("line breaks") << QStringLiteral("<table\n><tr\n\t><td\r\n>") << 关 << true;
        QTest::newRow("self-closing") << QStringLiteral("<table/><tr/><td/>") << 关 << true;
        QTest::newRow("attributes")
            << QStringLiteral("<table\nborder=1 ><tr x><td y=\">\">") << 关 << true;
        QTest::newRow("unclosed") << QStringLiteral("<table><td>") << QString() << true;
        QTest::newRow("space before the name")
            << QStringLiteral("< table>< tr>< td>") << QString() << false;
        QTest::newRow("line break before the name")
            << QStringLiteral("<\ntable><\ntr><\ntd>") << QString() << false;
        QTest::newRow("entities") << QStringLiteral("&lt;table&gt;&#60;tr&#62;&lt;td>") << QString()
                                  << false;
    }
    void tablesAreCountedInEverySpelling() {
        QFETCH(QString, 开);
        QFETCH(QString, 关);
        QFETCH(bool, 是表格);
        const int 层 = 限度::最大表格嵌套;
        const auto 嵌套 = [&](int n) { return 开.repeated(n) + u'x' + 关.repeated(n); };
        const auto 刚好 = 整理页面(嵌套(层));
        QVERIFY2(!刚好.html.isEmpty(), qPrintable(刚好.拒绝原因));
        QCOMPARE(刚好.html.count(QStringLiteral("<table")), 是表格 ? 层 : 0);
        const auto 太深 = 整理页面(嵌套(40));
        if (是表格) {
            QVERIFY(太深.html.isEmpty());
            QVERIFY2(太深.拒绝原因.contains(QStringLiteral("tables nested")),
                     qPrintable(太深.拒绝原因));
        } else {
            QVERIFY2(!太深.html.contains(QStringLiteral("<table")), qPrintable(太深.html));
            QVERIFY(太深.html.contains(QStringLiteral("table&gt;")));
        }
    }

    // Numbers that size a page's parts stay small, whatever the page says; styles keep only
    // colours, emphasis, alignment and moderate font sizes.
    void sizesStayBounded() {
        const auto 页面 = 整理页面(QStringLiteral(
            "<table cellpadding=100000000 CELLSPACING=99999 border=5000 width=99999999>"
            "<tr><td colspan=100000 rowspan=9999 width=400% height=1e9 "
            "style=\"padding:100000px;margin:9999px;color:red;font-size:9999px;line-height:500\">"
            "x</td><th style=\"font-size:12pt;text-align:center\">y</th></tr></table>"
            "<font size=99999>z</font><p style=\"font-size:999pt\">w</p>"));
        QVERIFY2(!页面.html.isEmpty(), qPrintable(页面.拒绝原因));
        static const QRegularExpression 数(QStringLiteral("\\d+"));
        for (auto 它 = 数.globalMatch(页面.html); 它.hasNext();) {
            const QString 值 = 它.next().captured();
            QVERIFY2(值.toLongLong() <= 2000, qPrintable(值 + u' ' + 页面.html));
        }
        for (const char* 不应有 : {"padding", "margin", "line-height", "1e9"}) {
            QVERIFY2(!页面.html.contains(QLatin1String(不应有)), qPrintable(页面.html));
        }
        QVERIFY(页面.html.contains(QStringLiteral("color:red")));
        QVERIFY(页面.html.contains(QStringLiteral("font-size:12pt;text-align:center")));
    }

    // Text, links and emphasis are kept; scripts, styles, the head, images, frames and forms
    // are not; text that spells markup stays text.
    void keepsTheContentAndNothingActive() {
        const auto 页面 = 整理页面(
            QStringLiteral("<html><head><title>T</title><style>p{padding:9999px}</style>"
                           "<link rel=stylesheet href=/etc/x></head><body onload=evil()>"
                           "<p align=center>广告 &lt;table&gt; &amp; <b>粗</b></p>"
                           "<a href=\"/more\" onclick=\"evil()\">更多</a>"
                           "<script>evil()</script><img src=/etc/passwd><iframe src=x>f</iframe>"
                           "<form><input value=v><textarea>t</textarea><section>节</section></form>"
                           "<svg><g><text>svgtext</text></g></svg><!-- comment --></body></html>"));
        QVERIFY2(!页面.html.isEmpty(), qPrintable(页面.拒绝原因));
        QVERIFY2(页面.html.contains(
                     QStringLiteral("<p align=\"center\">广告 &lt;table&gt; &amp; <b>粗</b></p>")),
                 qPrintable(页面.html));
        QVERIFY(页面.html.contains(QStringLiteral("<a href=\"/more\">更多</a>")));
        QVERIFY(页面.html.contains(QStringLiteral("节")));
        for (const char* 不应有 : {"evil", "<img", "/etc", "iframe", "input", "textarea", "<title",
                                   ">T<", "svg", "<g", "comment", "padding"}) {
            QVERIFY2(!页面.html.contains(QLatin1String(不应有)), 不应有);
        }
    }

    // The limits hold for elements the pane does not keep as well: they are still parsed.
    void limitsCountEveryElement() {
        const auto 深 = [](const QString& 名, int n) {
            return (u'<' + 名 + u'>').repeated(n) + u'x';
        };
        QVERIFY(!整理页面(深(QStringLiteral("section"), 限度::最大嵌套 - 3)).html.isEmpty());
        QVERIFY(整理页面(深(QStringLiteral("section"), 限度::最大嵌套)).html.isEmpty());
        QVERIFY(整理页面(深(QStringLiteral("blockquote"), 1000)).html.isEmpty());
        QVERIFY(整理页面(QStringLiteral("<br>").repeated(限度::最多标签 + 1)).html.isEmpty());
        // Within the tags the parser is given, a tree still too large: every paragraph gets a
        // copy of each formatting element left open before it.
        QString 复制;
        for (int i = 0; i < 64; ++i) {
            复制 += QStringLiteral("<p><b id=%1>").arg(i);
        }
        const auto 太多 = 整理页面(复制);
        QVERIFY2(太多.拒绝原因.contains(QStringLiteral("elements")), qPrintable(太多.拒绝原因));
        QVERIFY(整理页面(QStringLiteral("<p>") + QString(限度::最多文字 + 1, u'x')).html.isEmpty());
        QVERIFY(整理页面(QString(限度::最大字符数 + 1, u' ')).html.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPageFilter)
#include "test_page_filter.moc"
