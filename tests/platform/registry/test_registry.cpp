// SPDX-License-Identifier: MIT
// The registry functions over the per-user store and the autostart folder.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <glib.h>

#include <memory>

#include <sys/stat.h>

#include "platform/registry/autostart_entry.h"
#include "platform/registry/registry.h"
#include "platform/shell/shell.h"

namespace reg = platform::registry;
namespace entry = platform::registry::autostart;

namespace {

const char* const kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Opens (or creates) a key, failing the test when that does not work.
reg::Key openKey(const char* path, bool create = false) {
    reg::Key key = 0;
    const reg::Status status = create ? reg::CreateKey(reg::HkeyCurrentUser, path, &key)
                                      : reg::OpenKey(reg::HkeyCurrentUser, path, &key);
    if (status != reg::Success) {
        qWarning("cannot open %s: %d", path, status);
    }
    return key;
}

reg::Status setBytes(reg::Key key, const char* name, std::uint32_t type, const QByteArray& data) {
    return reg::SetValueEx(key, name, type,
                           reinterpret_cast<const unsigned char*>(data.constData()),
                           static_cast<std::uint32_t>(data.size()));
}

// The value's data by the size protocol: ask for the size, then read exactly that much.
std::optional<QByteArray> queryBytes(reg::Key key, const char* name,
                                     std::uint32_t* type = nullptr) {
    std::uint32_t size = 0;
    if (reg::QueryValueEx(key, name, type, nullptr, &size) != reg::Success) {
        return std::nullopt;
    }
    QByteArray data(static_cast<qsizetype>(size), '\xEE');
    std::uint32_t got = size;
    if (reg::QueryValueEx(key, name, nullptr, reinterpret_cast<unsigned char*>(data.data()),
                          &got) != reg::Success ||
        got != size) {
        return std::nullopt;
    }
    return data;
}

// The value found by following object keys (and array indexes written as numbers).
QJsonValue at(const QByteArray& json, const QStringList& path) {
    QJsonValue value = QJsonDocument::fromJson(json).object();
    for (const QString& step : path) {
        bool isIndex = false;
        const int index = step.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(step);
    }
    return value;
}

QByteArray text(const QString& s) {
    QByteArray bytes = platform::shell::到本地代码页(s);
    bytes.append('\0');
    return bytes;
}

// The Exec value of an entry, its string escapes undone, as the session's launcher (GLib) reads
// it; empty when there is none.
QString execOf(const QString& path) {
    GKeyFile* file = g_key_file_new();
    QString exec;
    if (g_key_file_load_from_file(file, QFile::encodeName(path).constData(), G_KEY_FILE_NONE,
                                  nullptr)) {
        gchar* value = g_key_file_get_string(file, G_KEY_FILE_DESKTOP_GROUP, "Exec", nullptr);
        exec = QString::fromUtf8(value);
        g_free(value);
    }
    g_key_file_free(file);
    return exec;
}

// Whether desktop-file-validate (desktop-file-utils) accepts an entry; its complaints otherwise.
QString validationErrors(const QString& path) {
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(QStringLiteral("desktop-file-validate"), {path});
    if (!validate.waitForFinished()) {
        return QStringLiteral("desktop-file-validate did not run: ") + validate.errorString();
    }
    const QString output = QString::fromUtf8(validate.readAll());
    return validate.exitCode() == 0 ? QString() : output;
}

QStringList awkwardFolders() {
    return {QStringLiteral("/tmp/with blank/bin"),
            QStringLiteral("/tmp/double\"quote"),
            QStringLiteral("/tmp/x\" y"),
            QStringLiteral("/tmp/single'quote"),
            QStringLiteral("/tmp/dollar$HOME and ${PATH}"),
            QStringLiteral("/tmp/percent%u 100%% %"),
            QStringLiteral("/tmp/back\\slash\\\\twice"),
            QStringLiteral("/tmp/trailing backslash\\"),
            QStringLiteral("/tmp/back`tick`"),
            QStringLiteral("/home/用户/便签 程序"),
            QStringLiteral("/tmp/tab\there/new\nline/cr\rx"),
            QStringLiteral("/tmp/ leading and trailing "),
            QStringLiteral("/tmp/semi;amp&pipe|<lt>gt~tilde*star?q#hash(paren)=eq"),
            QStringLiteral("/tmp/\\s\\n\\t literal escapes"),
            QStringLiteral("/tmp/\"\" mini \"")};
}

}  // namespace

class RegistryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home_;

    QString config() const { return home_->path() + QStringLiteral("/config"); }
    QString storeFile() const { return config() + QStringLiteral("/Quillet/registry.json"); }
    QString entryFile(const QString& name) const {
        return config() + QStringLiteral("/autostart/") + name + QStringLiteral(".desktop");
    }

    // Writes a string value under the Run key and checks that it reads back exactly and that the
    // Exec line carries its program and arguments. For the program's own form ("<path>" mini)
    // the Exec line alone must give back the exact text.
    void checkRunValueRoundTrip(const QString& command, bool fromExecAlone) {
        const reg::Key run = openKey(kRun);
        QVERIFY(run != 0);
        QCOMPARE(setBytes(run, "Quillet", reg::RegSz, text(command)), reg::Success);
        std::uint32_t type = 0;
        QCOMPARE(queryBytes(run, "Quillet", &type), std::optional<QByteArray>(text(command)));
        QCOMPARE(type, reg::RegSz);

        // The Exec line on its own carries the program and its arguments.
        QString file = QString::fromUtf8(readFile(entryFile(QStringLiteral("Quillet"))));
        QStringList kept;
        for (const QString& line : file.split(QStringLiteral("\n"))) {
            if (!line.startsWith(QStringLiteral("X-Quillet-Command="))) {
                kept.append(line);
            }
        }
        const std::optional<QStringList> launched =
            entry::argumentsFromExec(execOf(entryFile(QStringLiteral("Quillet"))));
        QVERIFY(launched);
        QCOMPARE(*launched, entry::launchArguments(entry::commandArguments(command)));
        QCOMPARE(entry::programArguments(*launched), entry::commandArguments(command));
        // Session managers skip entries that their validator rejects.
        const QString errors = validationErrors(entryFile(QStringLiteral("Quillet")));
        QVERIFY2(errors.isEmpty(), qPrintable(errors));
        if (fromExecAlone) {
            writeFile(entryFile(QStringLiteral("Quillet")),
                      kept.join(QStringLiteral("\n")).toUtf8());
            QCOMPARE(queryBytes(run, "Quillet"), std::optional<QByteArray>(text(command)));
        }
        reg::CloseKey(run);
    }

  private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        qputenv("XDG_CONFIG_HOME", config().toLocal8Bit());
    }
    void cleanup() { home_.reset(); }

    void configFolderIsAnAbsoluteXdgConfigHome() {
        QCOMPARE(reg::configHome(), config());
        qputenv("XDG_CONFIG_HOME", config().toLocal8Bit() + "/../config/");
        QCOMPARE(reg::configHome(), config());
        // A relative one would name a folder below wherever the program was started.
        qputenv("XDG_CONFIG_HOME", "relative/config");
        QCOMPARE(reg::configHome(), QDir::homePath() + QStringLiteral("/.config"));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(reg::configHome(), QDir::homePath() + QStringLiteral("/.config"));
    }

    void runKeyAndItsParentsAlwaysExist() {
        for (const char* path : {kRun, "software\\MICROSOFT\\windows\\currentversion\\run\\",
                                 "SOFTWARE\\Microsoft", "", static_cast<const char*>(nullptr)}) {
            reg::Key key = 0;
            QCOMPARE(reg::OpenKey(reg::HkeyCurrentUser, path, &key), reg::Success);
            QVERIFY(key != 0);
            QCOMPARE(reg::CloseKey(key), reg::Success);
        }
        reg::Key key = 0;
        QCOMPARE(reg::OpenKey(reg::HkeyCurrentUser, "SOFTWARE\\Quillet", &key), reg::FileNotFound);
        QCOMPARE(reg::OpenKey(reg::HkeyCurrentUser, "SOFTWARE\\\\Microsoft", &key),
                 reg::InvalidParameter);
        QCOMPARE(reg::OpenKey(0x80000002u, "SOFTWARE", &key), reg::InvalidHandle);
        QVERIFY(!QFile::exists(storeFile()));
    }

    void createKeyMakesMissingParentsAndIgnoresCase() {
        reg::Key key = 0;
        QCOMPARE(reg::CreateKey(reg::HkeyCurrentUser, "Software\\Quillet\\Deep\\Er\\", &key),
                 reg::Success);
        reg::CloseKey(key);
        for (const char* path :
             {"SOFTWARE\\QUILLET", "software\\quillet\\deep", "Software\\Quillet\\DEEP\\er"}) {
            QCOMPARE(reg::OpenKey(reg::HkeyCurrentUser, path, &key), reg::Success);
            reg::CloseKey(key);
        }
        const QByteArray before = readFile(storeFile());
        QCOMPARE(reg::CreateKey(reg::HkeyCurrentUser, "SOFTWARE\\QUILLET\\deep", &key),
                 reg::Success);
        reg::CloseKey(key);
        QCOMPARE(readFile(storeFile()), before);  // nothing new, nothing written

        // Names keep the case they were created with, and exist once.
        QCOMPARE(at(before, {"roots", "HKEY_CURRENT_USER", "keys", "Software", "keys"})
                     .toObject()
                     .keys(),
                 QStringList{QStringLiteral("Quillet")});

        // A sub-key opened below an open key.
        reg::Key parent = openKey("Software\\Quillet");
        QCOMPARE(reg::OpenKey(parent, "deep\\er", &key), reg::Success);
        reg::CloseKey(key);
        reg::CloseKey(parent);
    }

    void valuesFollowTheSizeProtocolAndIgnoreCase() {
        const reg::Key key = openKey("Software\\Quillet", true);
        const QByteArray data("\x01\x00\xAB\x00", 4);
        QCOMPARE(setBytes(key, "Colour", reg::RegBinary, data), reg::Success);

        std::uint32_t type = 0;
        std::uint32_t size = 0;
        QCOMPARE(reg::QueryValueEx(key, "colour", &type, nullptr, &size), reg::Success);
        QCOMPARE(type, reg::RegBinary);
        QCOMPARE(size, 4u);
        unsigned char small[3] = {9, 9, 9};
        size = sizeof small;
        QCOMPARE(reg::QueryValueEx(key, "Colour", nullptr, small, &size), reg::MoreData);
        QCOMPARE(size, 4u);
        QCOMPARE(queryBytes(key, "COLOUR"), std::optional<QByteArray>(data));

        // Writing the same name in another case replaces the value and keeps its first name.
        QCOMPARE(setBytes(key, "COLOUR", reg::RegDword, QByteArray("\xFF\xFF\xFF\xFF", 4)),
                 reg::Success);
        QCOMPARE(queryBytes(key, "colour", &type),
                 std::optional<QByteArray>(QByteArray("\xFF\xFF\xFF\xFF", 4)));
        QCOMPARE(type, reg::RegDword);
        const QJsonArray values =
            at(readFile(storeFile()),
               {"roots", "HKEY_CURRENT_USER", "keys", "Software", "keys", "Quillet", "values"})
                .toArray();
        QCOMPARE(values.size(), 1);
        QCOMPARE(values[0].toObject().value(u"name").toString(), QStringLiteral("Colour"));
        QCOMPARE(values[0].toObject().value(u"type").toInt(), 4);
        QCOMPARE(values[0].toObject().value(u"data").toString(), QStringLiteral("ffffffff"));

        // Empty data and the default (unnamed) value.
        QCOMPARE(setBytes(key, nullptr, reg::RegSz, QByteArray()), reg::Success);
        QCOMPARE(queryBytes(key, ""), std::optional<QByteArray>(QByteArray()));
        reg::CloseKey(key);
    }

    void missingValuesLeaveOutputsAlone() {
        const reg::Key key = openKey(kRun);
        std::uint32_t type = 77;
        std::uint32_t size = 99;
        unsigned char data[4] = {1, 2, 3, 4};
        QCOMPARE(reg::QueryValueEx(key, "Quillet", &type, data, &size), reg::FileNotFound);
        QCOMPARE(type, 77u);
        QCOMPARE(size, 99u);
        QCOMPARE(data[0], 1);
        QCOMPARE(reg::DeleteValue(key, "Quillet"), reg::FileNotFound);
        reg::CloseKey(key);
        QVERIFY(!QFile::exists(storeFile()));
        QVERIFY(!QFile::exists(entryFile(QStringLiteral("Quillet"))));
    }

    void deleteRemovesOnlyThatValue() {
        const reg::Key key = openKey("Software\\Quillet", true);
        QCOMPARE(setBytes(key, "a", reg::RegSz, text(QStringLiteral("1"))), reg::Success);
        QCOMPARE(setBytes(key, "b", reg::RegSz, text(QStringLiteral("2"))), reg::Success);
        QCOMPARE(reg::DeleteValue(key, "A"), reg::Success);
        QCOMPARE(reg::DeleteValue(key, "a"), reg::FileNotFound);
        QVERIFY(!queryBytes(key, "a"));
        QCOMPARE(queryBytes(key, "b"), std::optional<QByteArray>(text(QStringLiteral("2"))));
        reg::CloseKey(key);
    }

    void closedHandlesAreRejected() {
        const reg::Key key = openKey(kRun);
        QCOMPARE(reg::CloseKey(key), reg::Success);
        QCOMPARE(reg::CloseKey(key), reg::InvalidHandle);
        std::uint32_t size = 0;
        QCOMPARE(reg::QueryValueEx(key, "x", nullptr, nullptr, &size), reg::InvalidHandle);
        QCOMPARE(setBytes(key, "x", reg::RegSz, "1"), reg::InvalidHandle);
        QCOMPARE(reg::DeleteValue(key, "x"), reg::InvalidHandle);
        QCOMPARE(reg::CloseKey(reg::HkeyCurrentUser), reg::Success);
    }

    void damagedStoreReadsEmptyAndSurvivesReads_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not json") << QByteArray("\x00\x01garbage", 9);
        QTest::newRow("cut short") << QByteArray(
            R"({"format":"quillet-registry","version":1,"roots":{"HKEY_CURRENT_USER":{"keys":)");
        QTest::newRow("other format")
            << QByteArray(R"({"format":"something","version":1,"roots":{}})");
        QTest::newRow("no version") << QByteArray(R"({"format":"quillet-registry","roots":{}})");
        QTest::newRow("bad hex") << QByteArray(
            R"({"format":"quillet-registry","version":1,"roots":{"HKEY_CURRENT_USER":{"keys":)"
            R"({"Software":{"keys":{"Quillet":{"values":[{"name":"v","type":1,"data":"zz"}]}}}}}}})");
        QTest::newRow("names differing in case") << QByteArray(
            R"({"format":"quillet-registry","version":1,"roots":{"HKEY_CURRENT_USER":{"keys":)"
            R"({"Software":{"keys":{"Quillet":{},"QUILLET":{}}}}}}})");
    }
    void damagedStoreReadsEmptyAndSurvivesReads() {
        QFETCH(QByteArray, content);
        writeFile(storeFile(), content);
        reg::Key key = 0;
        QCOMPARE(reg::OpenKey(reg::HkeyCurrentUser, "Software\\Quillet", &key), reg::FileNotFound);
        const reg::Key run = openKey(kRun);
        QVERIFY(!queryBytes(run, "Quillet"));
        reg::CloseKey(run);
        QCOMPARE(readFile(storeFile()), content);

        // A write starts afresh, after keeping the damaged file aside.
        const reg::Key created = openKey("Software\\Quillet", true);
        QVERIFY(created != 0);
        QCOMPARE(setBytes(created, "v", reg::RegSz, "x"), reg::Success);
        reg::CloseKey(created);
        const QStringList aside = QDir(config() + QStringLiteral("/Quillet"))
                                      .entryList({QStringLiteral("registry.json.damaged-*")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(readFile(config() + QStringLiteral("/Quillet/") + aside.front()), content);
        const reg::Key again = openKey("SOFTWARE\\quillet");
        QCOMPARE(queryBytes(again, "V"), std::optional<QByteArray>("x"));
        reg::CloseKey(again);
    }

    void storeOfANewerVersionIsNeverReplaced() {
        const QByteArray content(
            R"({"format":"quillet-registry","version":2,"roots":{"HKEY_CURRENT_USER":{"keys":)"
            R"({"Software":{"keys":{"Quillet":{}}}}}}})");
        writeFile(storeFile(), content);
        reg::Key key = 0;
        QCOMPARE(reg::OpenKey(reg::HkeyCurrentUser, "Software\\Quillet", &key), reg::FileNotFound);
        QCOMPARE(reg::CreateKey(reg::HkeyCurrentUser, "Software\\Quillet", &key),
                 reg::AccessDenied);
        QCOMPARE(readFile(storeFile()), content);
    }

    void unreadableStoreReadsEmptyAndIsNotReplaced_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"folder", "fifo", "endless device", "too large"}) {
            QTest::newRow(kind) << QString::fromLatin1(kind);
        }
    }
    void unreadableStoreReadsEmptyAndIsNotReplaced() {
        // Neither the store nor the Run value's log-on entry may stop or exhaust the program.
        QFETCH(QString, kind);
        const QString entry = entryFile(QStringLiteral("Quillet"));
        for (const QString& path : {storeFile(), entry}) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            if (kind == QLatin1String("folder")) {
                QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
            } else if (kind == QLatin1String("fifo")) {
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            } else if (kind == QLatin1String("endless device")) {
                QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
            } else {
                writeFile(path, QByteArray(4 * 1024 * 1024 + 1, ' '));
            }
        }
        const QFileInfo before(storeFile());
        const reg::Key run = openKey(kRun);
        QVERIFY(!queryBytes(run, "Count"));
        QVERIFY(!queryBytes(run, "Quillet"));
        QVERIFY(setBytes(run, "Count", reg::RegDword, QByteArray(4, '\0')) != reg::Success);
        reg::Key key = 0;
        QVERIFY(reg::CreateKey(reg::HkeyCurrentUser, "Software\\Quillet", &key) != reg::Success);
        reg::CloseKey(run);
        const QFileInfo after(storeFile());
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.isDir(), before.isDir());
        QCOMPARE(after.size(), before.size());
        QVERIFY(QDir(config() + QStringLiteral("/Quillet"))
                    .entryList({QStringLiteral("registry.json.damaged-*")})
                    .isEmpty());
    }

    void storeReachedThroughALinkIsRead() {
        const reg::Key created = openKey("Software\\Quillet", true);
        QCOMPARE(setBytes(created, "v", reg::RegSz, "x"), reg::Success);
        reg::CloseKey(created);
        const QString moved = config() + QStringLiteral("/elsewhere.json");
        QVERIFY(QFile::rename(storeFile(), moved));
        QVERIFY(QFile::link(moved, storeFile()));
        const reg::Key again = openKey("Software\\Quillet");
        QCOMPARE(queryBytes(again, "v"), std::optional<QByteArray>("x"));
        reg::CloseKey(again);
    }

    void storeIsPrivateVersionedJson() {
        const reg::Key key = openKey("Software\\Quillet", true);
        QCOMPARE(setBytes(key, "Bytes", reg::RegBinary, QByteArray("\x00\x7F\xFF", 3)),
                 reg::Success);
        reg::CloseKey(key);
        const QByteArray json = readFile(storeFile());
        QCOMPARE(at(json, {"format"}).toString(), QStringLiteral("quillet-registry"));
        QCOMPARE(at(json, {"version"}).toInt(), 1);
        QCOMPARE(at(json, {"roots", "HKEY_CURRENT_USER", "keys", "Software", "keys", "Quillet",
                           "values", "0", "data"})
                     .toString(),
                 QStringLiteral("007fff"));
        QCOMPARE(
            QFile::permissions(storeFile()) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
            QFileDevice::Permissions());
    }

    void expandEnvironment_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("expected");
        qputenv("QUILLET_TEST_A", "alpha");
        qputenv("QUILLET_TEST_CN", "便签");
        qunsetenv("QUILLET_TEST_UNSET");
        QTest::newRow("plain") << QByteArray("no refs") << QByteArray("no refs");
        QTest::newRow("one") << QByteArray("x%QUILLET_TEST_A%y") << QByteArray("xalphay");
        QTest::newRow("two") << QByteArray("%QUILLET_TEST_A%\\%QUILLET_TEST_CN%")
                             << QByteArray("alpha\\便签");
        QTest::newRow("unset stays")
            << QByteArray("a%QUILLET_TEST_UNSET%b") << QByteArray("a%QUILLET_TEST_UNSET%b");
        QTest::newRow("unset then set") << QByteArray("%QUILLET_TEST_UNSET%QUILLET_TEST_A%")
                                        << QByteArray("%QUILLET_TEST_UNSETalpha");
        QTest::newRow("lone percent") << QByteArray("100% sure") << QByteArray("100% sure");
        QTest::newRow("double percent") << QByteArray("%%") << QByteArray("%%");
        QTest::newRow("empty") << QByteArray("") << QByteArray("");
    }
    void expandEnvironment() {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, expected);
        char buffer[256];
        std::memset(buffer, 'X', sizeof buffer);
        QCOMPARE(reg::ExpandEnvironment(source.constData(), buffer, sizeof buffer),
                 static_cast<std::uint32_t>(expected.size() + 1));
        QCOMPARE(QByteArray(buffer), expected);

        // Too small: the size needed, and nothing written.
        char tiny[2] = {'X', 'X'};
        if (expected.size() + 1 > 2) {
            QCOMPARE(reg::ExpandEnvironment(source.constData(), tiny, sizeof tiny),
                     static_cast<std::uint32_t>(expected.size() + 1));
            QCOMPARE(tiny[0], 'X');
        }
    }

    void runStringValuesAreAutostartEntries() {
        const reg::Key run = openKey(kRun);
        const QString command = QStringLiteral("\"/opt/quillet/quillet\" mini");
        QCOMPARE(setBytes(run, "Quillet", reg::RegSz, text(command)), reg::Success);
        const QString file = QString::fromUtf8(readFile(entryFile(QStringLiteral("Quillet"))));
        QVERIFY(file.startsWith(QStringLiteral("[Desktop Entry]\n")));
        for (const char* line :
             {"Type=Application\n", "Name=Quillet\n", "Exec=/opt/quillet/quillet mini\n",
              "TryExec=/opt/quillet/quillet\n", "X-Quillet-Value-Type=1\n"}) {
            QVERIFY2(file.contains(QLatin1String(line)), line);
        }
        QVERIFY(!QFile::exists(storeFile()));  // nothing in the store
        QVERIFY(QDir(config() + QStringLiteral("/autostart")).entryList(QDir::Files).size() == 1);

        std::uint32_t type = 0;
        QCOMPARE(queryBytes(run, "QUILLET", &type), std::optional<QByteArray>(text(command)));
        QCOMPARE(type, reg::RegSz);

        // Changing its type moves it out of the autostart folder, and back.
        QCOMPARE(setBytes(run, "quillet", reg::RegDword, QByteArray("\x01\0\0\0", 4)),
                 reg::Success);
        QVERIFY(!QFile::exists(entryFile(QStringLiteral("Quillet"))));
        QCOMPARE(queryBytes(run, "Quillet", &type),
                 std::optional<QByteArray>(QByteArray("\x01\0\0\0", 4)));
        QCOMPARE(type, reg::RegDword);
        QCOMPARE(setBytes(run, "Quillet", reg::RegExpandSz, text(command)), reg::Success);
        QCOMPARE(queryBytes(run, "Quillet", &type), std::optional<QByteArray>(text(command)));
        QCOMPARE(type, reg::RegExpandSz);

        QCOMPARE(reg::DeleteValue(run, "Quillet"), reg::Success);
        QVERIFY(!QFile::exists(entryFile(QStringLiteral("Quillet"))));
        QCOMPARE(reg::DeleteValue(run, "Quillet"), reg::FileNotFound);
        QVERIFY(!queryBytes(run, "Quillet"));
        reg::CloseKey(run);
    }

    void otherProgramsEntriesAreLeftAlone() {
        const QByteArray foreign(
            "[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/other\n");
        writeFile(entryFile(QStringLiteral("Quillet")), foreign);
        writeFile(entryFile(QStringLiteral("other")), foreign);
        const reg::Key run = openKey(kRun);
        QVERIFY(!queryBytes(run, "Quillet"));
        QVERIFY(!queryBytes(run, "other"));
        QCOMPARE(setBytes(run, "Quillet", reg::RegSz, text(QStringLiteral("\"/q\" mini"))),
                 reg::AccessDenied);
        QCOMPARE(reg::DeleteValue(run, "Quillet"), reg::FileNotFound);
        QCOMPARE(reg::DeleteValue(run, "other"), reg::FileNotFound);
        reg::CloseKey(run);
        QCOMPARE(readFile(entryFile(QStringLiteral("Quillet"))), foreign);
        QCOMPARE(readFile(entryFile(QStringLiteral("other"))), foreign);
    }

    void editedExecLineWins() {
        const reg::Key run = openKey(kRun);
        QCOMPARE(setBytes(run, "Quillet", reg::RegSz, text(QStringLiteral("\"/old/q\" mini"))),
                 reg::Success);
        const QString path = entryFile(QStringLiteral("Quillet"));
        QString file = QString::fromUtf8(readFile(path));
        file.replace(QStringLiteral("Exec=/old/q mini"),
                     QStringLiteral("Exec=\"/new place/q\" mini %U"));
        writeFile(path, file.toUtf8());
        QCOMPARE(queryBytes(run, "Quillet"),
                 std::optional<QByteArray>(text(QStringLiteral("\"/new place/q\" mini"))));
        reg::CloseKey(run);
    }

    void awkwardFoldersRoundTrip_data() {
        QTest::addColumn<QString>("folder");
        const QStringList folders = awkwardFolders();
        for (qsizetype i = 0; i < folders.size(); ++i) {
            QTest::addRow("folder %d", static_cast<int>(i)) << folders[i];
        }
    }
    void awkwardFoldersRoundTrip() {
        QFETCH(QString, folder);
        checkRunValueRoundTrip(QStringLiteral("\"") + folder + QStringLiteral("/quillet\" mini"),
                               true);
    }

    void randomFoldersRoundTrip() {
        const quint32 start = QRandomGenerator::global()->generate();
        qInfo("random start %u", start);
        QRandomGenerator random(start);
        const QString alphabet =
            QStringLiteral("ab Z09 \"'`$%\\/\t\n;&|<>~*?#()=!{}[]-_.,便签文件夹中\u00e9\u00df");
        for (int round = 0; round < 300; ++round) {
            QString folder = QStringLiteral("/");
            const int length = random.bounded(1, 24);
            for (int i = 0; i < length; ++i) {
                folder += random.bounded(8) == 0
                              ? QChar(static_cast<char16_t>(random.bounded(0x20, 0xD7FF)))
                              : alphabet[random.bounded(static_cast<int>(alphabet.size()))];
            }
            checkRunValueRoundTrip(
                QStringLiteral("\"") + folder + QStringLiteral("/quillet\" mini"), true);
            if (QTest::currentTestFailed()) {
                qWarning() << "round" << round << "folder" << folder;
                return;
            }
        }
    }

    void anyTextRoundTrips_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("empty") << QString();
        QTest::newRow("blank") << QStringLiteral("   ");
        QTest::newRow("bare word") << QStringLiteral("notepad");
        QTest::newRow("quoted arguments") << QStringLiteral("\"/a b/c\" \"d e\" f");
        QTest::newRow("unbalanced") << QStringLiteral("\"/a b/c mini");
        QTest::newRow("inner quotes") << QStringLiteral("a \"b\" c");
        QTest::newRow("extra blanks") << QStringLiteral("  \"/q\"   mini  ");
        QTest::newRow("windows path") << QStringLiteral("\"C:\\Program Files\\Q\\Q.exe\" mini");
    }
    void anyTextRoundTrips() {
        QFETCH(QString, command);
        checkRunValueRoundTrip(command, false);
    }

    void execFollowsDesktopEntryQuoting_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("plain") << QStringLiteral("prog mini") << QStringList{"prog", "mini"};
        QTest::newRow("quoted blank")
            << QStringLiteral("\"/a b/prog\" mini") << QStringList{"/a b/prog", "mini"};
        QTest::newRow("escapes in quotes")
            << QStringLiteral("\"a\\\"b\\`c\\$d\\\\e\"") << QStringList{"a\"b`c$d\\e"};
        QTest::newRow("percent") << QStringLiteral("\"100%%\" x%%y") << QStringList{"100%", "x%y"};
        QTest::newRow("field codes dropped")
            << QStringLiteral("prog %U mini %f") << QStringList{"prog", "mini"};
        QTest::newRow("empty argument") << QStringLiteral("prog \"\"") << QStringList{"prog", ""};
    }
    void execFollowsDesktopEntryQuoting() {
        QFETCH(QString, exec);
        QFETCH(QStringList, arguments);
        QCOMPARE(entry::argumentsFromExec(exec), std::optional<QStringList>(arguments));
        QCOMPARE(entry::argumentsFromExec(entry::execFromArguments(arguments)),
                 std::optional<QStringList>(arguments));
        QVERIFY(!entry::argumentsFromExec(QStringLiteral("\"unbalanced")));
    }
};

QTEST_GUILESS_MAIN(RegistryTest)
#include "test_registry.moc"
