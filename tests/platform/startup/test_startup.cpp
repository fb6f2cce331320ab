// SPDX-License-Identifier: MIT
// What the program does at start before its windows: Qt's own texts in Chinese, and one
// running program per note database.
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/startup/qt_translation.h"
#include "platform/startup/single_instance.h"

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace startup = platform::startup;
using 结果 = startup::单一程序::结果;

namespace {

// Sets an environment variable for the life of the object.
class Environment {
  public:
    Environment(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), before_(qgetenv(name)) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    ~Environment() {
        if (had_) {
            qputenv(name_, before_);
        } else {
            qunsetenv(name_);
        }
    }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

  private:
    const char* name_;
    bool had_;
    QByteArray before_;
};

QString yesButtonText() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("标题"), QStringLiteral("问题"),
                    QMessageBox::Yes | QMessageBox::No);
    return box.button(QMessageBox::Yes)->text();
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT

    QTemporaryDir runtime;  // the user's runtime folder, where the sockets live
    QTemporaryDir folders;

    QString database(const QString& folder) {
        QDir().mkpath(folders.filePath(folder));
        const QString path = folders.filePath(folder + QStringLiteral("/Quillet.mdb"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        return path;
    }

  private slots:
    void initTestCase() {
        QVERIFY(runtime.isValid() && folders.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }

    // Qt's own texts turn Chinese from the first folder that holds a readable catalogue; the
    // user's locale (dates) stays; without a catalogue nothing changes.
    void qtTextsInChinese() {
        const QString installed = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (!QFile::exists(installed + QStringLiteral("/qtbase_zh_CN.qm"))) {
            QSKIP("Qt's Chinese catalogue is not installed (qt6-translations-l10n)");
        }
        const QString localeBefore = QLocale().name();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("qtbase_zh_CN.qm.*is in none of"));
        QVERIFY(startup::装入Qt中文翻译({folders.path()}).isEmpty());
        QCOMPARE(yesButtonText(), QStringLiteral("&Yes"));

        // A damaged copy beside the program is passed over; a good one there comes first.
        QTemporaryDir broken, beside;
        QFile damaged(broken.filePath(QStringLiteral("qtbase_zh_CN.qm")));
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("not a catalogue") > 0);
        damaged.close();
        QVERIFY(QFile::copy(installed + QStringLiteral("/qtbase_zh_CN.qm"),
                            beside.filePath(QStringLiteral("qtbase_zh_CN.qm"))));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be read"));
        QCOMPARE(startup::装入Qt中文翻译({broken.path(), beside.path(), installed}),
                 beside.filePath(QStringLiteral("qtbase_zh_CN.qm")));
        QCOMPARE(yesButtonText(), QStringLiteral("是(&Y)"));
        QCOMPARE(QLocale().name(), localeBefore);
    }

    // A later start for the same database hands its arguments to the first and ends; the
    // first gets them even when they came before it was ready to listen. (What a killed
    // program leaves behind is tried end to end, with a real kill.)
    void laterStartHandsOverPerDatabase() {
        const QString notes = database(QStringLiteral("a"));
        startup::单一程序 first(notes);
        QCOMPARE(first.启动({}), 结果::首个);

        // The same file under another name is the same database.
#ifdef Q_OS_WIN
        const QString alias = folders.filePath(QStringLiteral("A/QUILLET.MDB"));
#else
        QVERIFY(QFile::link(folders.filePath(QStringLiteral("a")),
                            folders.filePath(QStringLiteral("link"))));
        const QString alias = folders.filePath(QStringLiteral("link/Quillet.mdb"));
#endif
        startup::单一程序 second(alias);
        QCOMPARE(second.启动({QStringLiteral("mini")}), 结果::已转交);
        QList<QStringList> received;
        first.设置接收([&](const QStringList& arguments) { received << arguments; });
        QCOMPARE(received, QList<QStringList>{QStringList{QStringLiteral("mini")}});

        // Another program folder is another program.
        startup::单一程序 other(database(QStringLiteral("b")));
        QCOMPARE(other.启动({}), 结果::首个);
        QVERIFY(other.名称() != first.名称());
    }

    // Every start on one database file meets the running program's lock, whatever its runtime
    // folder: it hands over where it can reach the program and otherwise ends, never running
    // a second writer. A lock that cannot be taken ends the start too.
    void everyStartOnTheFileMeetsTheLock() {
        const QString notes = database(QStringLiteral("e"));
        auto first = std::make_unique<startup::单一程序>(notes);
        QCOMPARE(first->启动({}), 结果::首个);
        QCOMPARE(QFileInfo(first->锁文件()).absolutePath(), QFileInfo(notes).absolutePath());
        {
            QTemporaryDir elsewhere;
#ifdef Q_OS_WIN
            const char* const loginsFolder = "TMP";  // the pipe's name is made from it
#else
            const char* const loginsFolder = "XDG_RUNTIME_DIR";
#endif
            Environment otherLogin(loginsFolder, QFile::encodeName(elsewhere.path()));
            startup::单一程序 second(notes);
            QVERIFY(second.名称() != first->名称());
            QCOMPARE(second.启动({}, 300), 结果::无应答);
        }
        // Once the program ends, the next start takes its place at once.
        first.reset();
        startup::单一程序 next(notes);
        QCOMPARE(next.启动({}, 300), 结果::首个);

        startup::单一程序 noFolder(folders.filePath(QStringLiteral("missing/Quillet.mdb")));
        QCOMPARE(noFolder.启动({}, 300), 结果::无法加锁);
    }

#ifndef Q_OS_WIN
    // The socket lives only in a folder of the user's alone: a runtime folder or a folder in
    // the temporary folder that belongs to someone else, or that others may write, is not used.
    void theSocketFolderIsTheUsersAlone() {
        if (::geteuid() != 0) {
            QSKIP("giving a folder to another user takes root");
        }
        const QString notes = database(QStringLiteral("f"));
        QTemporaryDir temp;
        Environment tmpdir("TMPDIR", QFile::encodeName(temp.path()));
        const auto privateFolder = [](const QString& folder) {
            struct stat status {};
            return ::lstat(QFile::encodeName(folder).constData(), &status) == 0 &&
                   S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
                   (status.st_mode & 0777) == 0700;
        };

        // A runtime folder of another user's: the socket goes to a private folder of the
        // user's own.
        QTemporaryDir foreign;
        QVERIFY(::chown(QFile::encodeName(foreign.path()).constData(), 65534, 65534) == 0);
        Environment runtimeDir("XDG_RUNTIME_DIR", QFile::encodeName(foreign.path()));
        const QString name = startup::单一程序(notes).名称();
        QVERIFY2(!name.startsWith(foreign.path()) && privateFolder(QFileInfo(name).path()),
                 qPrintable(name));

        // Every folder it could use in the temporary folder taken first by another user, or
        // open to others: no socket at all, and the program still holds the database alone.
        const QStringList taken = {QFileInfo(name).path(),
                                   temp.filePath(QStringLiteral("quillet-%1").arg(::geteuid()))};
        for (const auto& [owner, mode] : {std::pair{65534u, 0700u}, std::pair { 0u, 0777u }}) {
            for (const QString& folder : taken) {
                QDir().mkpath(folder);
                QVERIFY(::chown(QFile::encodeName(folder).constData(), owner, owner) == 0);
                QVERIFY(::chmod(QFile::encodeName(folder).constData(), mode) == 0);
            }
            startup::单一程序 first(notes);
            QVERIFY2(first.名称().isEmpty(), qPrintable(first.名称()));
            QCOMPARE(first.启动({}), 结果::首个);
            QCOMPARE(startup::单一程序(notes).启动({}, 300), 结果::无应答);
        }
    }
#endif

    // A program that closes the connection without answering is ending: the start takes its
    // place instead of reporting a program that does not answer.
    void programEndingAsAStartArrives() {
        const QString notes = database(QStringLiteral("d"));
        QLocalServer ending;
        QVERIFY(ending.listen(startup::单一程序(notes).名称()));
        connect(&ending, &QLocalServer::newConnection,
                [&] { ending.nextPendingConnection()->abort(); });
        startup::单一程序 next(notes);
        QCOMPARE(next.启动({}, 3000), 结果::首个);
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
