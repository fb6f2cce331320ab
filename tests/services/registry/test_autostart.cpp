// SPDX-License-Identifier: MIT
// Start at log-on: the command text, the menu item's toggle, and what a log-on session would
// really start from the entry written.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "services/autostart.h"
#include "services/registry_module.h"

namespace {

QString storedValue() {
    std::int32_t type = 注册表操作::REG_SZ;
    QString text;
    注册表操作::读取注册表值(注册表操作::HKEY_CURRENT_USER, QString::fromUtf16(开机启动::子键),
                             QString::fromUtf16(开机启动::值名), type, text);
    return text;
}

void store(const QString& command) {
    QVERIFY(
        注册表操作::写入注册表值(注册表操作::HKEY_CURRENT_USER, QString::fromUtf16(开机启动::子键),
                                 QString::fromUtf16(开机启动::值名), 注册表操作::REG_SZ, command));
}

// A stand-in for the program: a script that records the arguments it was started with.
void makeRecorder(const QString& path) {
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "#!/bin/sh\n"
        "printf '%s\\0' \"$0\" \"$@\" > \"$QUILLET_ARGV_FILE.part\"\n"
        "mv \"$QUILLET_ARGV_FILE.part\" \"$QUILLET_ARGV_FILE\"\n");
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                QFileDevice::ExeOwner));
}

QStringList recordedArguments(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.readAll();
    bytes.chop(1);  // the last NUL
    QStringList arguments;
    for (const QByteArray& part : bytes.split('\0')) {
        arguments.append(QString::fromUtf8(part));
    }
    return arguments;
}

}  // namespace

class AutostartTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home_;
    QString config() const { return home_->path() + QStringLiteral("/config"); }
    QString entryFile() const { return config() + QStringLiteral("/autostart/Quillet.desktop"); }

    // The environment of a log-on session that sees only this test's autostart folder.
    QProcessEnvironment sessionEnvironment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home_->path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"),
                           home_->path() + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"),
                           home_->path() + QStringLiteral("/cache"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config());
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"),
                           home_->path() + QStringLiteral("/no-system-entries"));
        environment.insert(QStringLiteral("QUILLET_ARGV_FILE"),
                           home_->path() + QStringLiteral("/argv"));
        return environment;
    }

  private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        QVERIFY(QDir().mkpath(home_->path() + QStringLiteral("/no-system-entries")));
        qputenv("XDG_CONFIG_HOME", config().toLocal8Bit());
    }
    void cleanup() { home_.reset(); }

    void commandText_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, const char* folder, const char* name,
                            const char* expected) {
            QTest::newRow(tag) << QString::fromUtf8(folder) << QString::fromUtf8(name)
                               << QString::fromUtf8(expected);
        };
#ifdef Q_OS_WIN
        row("plain", "D:\\Tools", "Q", "\"D:\\Tools\\Q.exe\" mini");
        row("blanks", "C:\\Program Files\\便签", "Quillet",
            "\"C:\\Program Files\\便签\\Quillet.exe\" mini");
        row("drive root", "D:\\", "Q", "\"D:\\Q.exe\" mini");
#else
        row("plain", "/opt/quillet", "quillet", "\"/opt/quillet/quillet\" mini");
        row("blanks and chinese", "/home/用户/My Notes/便签", "quillet",
            "\"/home/用户/My Notes/便签/quillet\" mini");
        row("accents", "/home/zoë/Bücher", "Quillet", "\"/home/zoë/Bücher/Quillet\" mini");
        row("name with dots kept whole", "/opt/q", "quillet.bin", "\"/opt/q/quillet.bin\" mini");
        row("root folder", "/", "quillet", "\"/quillet\" mini");
