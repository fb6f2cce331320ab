// SPDX-License-Identifier: MIT
// The stored global shortcuts: read back as stored, and a stored text that is no usable
// combination (hostile or damaged settings) falls back to the default, logged.

#include "main_window/global_shortcuts.h"
#include "services/registry_module.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using namespace 全局快捷键设置;

class GlobalShortcutsTest : public QObject {
    Q_OBJECT

  private slots:
    void storedTextIsReadAsTheUserLeftIt() {
        const 说明& 新建 = 命令说明(新建便签);
        QCOMPARE(解析(std::nullopt, 新建), 新建.默认);
        QCOMPARE(解析(QString(), 新建), std::nullopt);  // turned off
        QCOMPARE(解析(QStringLiteral("Ctrl+Shift+F12"), 新建),
                 QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_F12));
        QCOMPARE(解析(QStringLiteral("Meta+Space"), 新建),
                 QKeyCombination(Qt::MetaModifier, Qt::Key_Space));
    }

    void unusableTextFallsBackToTheDefault_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("garbage") << QStringLiteral("%$#\n\x1b[2J");
        QTest::newRow("plain key") << QStringLiteral("N");  // would take the key from typing
        QTest::newRow("shift only") << QStringLiteral("Shift+N");
        QTest::newRow("two chords") << QStringLiteral("Ctrl+Alt+N, Ctrl+Alt+M");
        QTest::newRow("modifier alone") << QStringLiteral("Ctrl+Alt");
        QTest::newRow("unknown key") << QStringLiteral("Ctrl+Alt+NoSuchKey");
    }
    void unusableTextFallsBackToTheDefault() {
        QFETCH(QString, stored);
        const 说明& 显隐 = 命令说明(显示隐藏);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("GlobalShortcutShowHide.*no usable "
                                                               "shortcut.*Ctrl\\+Alt\\+H")));
        QCOMPARE(解析(stored, 显隐), 显隐.默认);
    }

    void savedSettingIsReadBack() {
        QTemporaryDir 配置;
        QVERIFY(配置.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(配置.path()));
        // Another setting of the program's key: its shortcuts were never set, not turned off.
        QVERIFY(注册表操作::写入注册表值(
            注册表操作::HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\Quillet"),
            QStringLiteral("ListSort"), 注册表操作::REG_SZ, QStringLiteral("1,0")));
        QCOMPARE(读取(), (设定{命令说明(新建便签).默认, 命令说明(显示隐藏).默认}));
        const 设定 新设定{QKeyCombination(Qt::AltModifier, Qt::Key_F5), std::nullopt};
        QVERIFY(保存(新设定));
        QCOMPARE(读取(), 新设定);
    }
};

}  // namespace

QTEST_GUILESS_MAIN(GlobalShortcutsTest)
#include "test_global_shortcuts.moc"
