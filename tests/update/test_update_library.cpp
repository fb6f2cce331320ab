// SPDX-License-Identifier: MIT
// The update library as the program uses it: through its exported C entry points.

#include "local_http_server.h"
#include "update/update.h"
#include "update_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QVersionNumber>

#include <memory>

namespace {

constexpr int kWait = 8000;

// The build's own version with its last part raised by one.
QByteArray nextVersion() {
    QList<int> parts = QVersionNumber::fromString(QStringLiteral(QUILLET_VERSION)).segments();
    parts.last() += 1;
    return QVersionNumber(parts).toString().toUtf8();
}

QByteArray list(const QByteArray& version) {
    return "version=" + version + "\nurl=https://download.quillet.example/get\n";
}

}  // namespace

class TestUpdateLibrary : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void refusesWhatItCannotCheck();
    void newerVersionAsksOverTheMainWindow();
    void unknownHandleStillAsks();
    void oneCheckAtATime();
    void sameVersionStaysQuiet();
    void theReleaseAfterTheOneAboutShowsAsks();
    void timeoutComesFromTheEnvironment();

  private:
    // Waits until the library takes the check, which it does only once the last one ended.
    void startCheck(std::int32_t handle, const QByteArray& url, int timeoutMs = kWait);

    UrlCatcher catcher_;
    std::unique_ptr<LocalHttpServer> server_;
};

void TestUpdateLibrary::cleanupTestCase() {
    // The program's event loop ends with aboutToQuit, on which a check still under way lets go
    // of its transfer; QtTest runs no such loop, so the signal is given here.
    QVERIFY(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit",
                                      Qt::DirectConnection));
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
}

void TestUpdateLibrary::initTestCase() {
    QDesktopServices::setUrlHandler("http", &catcher_, "open");
    QDesktopServices::setUrlHandler("https", &catcher_, "open");
    QCOMPARE(qgetenv("QUILLET_UPDATE_TIMEOUT_MS"), QByteArray("2000"));
}

void TestUpdateLibrary::init() {
    server_ = std::make_unique<LocalHttpServer>();
    QVERIFY(server_->listen());
    server_->serve("/marker", list(QUILLET_VERSION));
    catcher_.opened.clear();
}

void TestUpdateLibrary::cleanup() {
    while (QMessageBox* box = visibleQuestion()) {
        box->button(QMessageBox::No)->click();
    }
    server_.reset();
}

void TestUpdateLibrary::startCheck(std::int32_t handle, const QByteArray& url, int timeoutMs) {
    // DoUpdate is called until it takes the check, never after.
    bool started = false;
    const auto take = [&] {
        started = started || DoUpdate(handle, url.constData()) == 1;
        return started;
    };
    QTRY_VERIFY_WITH_TIMEOUT(take(), timeoutMs);
}

void TestUpdateLibrary::refusesWhatItCannotCheck() {
    QCOMPARE(DoUpdate(0, nullptr), 0);
    QCOMPARE(DoUpdate(0, ""), 0);
    QCOMPARE(DoUpdate(0, "ftp://127.0.0.1/list"), 0);
    QCOMPARE(DoUpdate(0, "file:///etc/hosts"), 0);
    QCOMPARE(DoUpdate(0, "not an address"), 0);
    const QByteArray overlong = server_->url("/") + QByteArray(5000, 'a');
    QCOMPARE(DoUpdate(0, overlong.constData()), 0);
    QCOMPARE(BeginUpdate(), 0);
    QTest::qWait(100);
    QVERIFY(server_->requests().isEmpty());
    QVERIFY(visibleQuestion() == nullptr);
    // Not because something else was running: a proper address is taken at once.
    const QByteArray marker = server_->url("/marker");
    QCOMPARE(DoUpdate(0, marker.constData()), 1);
}

