// SPDX-License-Identifier: MIT
// The asynchronous update check against a local HTTP server: what the user is asked, and that
// every kind of failure ends quietly while the event loop keeps running.

#include "local_http_server.h"
#include "update/update_check.h"
#include "update/update_list.h"
#include "update_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>

using namespace 升级;

namespace {

constexpr int kWait = 8000;  // generous upper bound for QTRY_*; checks end long before

const QByteArray kNewer = "# list\nversion=3.8.4\nurl=https://download.quillet.example/get\n";

}  // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void newerVersionAsksAndNoOpensNothing();
    void newerVersionYesOpensDownloadPage();
    void questionSitsOverVisibleParentOnly();
    void sameOrOlderVersionStaysQuiet_data();
    void sameOrOlderVersionStaysQuiet();
    void serverStopped();
    void httpErrorStatus();
    void malformedList();
    void hugeListWithLength();
    void hugeListStreamedWithoutLength();
    void neverAnswering();
    void tricklingServerHitsOverallLimit();
    void redirectIsFollowed();
    void redirectLoopEnds_data();
    void redirectLoopEnds();
    void redirectToOtherSchemeRefused();
    void nonWebAddressReportedLater();

  private:
    struct Run {
        std::optional<结果> outcome;
        int ticksWhenDone = -1;
    };
    std::shared_ptr<Run> start(const QByteArray& url, int timeoutMs = 3000,
                               QWidget* parent = nullptr);
    // Waits for the end and checks that nothing was asked or opened. For a check that takes a
    // while (slow), also that the event loop kept running meanwhile.
    void expectQuietEnd(const std::shared_ptr<Run>& run, QList<结果> expected, bool slow = false);

    UrlCatcher catcher_;
    std::unique_ptr<LocalHttpServer> server_;
    QTimer ticker_;
    int ticks_ = 0;
};

void TestUpdateCheck::initTestCase() {
    QDesktopServices::setUrlHandler("http", &catcher_, "open");
    QDesktopServices::setUrlHandler("https", &catcher_, "open");
    ticker_.setInterval(50);
    connect(&ticker_, &QTimer::timeout, this, [this] { ++ticks_; });
}

void TestUpdateCheck::init() {
    server_ = std::make_unique<LocalHttpServer>();
    QVERIFY(server_->listen());
    catcher_.opened.clear();
    ticks_ = 0;
    ticker_.start();
}

void TestUpdateCheck::cleanup() {
    ticker_.stop();
    while (QMessageBox* box = visibleQuestion()) {
        box->reject();
    }
    server_.reset();
}

void TestUpdateCheck::cleanupTestCase() {
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
}

std::shared_ptr<TestUpdateCheck::Run> TestUpdateCheck::start(const QByteArray& url, int timeoutMs,
                                                             QWidget* parent) {
    auto run = std::make_shared<Run>();
    检查设置 settings;
    settings.当前版本 = QStringLiteral("3.8.3");
    settings.超时毫秒 = timeoutMs;
    auto* check = new 升级检查(settings);
    check->开始(QUrl(QString::fromUtf8(url)), parent, [this, run](结果 r) {
        run->outcome = r;
        run->ticksWhenDone = ticks_;
    });
    // Nothing happens inside the call: it only starts the work.
    if (run->outcome) {
        qWarning("the check ended inside the call");
    }
    return run;
}

void TestUpdateCheck::expectQuietEnd(const std::shared_ptr<Run>& run, QList<结果> expected,
                                     bool slow) {
    QTRY_VERIFY_WITH_TIMEOUT(run->outcome.has_value(), kWait);
    QVERIFY2(expected.contains(*run->outcome), qPrintable(QString::number(int(*run->outcome))));
    if (slow) {
        QVERIFY2(run->ticksWhenDone > 0, "the event loop did not run while the check went on");
    }
    QTest::qWait(100);  // a late question would show up now
    QVERIFY(visibleQuestion() == nullptr);
    QVERIFY(catcher_.opened.isEmpty());
}

