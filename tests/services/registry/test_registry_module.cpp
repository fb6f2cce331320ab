// SPDX-License-Identifier: MIT
// 注册表操作: reading every common value type as text, writing text values, deleting values.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "platform/registry/registry.h"
#include "platform/shell/shell.h"
#include "services/registry_module.h"

namespace reg = platform::registry;
using namespace 注册表操作;

namespace {

const QString kRun = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kKey = QStringLiteral("Software\\Quillet\\Test");

// Stores raw bytes of any type below HKEY_CURRENT_USER, bypassing the module.
bool storeRaw(const QString& subKey, const char* name, std::uint32_t type, const QByteArray& data) {
    reg::Key key = 0;
    if (reg::CreateKey(reg::HkeyCurrentUser, subKey.toLocal8Bit().constData(), &key) !=
        reg::Success) {
        return false;
    }
    const bool ok =
        reg::SetValueEx(key, name, type, reinterpret_cast<const unsigned char*>(data.constData()),
                        static_cast<std::uint32_t>(data.size())) == reg::Success;
    reg::CloseKey(key);
    return ok;
}

// The stored bytes and type of a value, bypassing the module.
std::optional<std::pair<std::uint32_t, QByteArray>> loadRaw(const QString& subKey,
                                                            const char* name) {
    reg::Key key = 0;
    if (reg::OpenKey(reg::HkeyCurrentUser, subKey.toLocal8Bit().constData(), &key) !=
        reg::Success) {
        return std::nullopt;
    }
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::optional<std::pair<std::uint32_t, QByteArray>> result;
    if (reg::QueryValueEx(key, name, &type, nullptr, &size) == reg::Success) {
        QByteArray data(static_cast<qsizetype>(size), '\0');
        reg::QueryValueEx(key, name, nullptr, reinterpret_cast<unsigned char*>(data.data()), &size);
        result = std::make_pair(type, data);
    }
    reg::CloseKey(key);
    return result;
}

struct Read {
    bool result;
    std::int32_t type;
    QString text;
};

Read read(const QString& subKey, const QString& name, std::int32_t type = REG_SZ,
          const QString& text = QString()) {
    Read r{false, type, text};
    r.result = 读取注册表值(HKEY_CURRENT_USER, subKey, name, r.type, r.text);
    return r;
}

}  // namespace

class RegistryModuleTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home_;
    QString config() const { return home_->path() + QStringLiteral("/config"); }

  private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        qputenv("XDG_CONFIG_HOME", config().toLocal8Bit());
    }
    void cleanup() { home_.reset(); }

    void missingValueReadsAsEmptyText() {
        const Read r = read(kRun, QStringLiteral("Quillet"), REG_SZ, QStringLiteral("previous"));
        QVERIFY(r.result);
        QCOMPARE(r.type, REG_SZ);
        QCOMPARE(r.text, QString());
    }

    void missingKeyFailsAndChangesNothing() {
        const Read r = read(QStringLiteral("Software\\Nowhere"), QStringLiteral("x"), 4,
                            QStringLiteral("kept"));
        QVERIFY(!r.result);
        QCOMPARE(r.type, 4);
        QCOMPARE(r.text, QStringLiteral("kept"));
    }

    void stringValues_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("with NUL") << QByteArray("abc", 4) << QStringLiteral("abc");
        QTest::newRow("without NUL") << QByteArray("abc") << QStringLiteral("abc");
        QTest::newRow("stops at first NUL") << QByteArray("ab\0cd\0", 6) << QStringLiteral("ab");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("chinese") << platform::shell::到本地代码页(QStringLiteral("便签")) + '\0'
                                 << QStringLiteral("便签");
    }
    void stringValues() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, expected);
        QVERIFY(storeRaw(kKey, "s", reg::RegSz, stored));
        const Read r = read(kKey, QStringLiteral("S"), REG_SZ, QStringLiteral("replaced"));
        QVERIFY(r.result);
        QCOMPARE(r.type, REG_SZ);
        QCOMPARE(r.text, expected);
    }

    void storedTypeDecidesTheDecoding() {
        // The caller asks for a string; the stored type wins and is handed back.
        QVERIFY(storeRaw(kKey, "d", reg::RegDword, QByteArray("\xFF\xFF\xFF\xFF", 4)));
        const Read r = read(kKey, QStringLiteral("d"), REG_SZ);
        QCOMPARE(r.type, 4);
        QCOMPARE(r.text, QStringLiteral("-1"));
    }

    void numbers_data() {
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("dword -1") << reg::RegDword << QByteArray("\xFF\xFF\xFF\xFF", 4)
                                  << QStringLiteral("-1");
        QTest::newRow("dword little endian")
            << reg::RegDword << QByteArray("\x01\x02\x00\x00", 4) << QStringLiteral("513");
        QTest::newRow("dword max")
            << reg::RegDword << QByteArray("\xFF\xFF\xFF\x7F", 4) << QStringLiteral("2147483647");
        QTest::newRow("big endian read unswapped")
            << reg::RegDwordBigEndian << QByteArray("\x01\x00\x00\x00", 4) << QStringLiteral("1");
        QTest::newRow("short data")
            << reg::RegDword << QByteArray("\x05", 1) << QStringLiteral("5");
        QTest::newRow("too long data reads 0")
            << reg::RegDword << QByteArray("\x05\0\0\0\0\0\0\0", 8) << QStringLiteral("0");
    }
    void numbers() {
        QFETCH(std::uint32_t, type);
        QFETCH(QByteArray, stored);
        QFETCH(QString, expected);
        QVERIFY(storeRaw(kKey, "n", type, stored));
        const Read r = read(kKey, QStringLiteral("n"), REG_SZ, QStringLiteral("replaced"));
        QVERIFY(r.result);
        QCOMPARE(r.type, static_cast<std::int32_t>(type));
        QCOMPARE(r.text, expected);
    }

    void binaryIsHexWithoutLeadingZeros() {
        QVERIFY(storeRaw(kKey, "b", reg::RegBinary, QByteArray("\x01\xAB\x00", 3)));
        QCOMPARE(read(kKey, QStringLiteral("b")).text, QStringLiteral("1AB0"));
        QVERIFY(storeRaw(kKey, "b", reg::RegBinary, QByteArray("\x0A\xF0\x10\xFF", 4)));
        QCOMPARE(read(kKey, QStringLiteral("b")).text, QStringLiteral("AF010FF"));
        // The digits are appended to the text handed in.
        QCOMPARE(read(kKey, QStringLiteral("b"), REG_SZ, QStringLiteral("x:")).text,
                 QStringLiteral("x:AF010FF"));
        QVERIFY(storeRaw(kKey, "b", reg::RegBinary, QByteArray()));
        QCOMPARE(read(kKey, QStringLiteral("b"), REG_SZ, QStringLiteral("x:")).text,
                 QStringLiteral("x:"));
    }

    void expandableStringsAreExpanded() {
        // Environment texts are in the code page too.
        qputenv("QUILLET_MODULE_TEST", platform::shell::到本地代码页(QStringLiteral("/home/用户")));
        QVERIFY(storeRaw(
            kKey, "e", reg::RegExpandSz,
            platform::shell::到本地代码页(QStringLiteral("%QUILLET_MODULE_TEST%\\notes")) + '\0'));
        Read r = read(kKey, QStringLiteral("e"));
        QCOMPARE(r.type, 2);
        QCOMPARE(r.text, QStringLiteral("/home/用户\\notes"));

        // An expansion far longer than the stored text comes back whole.
        const QByteArray longValue(5000, 'v');
        qputenv("QUILLET_MODULE_TEST", longValue);
        QVERIFY(storeRaw(kKey, "e", reg::RegExpandSz, QByteArray("<%QUILLET_MODULE_TEST%>", 24)));
        r = read(kKey, QStringLiteral("e"));
        QCOMPARE(r.text, u'<' + QString::fromLatin1(longValue) + u'>');
        qunsetenv("QUILLET_MODULE_TEST");
    }

    void multiStringsDropTheirLastCharacter() {
        QVERIFY(storeRaw(kKey, "m", reg::RegMultiSz, QByteArray("a\0bc\0\0", 6)));
        Read r = read(kKey, QStringLiteral("m"));
        QCOMPARE(r.type, 7);
        QCOMPARE(r.text, QString::fromLatin1("a\0bc\0", 5));
        QVERIFY(storeRaw(kKey, "m", reg::RegMultiSz, QByteArray()));
        QCOMPARE(read(kKey, QStringLiteral("m"), REG_SZ, QStringLiteral("x")).text, QString());
    }

    void otherTypesLeaveTheTextAlone_data() {
        QTest::addColumn<std::uint32_t>("type");
        QTest::newRow("none") << 0u;
        QTest::newRow("link") << 6u;
        QTest::newRow("resource list") << 8u;
        QTest::newRow("qword") << 11u;
    }
    void otherTypesLeaveTheTextAlone() {
        QFETCH(std::uint32_t, type);
        QVERIFY(storeRaw(kKey, "o", type, QByteArray("zz\0", 3)));
        const Read r = read(kKey, QStringLiteral("o"), REG_SZ, QStringLiteral("unchanged"));
        QVERIFY(r.result);
        QCOMPARE(r.type, static_cast<std::int32_t>(type));
        QCOMPARE(r.text, QStringLiteral("unchanged"));
    }

    void writeCountsBytesInTheLocaleCodePage() {
        const QString ascii(30, u'q');
        QVERIFY(写入注册表值(HKEY_CURRENT_USER, kKey, QStringLiteral("w"), REG_SZ, ascii));
        auto raw = loadRaw(kKey, "w");
        QVERIFY(raw);
        QCOMPARE(raw->first, reg::RegSz);
        QCOMPARE(raw->second.size(), 31);
        QCOMPARE(raw->second.back(), '\0');

        const QString chinese = QStringLiteral("开机自动启动程序 ok");
        QVERIFY(写入注册表值(HKEY_CURRENT_USER, kKey, QStringLiteral("w"), REG_SZ, chinese));
        raw = loadRaw(kKey, "w");
        QVERIFY(raw);
        QCOMPARE(raw->second, platform::shell::到本地代码页(chinese) + '\0');
        const qsizetype perCharacter = platform::shell::到本地代码页(QStringLiteral("便")).size();
        if (perCharacter > 1) {  // UTF-8: three bytes a Chinese character; GBK: two
            QCOMPARE(raw->second.size(), 8 * perCharacter + 3 + 1);
        }
        QCOMPARE(read(kKey, QStringLiteral("W")).text, chinese);
    }

    void writeTypeIsStoredAsGiven() {
        QVERIFY(
            写入注册表值(HKEY_CURRENT_USER, kKey, QStringLiteral("t"), 2, QStringLiteral("%X%")));
        const auto raw = loadRaw(kKey, "t");
        QVERIFY(raw);
        QCOMPARE(raw->first, reg::RegExpandSz);
        QCOMPARE(raw->second, QByteArray("%X%", 4));
    }

    void writeCreatesMissingKeysAndNamesIgnoreCase() {
        const QString deep = QStringLiteral("Software\\Quillet\\A\\B\\C");
        QVERIFY(!read(deep, QStringLiteral("v")).result);
        QVERIFY(写入注册表值(HKEY_CURRENT_USER, deep, QStringLiteral("Value"), REG_SZ,
                             QStringLiteral("text")));
        QVERIFY(read(QStringLiteral("software\\quillet\\a"), QStringLiteral("x")).result);
        QCOMPARE(read(QStringLiteral("SOFTWARE\\QUILLET\\A\\B\\C"), QStringLiteral("VALUE")).text,
                 QStringLiteral("text"));
    }

    // A path with a leading backslash, a root that is no predefined key: refused by Windows and
    // by Wine alike (Wine takes an empty name inside a path, and lets the superuser write below
    // HKEY_LOCAL_MACHINE).
    void writeFailsWithoutAUsableKey() {
        QVERIFY(!写入注册表值(HKEY_CURRENT_USER, QStringLiteral("\\Software\\Bad"),
                              QStringLiteral("v"), REG_SZ, QStringLiteral("x")));
        QVERIFY(!写入注册表值(0x80000010u, QStringLiteral("Software"), QStringLiteral("v"), REG_SZ,
                              QStringLiteral("x")));
    }

    void deleteReportsWhetherAValueWent() {
        QVERIFY(写入注册表值(HKEY_CURRENT_USER, kKey, QStringLiteral("gone"), REG_SZ,
                             QStringLiteral("x")));
        QVERIFY(删除注册表值(HKEY_CURRENT_USER, kKey, QStringLiteral("GONE")));
        QCOMPARE(read(kKey, QStringLiteral("gone"), REG_SZ, QStringLiteral("old")).text, QString());
        QVERIFY(!删除注册表值(HKEY_CURRENT_USER, kKey, QStringLiteral("gone")));
        QVERIFY(!删除注册表值(HKEY_CURRENT_USER, kRun, QStringLiteral("Quillet")));
    }

    void deleteFromAMissingKeyCreatesNothing() {
        QVERIFY(!删除注册表值(HKEY_CURRENT_USER, QStringLiteral("Software\\Nowhere\\Deeper"),
                              QStringLiteral("v")));
        QVERIFY(!read(QStringLiteral("Software\\Nowhere"), QStringLiteral("v")).result);
        QVERIFY(!QFile::exists(config() + QStringLiteral("/Quillet/registry.json")));
    }

    void runValueRoundTripsThroughTheAutostartFolder() {
#ifdef Q_OS_WIN
        QSKIP("Windows keeps the Run key in its registry, not as an autostart file");
#endif
        const QString command =
            QStringLiteral("\"/home/用户/my \"notes\" $HOME 100%/quillet\" mini");
        QVERIFY(写入注册表值(HKEY_CURRENT_USER, kRun, QStringLiteral("Quillet"), REG_SZ, command));
        QVERIFY(QFile::exists(config() + QStringLiteral("/autostart/Quillet.desktop")));
        const Read r = read(kRun, QStringLiteral("quillet"));
        QVERIFY(r.result);
        QCOMPARE(r.type, REG_SZ);
        QCOMPARE(r.text, command);
        QVERIFY(删除注册表值(HKEY_CURRENT_USER, kRun, QStringLiteral("Quillet")));
        QVERIFY(!QFile::exists(config() + QStringLiteral("/autostart/Quillet.desktop")));
        QCOMPARE(read(kRun, QStringLiteral("Quillet")).text, QString());
    }
};

QTEST_GUILESS_MAIN(RegistryModuleTest)
#include "test_registry_module.moc"