#endif
    }
    void commandText() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(开机启动::启动命令(folder, name), expected);
    }

    void commandOfTheRunningProgram() {
#ifndef Q_OS_WIN
        QCOMPARE(开机启动::启动命令(),
                 u'"' + QCoreApplication::applicationFilePath() + QStringLiteral("\" mini"));
#endif
        QVERIFY(开机启动::启动命令().endsWith(QStringLiteral("\" mini")));
    }

    void noEntry_clickWritesAndChecks() {
        const QString command =
            开机启动::启动命令(QStringLiteral("/opt/my notes"), QStringLiteral("quillet"));
        QVERIFY(!开机启动::已登记(command));
        QCOMPARE(开机启动::切换(false, command).勾选, true);
        QCOMPARE(storedValue(), command);
        QVERIFY(开机启动::已登记(command));  // the next start shows it checked
        QVERIFY(QFile::exists(entryFile()));
    }

    void checked_clickDeletesAndUnchecks() {
        const QString command = 开机启动::启动命令(QStringLiteral("/opt/q"), QStringLiteral("q"));
        store(command);
        QVERIFY(开机启动::已登记(command));
        QCOMPARE(开机启动::切换(true, command).勾选, false);
        QCOMPARE(storedValue(), QString());
        QVERIFY(!QFile::exists(entryFile()));
        QVERIFY(!开机启动::已登记(command));  // the next start shows it unchecked
        // With nothing left to delete the item still unchecks.
        QCOMPARE(开机启动::切换(true, command).勾选, false);
    }

    void uncheckedWithEqualEntry_clickLeavesItAndChecks() {
        const QString command = 开机启动::启动命令(QStringLiteral("/opt/q"), QStringLiteral("q"));
        store(command);
        const QByteArray before = [&] {
            QFile file(entryFile());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        QCOMPARE(开机启动::切换(false, command).勾选, true);
        QFile file(entryFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    void entryForAnotherPath_isNotOverwritten() {
        const QString old =
            开机启动::启动命令(QStringLiteral("/old/place"), QStringLiteral("quillet"));
        const QString now =
            开机启动::启动命令(QStringLiteral("/new/place"), QStringLiteral("quillet"));
        store(old);
        QVERIFY(!开机启动::已登记(now));  // starts unchecked
        QCOMPARE(开机启动::切换(false, now).勾选, true);
        QCOMPARE(storedValue(), old);
        QVERIFY(!开机启动::已登记(now));  // and is unchecked again at the next start
    }

    void letterCaseCounts() {
        store(开机启动::启动命令(QStringLiteral("/Opt/Quillet"), QStringLiteral("quillet")));
        QVERIFY(!开机启动::已登记(
            开机启动::启动命令(QStringLiteral("/opt/quillet"), QStringLiteral("quillet"))));
        QVERIFY(开机启动::已登记(
            开机启动::启动命令(QStringLiteral("/Opt/Quillet"), QStringLiteral("quillet"))));
    }

    void failedWriteLeavesItUnchecked() {
        // A file where the autostart folder should be: nothing can be registered.
        QVERIFY(QDir().mkpath(config()));
        QFile blocker(config() + QStringLiteral("/autostart"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString command = 开机启动::启动命令(QStringLiteral("/opt/q"), QStringLiteral("q"));
        const 开机启动::切换结果 result = 开机启动::切换(false, command);
        QVERIFY(!result.勾选);
        QVERIFY(!result.成功);
        QCOMPARE(storedValue(), QString());
        QVERIFY(!开机启动::已登记(command));
    }

    void dexWouldStartTheProgram_data() {
        QTest::addColumn<QString>("folder");
        // dex reads quoted arguments without their backslash escapes and keeps "%%", so only
        // folders whose Exec line needs neither are checked with it (gio checks the rest).
        QTest::newRow("plain") << QStringLiteral("plain");
        QTest::newRow("blanks and chinese") << QStringLiteral("My Notes/便签 程序");
        QTest::newRow("shell characters") << QStringLiteral("(x86) & more; #1 'q' ~*?|<>");
    }
    void dexWouldStartTheProgram() {
        const QString dex = QStandardPaths::findExecutable(QStringLiteral("dex"));
        if (dex.isEmpty()) {
            QSKIP("dex is not installed");
        }
        QFETCH(QString, folder);
        const QString directory = home_->path() + QStringLiteral("/") + folder;
        const QString program = directory + QStringLiteral("/quillet");
        makeRecorder(program);
        QCOMPARE(
            开机启动::切换(false, 开机启动::启动命令(directory, QStringLiteral("quillet"))).勾选,
            true);

        QProcess dryRun;
        dryRun.setProcessEnvironment(sessionEnvironment());
        dryRun.start(dex, {QStringLiteral("--autostart"), QStringLiteral("--dry-run")});
        QVERIFY(dryRun.waitForFinished(60000));
        QCOMPARE(dryRun.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(dryRun.readAllStandardOutput()),
                 QStringLiteral("Executing command: ") + program + QStringLiteral(" mini\n"));

        // And for real: the program gets exactly one argument, mini.
        QProcess run;
        run.setProcessEnvironment(sessionEnvironment());
        run.start(dex, {QStringLiteral("--autostart")});
        QVERIFY(run.waitForFinished(60000));
        QCOMPARE(run.exitCode(), 0);
        const QString argv = home_->path() + QStringLiteral("/argv");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(argv), 30000);
        QCOMPARE(recordedArguments(argv), (QStringList{program, QStringLiteral("mini")}));
    }

    void gioLaunchesAwkwardFolders_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("quotes") << QStringLiteral("say \"hi\" it's");
        QTest::newRow("dollar and backtick") << QStringLiteral("$HOME `id` ${PATH}");
        QTest::newRow("percent") << QStringLiteral("100% %u %%");
        QTest::newRow("backslashes") << QStringLiteral("back\\slash\\\\ \\n");
        QTest::newRow("everything") << QStringLiteral("便签 \"$`\\% 'x' ;&|");
    }
    void gioLaunchesAwkwardFolders() {
        const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
        if (gio.isEmpty()) {
            QSKIP("gio is not installed");
        }
        QFETCH(QString, folder);
        const QString directory = home_->path() + QStringLiteral("/") + folder;
        const QString program = directory + QStringLiteral("/quillet");
        makeRecorder(program);
        const QString command = 开机启动::启动命令(directory, QStringLiteral("quillet"));
        QCOMPARE(开机启动::切换(false, command).勾选, true);
        QCOMPARE(storedValue(), command);

        QProcess launch;
        launch.setProcessEnvironment(sessionEnvironment());
        launch.start(gio, {QStringLiteral("launch"), entryFile()});
        QVERIFY(launch.waitForFinished(60000));
        QCOMPARE(launch.exitCode(), 0);
        const QString argv = home_->path() + QStringLiteral("/argv");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(argv), 30000);
        QCOMPARE(recordedArguments(argv), (QStringList{program, QStringLiteral("mini")}));
    }
};

QTEST_GUILESS_MAIN(AutostartTest)
#include "test_autostart.moc"
