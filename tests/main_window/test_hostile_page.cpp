// SPDX-License-Identifier: MIT
// Hostile advertisement pages: whatever a page holds, the main window goes on answering once
// it has loaded, also when the window is first shown from the tray after a "mini" start.

#include "main_form_fixture.h"

#include "platform/controls/webpane.h"
#include "update/local_http_server.h"

#include <QTest>
#include <QWidget>

#include <ctime>
#include <string_view>
#include <vector>

using namespace 测试;
using platform::controls::WebPane;

namespace {

constexpr QByteArrayView 广告路径 = "/ad/201072847_1.html";

// The processor time of the user-interface thread: what the window spends, however busy the
// machine is with other work.
double 线程毫秒() {
    timespec 时刻{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &时刻);
    return static_cast<double>(时刻.tv_sec) * 1e3 + static_cast<double>(时刻.tv_nsec) / 1e6;
}

struct 页面 {
    QByteArray 名称;
    QByteArray 正文;
};

// Every kind of element nested deep, each in every spelling the tokenizer takes as a tag (and
// a few it takes as text): plain, upper case, line breaks and tabs inside the tag, self-closing,
// left unclosed, with huge sizes in its attributes, and spelled with entities.
std::vector<页面> 对抗页面() {
    const QList<QByteArrayList> 种类 = {{"table", "tr", "td"},
                                        {"table", "th"},
                                        {"table", "caption"},
                                        {"div"},
                                        {"p"},
                                        {"ul", "li"},
                                        {"ol"},
                                        {"dl", "dd"},
                                        {"blockquote"},
                                        {"pre"},
                                        {"center"},
                                        {"h1"},
                                        {"font"},
                                        {"b"},
                                        {"a"},
                                        {"span"},
                                        {"sub"},
                                        {"code"},
                                        {"big"},
                                        {"section"},
                                        {"nav"},
                                        {"form"},
                                        {"button"},
                                        {"select", "option"},
                                        {"iframe"},
                                        {"object"},
                                        {"svg"},
                                        {"math"},
                                        {"noscript"},
                                        {"template"},
                                        {"marquee"},
                                        {"nobr"},
                                        {"q"},
                                        {"img"},
                                        {"br"},
                                        {"hr"},
                                        {"frameset", "frame"}};
    struct 写法 {
        const char* 名称;
        QByteArray (*开)(const QByteArray&);
        QByteArray (*关)(const QByteArray&);
    };
    const std::vector<写法> 写法表 = {
        {"plain", [](const QByteArray& n) { return "<" + n + ">"; },
         [](const QByteArray& n) { return "</" + n + ">"; }},
        {"upper", [](const QByteArray& n) { return "<" + n.toUpper() + ">"; },
         [](const QByteArray& n) { return "</" + n.toUpper() + ">"; }},
        {"breaks", [](const QByteArray& n) { return "<" + n + "\n\t>"; },
         [](const QByteArray& n) { return "</" + n + "\n>"; }},
        {"self-closing", [](const QByteArray& n) { return "<" + n + "/>"; },
         [](const QByteArray&) { return QByteArray(); }},
        {"unclosed", [](const QByteArray& n) { return "<" + n + " >"; },
         [](const QByteArray&) { return QByteArray(); }},
        {"huge sizes",
         [](const QByteArray& n) {
             return "<" + n +
                    " border=99999 cellpadding=100000000 colspan=100000 rowspan=9999 "
                    "width=99999999 size=9999 style=\"padding:100000px;font-size:9999px\">";
         },
         [](const QByteArray& n) { return "</" + n + ">"; }},
        {"space", [](const QByteArray& n) { return "< " + n + ">"; },
         [](const QByteArray& n) { return "</ " + n + ">"; }},
        {"break before", [](const QByteArray& n) { return "<\n" + n + ">"; },
         [](const QByteArray&) { return QByteArray(); }},
        {"entities", [](const QByteArray& n) { return "&lt;" + n + "&#62;"; },
         [](const QByteArray&) { return QByteArray(); }},
    };
    std::vector<页面> 页面表;
    for (const QByteArrayList& 名称 : 种类) {
        for (const 写法& 写 : 写法表) {
            QByteArray 开, 关;
            for (const QByteArray& n : 名称) {
                开 += 写.开(n);
                关.prepend(写.关(n));
            }
            // Deeper still in a few spellings: beyond every limit, down to what the parser
            // takes at all.
            const bool 更深 = std::string_view(写.名称) == "plain" ||
                              std::string_view(写.名称) == "unclosed" ||
                              std::string_view(写.名称) == "entities";
            const auto 加入 = [&](int 层) {
                页面表.push_back({名称.join('/') + ' ' + 写.名称 + ' ' + QByteArray::number(层),
                                  开.repeated(层) + "广告" + 关.repeated(层)});
            };
            加入(40);
            if (更深) {
                加入(1000);
            }
        }
    }
    // The parser's own worst case: each paragraph copies every formatting element still open,
    // each of another kind (its attributes) so that none replaces another.
    for (const int 对 : {100, 250, 2000}) {
        QByteArray 正文;
        for (int i = 0; i < 对; ++i) {
            正文 += "<p><b id=" + QByteArray::number(i) + ">";
        }
        页面表.push_back({"paragraphs copying formatting " + QByteArray::number(对), 正文});
    }
    return 页面表;
}

}  // namespace