void TestUpdateLibrary::newerVersionAsksOverTheMainWindow() {
    server_->serve("/SiteBack/updateTxt/47.txt", list(nextVersion()));
    QWidget window;
    window.show();
    const auto handle = static_cast<std::int32_t>(window.winId());

    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(50);

    startCheck(handle, server_->url("/SiteBack/updateTxt/47.txt"));
    QVERIFY(visibleQuestion() == nullptr);  // the call only starts the check
    QTRY_VERIFY_WITH_TIMEOUT(visibleQuestion() != nullptr, kWait);
    QMessageBox* box = visibleQuestion();
    QCOMPARE(box->parentWidget(), &window);
    QCOMPARE(box->windowTitle(), QStringLiteral("Quillet-4862"));
    QCOMPARE(box->icon(), QMessageBox::Question);
    QVERIFY(box->text().contains(QString::fromUtf8(nextVersion())));
    QVERIFY(box->text().contains(QStringLiteral(QUILLET_VERSION)));

    // The question does not stop the rest of the program.
    const int before = ticks;
    QTRY_VERIFY(ticks > before);

    box->button(QMessageBox::Yes)->click();
    QTRY_COMPARE(catcher_.opened, QList<QUrl>{QUrl("https://download.quillet.example/get")});
    QCOMPARE(server_->count("/SiteBack/updateTxt/47.txt"), 1);
}

void TestUpdateLibrary::unknownHandleStillAsks() {
    server_->serve("/list", list(nextVersion()));
    startCheck(0x7654321, server_->url("/list"));
    QTRY_VERIFY_WITH_TIMEOUT(visibleQuestion() != nullptr, kWait);
    QMessageBox* question = visibleQuestion();
    QVERIFY(question != nullptr && question->parentWidget() == nullptr);
    question->button(QMessageBox::No)->click();
    QTRY_VERIFY(visibleQuestion() == nullptr);
    QTest::qWait(50);
    QVERIFY(catcher_.opened.isEmpty());
}

void TestUpdateLibrary::oneCheckAtATime() {
    server_->serve("/list", list(nextVersion()));
    const QByteArray url = server_->url("/list");
    startCheck(0, url);
    QCOMPARE(DoUpdate(0, url.constData()), 0);
    QTRY_VERIFY_WITH_TIMEOUT(visibleQuestion() != nullptr, kWait);
    // Still running while the question is open: no second question can pile up.
    QCOMPARE(DoUpdate(0, url.constData()), 0);
    QCOMPARE(server_->count("/list"), 1);

    visibleQuestion()->button(QMessageBox::No)->click();
    startCheck(0, url);  // answered: the next check may start
    QTRY_VERIFY_WITH_TIMEOUT(visibleQuestion() != nullptr, kWait);
    QCOMPARE(server_->count("/list"), 2);
}

void TestUpdateLibrary::sameVersionStaysQuiet() {
    server_->serve("/list", list(QUILLET_VERSION));
    startCheck(0, server_->url("/list"));
    // The next check is taken only once this one has ended.
    startCheck(0, server_->url("/marker"));
    QCOMPARE(server_->count("/list"), 1);
    QVERIFY(visibleQuestion() == nullptr);
    QVERIFY(catcher_.opened.isEmpty());
}

void TestUpdateLibrary::theReleaseAfterTheOneAboutShowsAsks() {
    // About shows 3.8.0.3: a list offering 3.8.0.4 is newer, and the question names both.
    server_->serve("/list", list("3.8.0.4"));
    startCheck(0, server_->url("/list"));
    QTRY_VERIFY_WITH_TIMEOUT(visibleQuestion() != nullptr, kWait);
    QVERIFY2(visibleQuestion()->text().contains(u"3.8.0.3"), qPrintable(visibleQuestion()->text()));
}

void TestUpdateLibrary::timeoutComesFromTheEnvironment() {
    // The test runs with a 2 s limit (a fetch under load, or under Wine, may take longer than a
    // fraction of a second); the built-in 10 s would outlast the wait below.
    server_->on("/list", [](QTcpSocket*) {});
    startCheck(0, server_->url("/list"));
    startCheck(0, server_->url("/marker"), 6000);
    QCOMPARE(server_->count("/list"), 1);
    QTRY_VERIFY(server_->clientDisconnects() >= 1);
    QVERIFY(visibleQuestion() == nullptr);
}

QTEST_MAIN(TestUpdateLibrary)
#include "test_update_library.moc"
