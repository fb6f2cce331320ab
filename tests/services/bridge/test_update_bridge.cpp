// SPDX-License-Identifier: MIT
// The bridge finds the update library and hands DoUpdate its two arguments; without the
// library or its entry point it does nothing.

#include "services/update_bridge.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTest>

// This test's folder holds a recording stand-in named like the update library; the bridge
// must find it there by itself.
class TestUpdateBridge : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void findsTheLibraryBesideTheExecutable();
    void passesHandleAndAddressUnchanged_data();
    void passesHandleAndAddressUnchanged();
    void missingEntryPoint();
    void missingLibrary();
    void brokenLibrary();
    void realLibraryIsReached();

  private:
    QLibrary probe_;
    int (*calls_)() = nullptr;
    std::int32_t (*lastHandle_)() = nullptr;
    const char* (*lastAddress_)() = nullptr;
};

void TestUpdateBridge::initTestCase() {
    QCOMPARE(QDir(QCoreApplication::applicationDirPath()).canonicalPath(),
             QDir(QStringLiteral(PROBE_DIR)).canonicalPath());
    probe_.setFileName(QDir(QStringLiteral(PROBE_DIR)).filePath(QStringLiteral("update")));
    QVERIFY2(probe_.load(), qPrintable(probe_.errorString()));
    calls_ = reinterpret_cast<int (*)()>(probe_.resolve("ProbeCalls"));
    lastHandle_ = reinterpret_cast<std::int32_t (*)()>(probe_.resolve("ProbeLastHandle"));
    lastAddress_ = reinterpret_cast<const char* (*)()>(probe_.resolve("ProbeLastAddress"));
    QVERIFY(calls_ && lastHandle_ && lastAddress_);
}

void TestUpdateBridge::findsTheLibraryBesideTheExecutable() {
    const int before = calls_();
    const QByteArray address = "http://127.0.0.1:9/SiteBack/updateTxt/47.txt";
    QVERIFY(自定义方法::DoUpdate(4242, address));
    QCOMPARE(calls_(), before + 1);
    QCOMPARE(lastHandle_(), 4242);
    QCOMPARE(QByteArray(lastAddress_()), address);
}

void TestUpdateBridge::passesHandleAndAddressUnchanged_data() {
    QTest::addColumn<int>("handle");
    QTest::addColumn<QByteArray>("address");
    QTest::newRow("zero handle") << 0 << QByteArray("http://127.0.0.1:9/SiteBack/updateTxt/47.txt");
    QTest::newRow("negative handle") << -2 << QByteArray("https://h.example/x");
    QTest::newRow("largest handle") << 0x7fffffff << QByteArray("http://h.example/");
    QTest::newRow("non-ASCII in the locale's code page")
        << 7 << QString::fromUtf8("http://便签.example/升级.txt").toLocal8Bit();
    QTest::newRow("empty address") << 1 << QByteArray("");
}

void TestUpdateBridge::passesHandleAndAddressUnchanged() {
    QFETCH(int, handle);
    QFETCH(QByteArray, address);
    const int before = calls_();
    QVERIFY(自定义方法::DoUpdate(handle, address, QStringLiteral(PROBE_DIR)));
    QCOMPARE(calls_(), before + 1);
    QCOMPARE(lastHandle_(), handle);
    QCOMPARE(QByteArray(lastAddress_()), address);  // read up to the NUL the bridge must supply
}

void TestUpdateBridge::missingEntryPoint() {
    // The library is there and loads; it only lacks the entry point.
    QLibrary lib(QDir(QStringLiteral(NOENTRY_DIR)).filePath(QStringLiteral("update")));
    QVERIFY2(lib.load(), qPrintable(lib.errorString()));
    QVERIFY(lib.resolve("BeginUpdate") != nullptr);
    QVERIFY(lib.resolve("DoUpdate") == nullptr);

    const int before = calls_();
    QVERIFY(!自定义方法::DoUpdate(1, "http://h.example/", QStringLiteral(NOENTRY_DIR)));
    QCOMPARE(calls_(), before);
}

void TestUpdateBridge::missingLibrary() {
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    const int before = calls_();
    QVERIFY(!自定义方法::DoUpdate(1, "http://h.example/", empty.path()));
    QVERIFY(!自定义方法::DoUpdate(1, "http://h.example/", empty.filePath("no-such-folder")));
    QVERIFY(!自定义方法::DoUpdate(1, "http://h.example/", QString()));
    QCOMPARE(calls_(), before);
}

void TestUpdateBridge::brokenLibrary() {
    // A file with the library's name that is not a library at all.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
#if defined(Q_OS_WIN)
    const QString name = QStringLiteral("update.dll");
#else
    const QString name = QStringLiteral("libupdate.so");
#endif
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is not a shared library\n");
    file.close();
    const int before = calls_();
    QVERIFY(!自定义方法::DoUpdate(1, "http://h.example/", dir.path()));
    QCOMPARE(calls_(), before);
}

void TestUpdateBridge::realLibraryIsReached() {
    // The real library exports the entry point under the name the bridge resolves. Without a
    // QApplication it starts nothing, so this touches no network.
    QVERIFY(自定义方法::DoUpdate(0, "http://127.0.0.1:9/SiteBack/updateTxt/47.txt",
                                 QStringLiteral(REAL_UPDATE_DIR)));
}

QTEST_GUILESS_MAIN(TestUpdateBridge)
#include "test_update_bridge.moc"