void TestUpdateCheck::newerVersionAsksAndNoOpensNothing() {
    server_->serve("/SiteBack/updateTxt/47.txt", kNewer);
    auto run = start(server_->url("/SiteBack/updateTxt/47.txt"));
    QVERIFY(!run->outcome);
    QTRY_VERIFY_WITH_TIMEOUT(visibleQuestion() != nullptr, kWait);
    QMessageBox* box = visibleQuestion();
    QCOMPARE(box->icon(), QMessageBox::Question);
    QCOMPARE(box->windowTitle(), QStringLiteral("Quillet-4862"));
    QVERIFY(box->text().contains(u"3.8.4"));
    QVERIFY(box->text().contains(u"是否打开下载页面"));
    QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    QVERIFY(!run->outcome);  // the check lasts until the user answers

    QCOMPARE(server_->count("/SiteBack/updateTxt/47.txt"), 1);
    QVERIFY(server_->requests().first().headers.contains("User-Agent: Quillet/3.8.3"));

    box->button(QMessageBox::No)->click();
    QTRY_VERIFY(run->outcome.has_value());
    QCOMPARE(int(*run->outcome), int(结果::用户拒绝));
    QTRY_VERIFY(visibleQuestion() == nullptr);
    QTest::qWait(50);
    QVERIFY(catcher_.opened.isEmpty());
}

void TestUpdateCheck::newerVersionYesOpensDownloadPage() {
    server_->serve("/list", "version=3.10.0\r\nurl=https://download.quillet.example/get\r\n");
    auto run = start(server_->url("/list"));
    QTRY_VERIFY_WITH_TIMEOUT(visibleQuestion() != nullptr, kWait);
    QVERIFY(visibleQuestion()->text().contains(u"3.10.0"));
    // The question names the address the yes opens.
    QVERIFY2(visibleQuestion()->text().contains(u"https://download.quillet.example/get"),
             qPrintable(visibleQuestion()->text()));
    visibleQuestion()->button(QMessageBox::Yes)->click();
    QTRY_VERIFY(run->outcome.has_value());
    QCOMPARE(int(*run->outcome), int(结果::用户同意));
    QCOMPARE(catcher_.opened, QList<QUrl>{QUrl("https://download.quillet.example/get")});
}

void TestUpdateCheck::questionSitsOverVisibleParentOnly() {
    server_->serve("/list", kNewer);
    QWidget window;
    window.show();
    auto run = start(server_->url("/list"), 3000, &window);
    QTRY_VERIFY_WITH_TIMEOUT(visibleQuestion() != nullptr, kWait);
    QCOMPARE(visibleQuestion()->parentWidget(), &window);
    visibleQuestion()->button(QMessageBox::No)->click();
    QTRY_VERIFY(run->outcome.has_value());

    // A hidden main window (started into the tray) still gets the question, on its own.
    window.hide();
    run = start(server_->url("/list"), 3000, &window);
    QTRY_VERIFY_WITH_TIMEOUT(visibleQuestion() != nullptr, kWait);
    QVERIFY(visibleQuestion()->parentWidget() == nullptr);
    visibleQuestion()->button(QMessageBox::No)->click();
    QTRY_VERIFY(run->outcome.has_value());
    QCOMPARE(int(*run->outcome), int(结果::用户拒绝));
}

void TestUpdateCheck::sameOrOlderVersionStaysQuiet_data() {
    QTest::addColumn<QByteArray>("version");
    QTest::newRow("same") << QByteArray("3.8.3");
    QTest::newRow("same, shorter") << QByteArray("3.8.3.0");
    QTest::newRow("older") << QByteArray("3.8");
    QTest::newRow("much older") << QByteArray("1");
}

void TestUpdateCheck::sameOrOlderVersionStaysQuiet() {
    QFETCH(QByteArray, version);
    server_->serve("/list", "version=" + version + "\nurl=http://download.quillet.example/\n");
    auto run = start(server_->url("/list"));
    expectQuietEnd(run, {结果::已是最新});
    QCOMPARE(server_->count("/list"), 1);
}

void TestUpdateCheck::serverStopped() {
    const QByteArray url = server_->url("/list");
    server_->close();
    expectQuietEnd(start(url), {结果::网络错误});
}

void TestUpdateCheck::httpErrorStatus() {
    // A valid-looking list on an error page is still not the list.
    server_->serve("/list", kNewer, 404);
    expectQuietEnd(start(server_->url("/list")), {结果::网络错误});
    server_->serve("/list", kNewer, 500);
    expectQuietEnd(start(server_->url("/list")), {结果::网络错误});
}

void TestUpdateCheck::malformedList() {
    server_->serve("/html", "<html><body>Welcome!</body></html>");
    expectQuietEnd(start(server_->url("/html")), {结果::列表无效});
    server_->serve("/empty", "");
    expectQuietEnd(start(server_->url("/empty")), {结果::列表无效});
    server_->serve("/file", "version=9.9.9\nurl=file:///bin/sh\n");
    expectQuietEnd(start(server_->url("/file")), {结果::列表无效});
}