class HostilePageTest : public QObject {
    Q_OBJECT

    LocalHttpServer 服务器;
    程序目录 目录;

    // Serves the page and loads it into the window's pane; returns the thread's processor
    // time from the load's start to the window laid out and painted after 之后 ran.
    template <class 动作>
    double 载入(Form_Main* 窗口, const 页面& 页, 动作&& 之后) {
        服务器.serve(广告路径.toByteArray(), 页.正文, 200, "Content-Type: text/html\r\n");
        const double 开始 = 线程毫秒();
        窗口->WebBrowser_广告->导航(QString::fromLatin1(服务器.url(广告路径.toByteArray())));
        if (!QTest::qWaitFor(
                [&] { return 窗口->WebBrowser_广告->当前状态() != WebPane::状态::加载中; },
                10000)) {
            return -1;
        }
        之后();
        窗口->grab();
        QCoreApplication::processEvents();
        return 线程毫秒() - 开始;
    }

  private slots:
    void initTestCase() {
        QVERIFY(服务器.listen());
        QVERIFY(目录.有效());
        qputenv("QUILLET_SITE_URL", 服务器.url(""));
    }
    void cleanup() { 清理(); }

    void theWindowAnswersAfterEveryPage() {
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(QTest::qWaitForWindowExposed(窗口));
        double 最长 = 0;
        for (const 页面& 页 : 对抗页面()) {
            const double 毫秒 = 载入(窗口, 页, [] {});
            QVERIFY2(毫秒 >= 0, 页.名称.constData());
            QVERIFY2(毫秒 < 100, qPrintable(QStringLiteral("%1: %2 ms").arg(页.名称).arg(毫秒)));
            最长 = std::max(最长, 毫秒);
        }
        qInfo("longest: %.1f ms of processor time", 最长);
    }

    // Started with "mini", the window is laid out only when the tray shows it.
    void theWindowShownFromTheTrayAnswersToo() {
        const std::vector<页面> 页面表 = 对抗页面();
        // The first page arrives with the start itself, the window hidden in the tray.
        服务器.serve(广告路径.toByteArray(), 页面表.front().正文, 200,
                     "Content-Type: text/html\r\n");
        Form_Main* 窗口 = 新主窗口(目录, {QStringLiteral("mini")});
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(!窗口->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(窗口->WebBrowser_广告->当前状态() != WebPane::状态::加载中, 10000);
        double 开始 = 线程毫秒();
        窗口->托盘菜单_显示窗口_Click();
        窗口->grab();
        QCoreApplication::processEvents();
        QVERIFY2(线程毫秒() - 开始 < 100, qPrintable(QString::number(线程毫秒() - 开始)));
        // The table kinds in every spelling: those froze the window shown from the tray.
        for (const 页面& 页 : 页面表) {
            if (!页.名称.startsWith("table")) {
                continue;
            }
            窗口->hide();
            const double 毫秒 = 载入(窗口, 页, [窗口] { 窗口->托盘菜单_显示窗口_Click(); });
            QVERIFY2(毫秒 >= 0 && 窗口->isVisible(), 页.名称.constData());
            QVERIFY2(毫秒 < 100, qPrintable(QStringLiteral("%1: %2 ms").arg(页.名称).arg(毫秒)));
        }
    }
};

QTEST_MAIN(HostilePageTest)
#include "test_hostile_page.moc"
