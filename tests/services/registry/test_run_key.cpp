// SPDX-License-Identifier: MIT
// Start at log-on on Windows: the menu item's toggle writes the command into the current user's
// Run key of the real registry (Wine's, under the build tree) and removes it again.
#include <QCoreApplication>
#include <QDir>
#include <QtTest>

#include "platform/registry/registry.h"
#include "platform/shell/shell.h"
#include "services/autostart.h"
#include "services/registry_module.h"

namespace reg = platform::registry;

namespace {

// The Run value as the registry holds it, bypassing the program's modules.
struct Raw {
    reg::Status status = reg::FileNotFound;
    std::uint32_t type = reg::RegNone;
    QByteArray data;
};

Raw runValue() {
    Raw raw;
    reg::Key key = 0;
    if (reg::OpenKey(reg::HkeyCurrentUser, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                     &key) != reg::Success) {
        return raw;
    }
    std::uint32_t size = 0;
    raw.status = reg::QueryValueEx(key, "Quillet", &raw.type, nullptr, &size);
    if (raw.status == reg::Success) {
        raw.data.resize(size);
        raw.status = reg::QueryValueEx(key, "Quillet", nullptr,
                                       reinterpret_cast<unsigned char*>(raw.data.data()), &size);
    }
    reg::CloseKey(key);
    return raw;
}

}  // namespace

class RunKeyTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        注册表操作::删除注册表值(注册表操作::HKEY_CURRENT_USER, QString::fromUtf16(开机启动::子键),
                                 QString::fromUtf16(开机启动::值名));
        QCOMPARE(runValue().status, reg::FileNotFound);
    }

    void commandNamesTheExecutableInBackslashes() {
        QCOMPARE(开机启动::启动命令(QStringLiteral("D:\\Tools"), QStringLiteral("Q")),
                 QStringLiteral("\"D:\\Tools\\Q.exe\" mini"));
        QCOMPARE(开机启动::启动命令(QStringLiteral("D:\\"), QStringLiteral("Q")),
                 QStringLiteral("\"D:\\Q.exe\" mini"));
        QCOMPARE(开机启动::启动命令(),
                 u'"' + QDir::toNativeSeparators(QCoreApplication::applicationFilePath()) +
                     QStringLiteral("\" mini"));
    }

    void toggleWritesAndRemovesTheRunValue() {
        const QString command = 开机启动::启动命令(QStringLiteral("C:\\Program Files\\便签"),
                                                   QStringLiteral("Quillet"));
        QVERIFY(!开机启动::已登记(command));
        const 开机启动::切换结果 on = 开机启动::切换(false, command);
        QVERIFY(on.勾选 && on.成功);
        const Raw written = runValue();
        QCOMPARE(written.status, reg::Success);
        QCOMPARE(written.type, reg::RegSz);
        QCOMPARE(written.data, platform::shell::到本地代码页(command) + '\0');
        QVERIFY(开机启动::已登记(command));

        const 开机启动::切换结果 off = 开机启动::切换(true, command);
        QVERIFY(!off.勾选 && off.成功);
        QCOMPARE(runValue().status, reg::FileNotFound);
        QVERIFY(!开机启动::已登记(command));
    }

    void anotherProgramPathIsLeftInPlace() {
        const QString old =
            开机启动::启动命令(QStringLiteral("C:\\Old"), QStringLiteral("Quillet"));
        const QString now =
            开机启动::启动命令(QStringLiteral("C:\\New"), QStringLiteral("Quillet"));
        QCOMPARE(开机启动::切换(false, old).勾选, true);
        QCOMPARE(开机启动::切换(false, now).勾选, true);
        QCOMPARE(runValue().data, platform::shell::到本地代码页(old) + '\0');
        QVERIFY(!开机启动::已登记(now));
        开机启动::切换(true, now);
    }
};

QTEST_GUILESS_MAIN(RunKeyTest)
#include "test_run_key.moc"