void TestUpdateCheck::hugeListWithLength() {
    const QByteArray huge = kNewer + QByteArray(qsizetype{10} * 1024 * 1024, '#');
    server_->serve("/list", huge);
    expectQuietEnd(start(server_->url("/list")), {结果::列表过大});
    // The client gave up: the server never got the whole list out.
    QTRY_COMPARE(server_->clientDisconnects(), 1);
}

void TestUpdateCheck::hugeListStreamedWithoutLength() {
    // No Content-Length: the limit has to be enforced while reading.
    server_->on("/list", [](QTcpSocket* socket) {
        LocalHttpServer::answer(socket, 200, kNewer + QByteArray(qsizetype{10} * 1024 * 1024, '#'),
                                {},
                                /*withLength=*/false);
    });
    expectQuietEnd(start(server_->url("/list")), {结果::列表过大});
    QTRY_COMPARE(server_->clientDisconnects(), 1);
}

void TestUpdateCheck::neverAnswering() {
    server_->on("/list", [](QTcpSocket*) {});
    auto run = start(server_->url("/list"), 400);
    expectQuietEnd(run, {结果::超时}, true);
    QCOMPARE(server_->count("/list"), 1);
    QTRY_COMPARE(server_->clientDisconnects(), 1);  // the connection was given up, not left open
}

void TestUpdateCheck::tricklingServerHitsOverallLimit() {
    // A byte now and then would keep a per-read timeout alive for ever.
    server_->on("/list", [](QTcpSocket* socket) {
        socket->setProperty("toSend", qint64(1) << 40);
        socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nversion=3.8.4\n#");
        auto* drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket] { socket->write("#"); });
        drip->start(20);
    });
    expectQuietEnd(start(server_->url("/list"), 500), {结果::超时}, true);
    QTRY_COMPARE(server_->clientDisconnects(), 1);
}

void TestUpdateCheck::redirectIsFollowed() {
    server_->serve("/old", "", 302, "Location: /new\r\n", /*keepAlive=*/true);
    server_->serve("/new", kNewer);
    auto run = start(server_->url("/old"));
    QTRY_VERIFY_WITH_TIMEOUT(visibleQuestion() != nullptr, kWait);
    visibleQuestion()->button(QMessageBox::No)->click();
    QTRY_VERIFY(run->outcome.has_value());
    QCOMPARE(server_->count("/new"), 1);
}

void TestUpdateCheck::redirectLoopEnds_data() {
    QTest::addColumn<bool>("keepAlive");
    QTest::newRow("kept-alive connection") << true;
    QTest::newRow("connection closed after each") << false;
}

void TestUpdateCheck::redirectLoopEnds() {
    QFETCH(bool, keepAlive);
    server_->serve("/a", "", 302, "Location: /b\r\n", keepAlive);
    server_->serve("/b", "", 301, "Location: /a\r\n", keepAlive);
    expectQuietEnd(start(server_->url("/a")), {结果::网络错误});
    // At most 最多重定向 redirects are followed: six requests. Qt sends a request once more
    // when the server closed the connection it meant to reuse, which a busy machine makes
    // likely, so each of them may reach the server twice; a loop that is not ended goes on.
    const int requests = server_->count("/a") + server_->count("/b");
    const int followed = 升级::检查设置{}.最多重定向 + 1;
    QVERIFY2(requests >= 2 && requests <= 2 * followed, qPrintable(QString::number(requests)));
}

void TestUpdateCheck::redirectToOtherSchemeRefused() {
    server_->serve("/file", "", 302, "Location: file:///etc/passwd\r\n");
    // Qt itself may refuse these before the check sees them; either way nothing follows.
    expectQuietEnd(start(server_->url("/file")), {结果::重定向被拒, 结果::网络错误});
    server_->serve("/ftp", "", 302, "Location: ftp://127.0.0.1/list\r\n");
    expectQuietEnd(start(server_->url("/ftp")), {结果::重定向被拒, 结果::网络错误});
    QCOMPARE(server_->requests().size(), 2);
}

void TestUpdateCheck::nonWebAddressReportedLater() {
    for (const QByteArray& url :
         {QByteArray("ftp://127.0.0.1/list"), QByteArray("file:///etc/hosts"),
          QByteArray("/relative/list"), QByteArray("")}) {
        auto run = start(url);
        QVERIFY(!run->outcome);  // reported from the event loop, not inside the call
        expectQuietEnd(run, {结果::地址无效});
    }
    QVERIFY(server_->requests().isEmpty());
}

QTEST_MAIN(TestUpdateCheck)
#include "test_update_check.moc"
