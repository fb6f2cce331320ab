// SPDX-License-Identifier: MIT
// The main window as a whole: start-up, the menu tree and its look, layout, closing.

#include "main_form_fixture.h"
#include "support/layout_relations.h"

#include "desktop_note/note_window.h"
#include "main_window/main_controller.h"
#include "main_window/menu_style.h"
#include "platform/controls/colour.h"
#include "platform/controls/listview.h"
#include "platform/controls/webpane.h"
#include "platform/dao/dao.h"
#include "platform/forms/forms.h"
#include "platform/startup/quit_signal.h"
#include "services/autostart.h"
#include "services/site.h"
#include "store/backup.h"
#include "store/globals.h"
#include "store/statements.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>

#include <csignal>

using namespace 测试;

class MainFormTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { 清理(); }

    void startupFillsListAndOpensNotesInOrder() {
        程序目录 目录;
        QVERIFY(目录.有效());
        const auto 编号 = 目录.添加({{QStringLiteral("一"), 0x00FFFF80, 0x000000FF},
                                     {QStringLiteral("二\n两行")},
                                     {QStringLiteral("三")}});
        QDir::setCurrent(QDir::rootPath());
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);

        QCOMPARE(QDir::currentPath(), QDir(目录.路径()).canonicalPath());
        QCOMPARE(窗口->ListView_Quillet->行数(), 3);
        QVERIFY(窗口->主窗体对象().数据已加载());
        for (int 行 = 1; 行 <= 3; ++行) {
            QVERIFY(窗口->ListView_Quillet->勾选(行));
            QCOMPARE(窗口->ListView_Quillet->子项(行, 1), QString::number(编号[行 - 1]));
        }
        QCOMPARE(窗口->ListView_Quillet->子项(2, 2), QStringLiteral("二\n两行"));

        // The main window loads first, then one note window per row in list order.
        const auto 快照 = platform::Forms::快照();
        QCOMPARE(快照.size(), std::size_t{4});
        QCOMPARE(快照[0].窗口.data(), static_cast<QWidget*>(窗口));
        for (int 行 = 1; 行 <= 3; ++行) {
            auto* 便签窗 = dynamic_cast<Form_Quillet*>(快照[行].窗体);
            QVERIFY(便签窗);
            QCOMPARE(便签窗->Tag, QString::number(编号[行 - 1]));
        }
        QCOMPARE(便签窗口()[0]->背景颜色(), 0x00FFFF80);

        // The advertisement is asked for once the windows are shown, from the event loop.
        QCOMPARE(窗口->WebBrowser_广告->地址(), QUrl());
        QCoreApplication::processEvents();
        QCOMPARE(窗口->WebBrowser_广告->地址(), QUrl(站点::广告页地址()));
        QVERIFY(窗口->isVisible());
        QVERIFY(窗口->TrayIcon->isVisible());
        QCOMPARE(窗口->TrayIcon->toolTip(), QStringLiteral("Quillet"));
        QVERIFY(窗口->Timer_自动升级->isActive());
        QCOMPARE(窗口->Timer_自动升级->interval(), 2000);
        QCOMPARE(窗口->windowTitle(), QStringLiteral("Quillet-4862"));
        QVERIFY(!窗口->工具_开机启动->isChecked());
    }

    void emptyTableGivesEmptyListWithColumns() {
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QCOMPARE(窗口->ListView_Quillet->行数(), 0);
        QCOMPARE(窗口->ListView_Quillet->列数(), 5);
        QVERIFY(便签窗口().empty());
    }

    void miniArgument_data() {
        QTest::addColumn<QStringList>("参数");
        QTest::addColumn<bool>("隐藏");
        QTest::newRow("mini") << QStringList{QStringLiteral("mini")} << true;
        QTest::newRow("Mini") << QStringList{QStringLiteral("Mini")} << false;
        QTest::newRow("mini x as one") << QStringList{QStringLiteral("mini x")} << false;
        QTest::newRow("mini then x")
            << QStringList{QStringLiteral("mini"), QStringLiteral("x")} << false;
        QTest::newRow("none") << QStringList{} << false;
    }

    void miniArgument() {
        QFETCH(QStringList, 参数);
        QFETCH(bool, 隐藏);
        程序目录 目录;
        QVERIFY(目录.有效());
        目录.添加({{QStringLiteral("便签")}});
        Form_Main* 窗口 = 新主窗口(目录, 参数);
        QCOMPARE(窗口->Form_Load(), 0);
        QCOMPARE(窗口->isVisible(), !隐藏);
        // Notes, tray icon and the update timer work whatever the window does.
        QCOMPARE(便签窗口().size(), std::size_t{1});
        QVERIFY(便签窗口()[0]->isVisible());
        QVERIFY(窗口->TrayIcon->isVisible());
        QVERIFY(窗口->Timer_自动升级->isActive());
    }

    void miniWithoutTrayStartsMinimised() {
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录, {QStringLiteral("mini")}, false);
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(窗口->isVisible());
        QVERIFY(窗口->isMinimized());
    }

    void updateCheckRunsOnceWithHandleAndAddress() {
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录, {QStringLiteral("mini")});
        int 次数 = 0;
        std::int32_t 句柄 = 0;
        QByteArray 地址;
        窗口->升级检查 = [&](std::int32_t h, const QByteArray& a) {
            ++次数;
            句柄 = h;
            地址 = a;
        };
        QCOMPARE(窗口->Form_Load(), 0);
        QCOMPARE(次数, 0);
        QTRY_COMPARE_WITH_TIMEOUT(次数, 1, 10000);
        QCOMPARE(句柄, static_cast<std::int32_t>(窗口->winId()));
        QCOMPARE(地址, 站点::升级列表地址().toLocal8Bit());
        QVERIFY(!窗口->Timer_自动升级->isActive());
        QTest::qWait(2500);
        QCOMPARE(次数, 1);
    }

    void unopenableDatabaseIsReportedAndLeftAlone() {
        QTemporaryDir 空目录;
        主窗体启动选项 选项;
        选项.程序目录 = 空目录.path();
        auto* 窗口 = new Form_Main(选项);
        const QString 路径 = 空目录.filePath(QStringLiteral("Quillet.mdb"));
        {
            消息框应答 应答(QMessageBox::Ok);
            QVERIFY(窗口->Form_Load() != 0);
            QCOMPARE(应答.次数, 1);
            QCOMPARE(应答.标题, QStringLiteral("Quillet-4862"));
            QCOMPARE(应答.图标, QMessageBox::Critical);
            QVERIFY2(应答.文字.contains(QDir::toNativeSeparators(路径)), qPrintable(应答.文字));
            QVERIFY(应答.文字.contains(QStringLiteral("无法打开便签数据库")));
        }
        QVERIFY(!QFile::exists(路径));
        QVERIFY(!窗口->isVisible());
        QVERIFY(!窗口->Timer_自动升级->isActive());

        // A file that is no database stays byte for byte as it was.
        QFile 坏文件(路径);
        QVERIFY(坏文件.open(QIODevice::WriteOnly));
        const QByteArray 内容("this is not a note database\n");
        坏文件.write(内容);
        坏文件.close();
        // The report names the newest of the automatic backups, to restore from.
        QVERIFY(QDir(空目录.path()).mkpath(QStringLiteral("backup")));
        QString 最新;
        for (const char* 名 : {"Quillet-2026-12-05.mdb", "Quillet-2026-12-06.mdb"}) {
            最新 = 空目录.filePath(QStringLiteral("backup/") + QLatin1String(名));
            QFile 备份(最新);
            QVERIFY(备份.open(QIODevice::WriteOnly));
        }
        auto* 第二个 = new Form_Main(选项);
        消息框应答 再次(QMessageBox::Ok);
        QVERIFY(第二个->Form_Load() != 0);
        QCOMPARE(再次.次数, 1);
        QVERIFY2(再次.文字.contains(QDir::toNativeSeparators(最新)), qPrintable(再次.文字));
        QVERIFY(坏文件.open(QIODevice::ReadOnly));
        QCOMPARE(坏文件.readAll(), 内容);
    }

    // The day's backup is made once the windows are shown; when it cannot be, the program
    // starts all the same.
    void startBacksUpTheDayWithoutDependingOnIt() {
        程序目录 目录;
        QVERIFY(目录.有效());
        QFile 挡路(目录.路径() + QStringLiteral("/backup"));
        QVERIFY(挡路.open(QIODevice::WriteOnly));
        挡路.close();
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("No backup of the note database")));
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(窗口->isVisible());
        QCoreApplication::processEvents();
        清理();

        QVERIFY(挡路.remove());
        QCOMPARE(新主窗口(目录)->Form_Load(), 0);
        QVERIFY(自动备份::备份列表(目录.数据库()).isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(自动备份::备份列表(目录.数据库()).size(), 1);
    }

    // A program that runs past midnight makes the new day's copy, and a delete more than an
    // hour after the last copy is preceded by one.
    void backupsFollowTheDayAndPrecedeDeletes() {
        程序目录 目录;
        QVERIFY(目录.有效());
        目录.添加({{QStringLiteral("甲")}, {QStringLiteral("乙")}});
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QTRY_COMPARE(自动备份::备份列表(目录.数据库()).size(), 1);
        QVERIFY(窗口->Timer_每日备份->isActive());
        const QDateTime 明天 = QDateTime::currentDateTime().addDays(1);
        store::设置时钟([明天] { return 明天; });
        const auto 恢复时钟 = qScopeGuard([] { store::设置时钟(nullptr); });
        窗口->Timer_每日备份->setInterval(1);
        QTRY_COMPARE(自动备份::备份列表(目录.数据库()).size(), 2);
        窗口->Timer_每日备份->stop();

        // Both copies are recent: the delete makes none; made two hours ago, it does.
        窗口->ListView_Quillet->选中(1);
        窗口->编辑_删除_Click();
        QCOMPARE(自动备份::备份列表(目录.数据库()).size(), 2);
        for (const QString& 备份 : 自动备份::备份列表(目录.数据库())) {
            QFile 文件(备份);
            QVERIFY(文件.open(QIODevice::ReadWrite));
            QVERIFY(文件.setFileTime(QDateTime::currentDateTime().addSecs(-7200),
                                     QFileDevice::FileModificationTime));
        }
        窗口->ListView_Quillet->选中(1);
        窗口->编辑_删除_Click();
        QCOMPARE(自动备份::备份列表(目录.数据库()).size(), 3);
        QCOMPARE(目录.便签数(), 0);
    }

    void stopRequestEndsAFailedStart() {
        // The message of a start that failed waits for its answer before the event loop runs;
        // a request to stop the process still ends the start.
#ifdef Q_OS_WIN
        QSKIP("Windows has no termination signals");
#endif
        QVERIFY(platform::startup::安装退出信号());
        QTemporaryDir 空目录;
        主窗体启动选项 选项;
        选项.程序目录 = 空目录.path();
        for (const int 信号 : {SIGTERM, SIGINT}) {
            auto* 窗口 = new Form_Main(选项);
            QTimer::singleShot(100, [信号] { std::raise(信号); });
            bool 仍在等待 = false;
            QTimer 后备;
            后备.setSingleShot(true);
            QObject::connect(&后备, &QTimer::timeout, [&仍在等待] {
                仍在等待 = true;
                if (QWidget* 消息框 = QApplication::activeModalWidget()) {
                    消息框->close();
                }
            });
            后备.start(10000);
            QVERIFY(窗口->Form_Load() != 0);
            QVERIFY(!仍在等待);
            delete 窗口;
        }
    }

    void menuBarShowsOnlyTheFourMenus() {
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录);
        QStringList 可见;
        for (QAction* 项 : 窗口->menuBar()->actions()) {
            if (项->isVisible()) {
                可见 << 项->text();
            }
        }
        QCOMPARE(可见, (QStringList{QStringLiteral("文件[&F]"), QStringLiteral("编辑[&E]"),
                                    QStringLiteral("工具[&T]"), QStringLiteral("帮助[&H]")}));
        for (QMenu* 弹出 : {窗口->托盘菜单, 窗口->列表菜单, 窗口->便签菜单}) {
            QVERIFY(!窗口->menuBar()->actions().contains(弹出->menuAction()));
        }
    }

    // The captions and their access keys are what the end-to-end tests press; here, the keys
    // that work without opening a menu, and the items that are there but never shown.
    void menuItems_data() {
        QTest::addColumn<QString>("名称");
        QTest::addColumn<QKeySequence>("快捷键");
        QTest::addColumn<bool>("可见");
        auto 行 = [](const char* 名称, QKeySequence 键, bool 可见) {
            QTest::newRow(名称) << QString::fromUtf8(名称) << 键 << 可见;
        };
        行("文件_新建", QKeySequence(Qt::CTRL | Qt::Key_N), true);
        行("编辑_全选", QKeySequence(Qt::CTRL | Qt::Key_A), false);
        行("编辑_删除", QKeySequence(Qt::Key_Delete), true);
        行("编辑_修改", QKeySequence(Qt::CTRL | Qt::Key_E), true);
        行("编辑_查找", QKeySequence(Qt::CTRL | Qt::Key_F), true);
        行("编辑_刷新列表", QKeySequence(Qt::Key_F5), true);
        行("工具_桌面菜单", QKeySequence(), false);
    }

    void menuItems() {
        QFETCH(QString, 名称);
        QFETCH(QKeySequence, 快捷键);
        QFETCH(bool, 可见);
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录);
        QAction* 项 = 窗口->菜单项(名称);
        QVERIFY(项);
        QCOMPARE(项->shortcut(), 快捷键);
        QCOMPARE(项->isVisible(), 可见);
        if (!快捷键.isEmpty()) {
            QCOMPARE(项->shortcutContext(), Qt::WindowShortcut);
        }
    }

    // Two shown items of one menu with the same access key make the key only move between them.
    void accessKeysAreUniquePerMenu() {
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录);
        for (QMenu* 菜单 : {窗口->文件, 窗口->编辑, 窗口->工具, 窗口->帮助, 窗口->托盘菜单,
                            窗口->列表菜单, 窗口->便签菜单}) {
            QSet<QChar> 已用;
            for (QAction* 项 : 菜单->actions()) {
                const qsizetype 位置 = 项->text().indexOf(u'&');
                if (!项->isVisible() || 位置 < 0 || 位置 + 1 >= 项->text().size()) {
                    continue;
                }
                const QChar 键 = 项->text().at(位置 + 1).toUpper();
                QVERIFY2(!已用.contains(键), qPrintable(项->text()));
                已用.insert(键);
            }
        }
    }

    void menuOrderAndSeparators() {
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录);
        auto 名称表 = [](QMenu* 菜单) {
            QStringList 名称;
            for (QAction* 项 : 菜单->actions()) {
                名称 << 项->objectName() + (项->isSeparator() ? QStringLiteral("-") : QString());
            }
            return 名称;
        };
        QCOMPARE(名称表(窗口->文件), QString("文件_新建 文件_分隔符0- 文件_退出").split(' '));
        QCOMPARE(名称表(窗口->编辑),
                 QString("编辑_全选 编辑_删除 编辑_修改 编辑_撤销删除 编辑_查找 编辑_分隔符0- "
                         "编辑_刷新列表")
                     .split(' '));
        QCOMPARE(
            名称表(窗口->工具),
            QString("工具_开机启动 工具_记住便签位置 工具_全局快捷键 工具_桌面菜单").split(' '));
        QCOMPARE(名称表(窗口->托盘菜单),
                 QString("托盘菜单_新建 托盘菜单_显示窗口 托盘菜单_分隔符0- 托盘菜单_全部隐藏 "
                         "托盘菜单_全部显示 托盘菜单_分隔符1- 托盘菜单_退出程序")
                     .split(' '));
        QCOMPARE(
            名称表(窗口->列表菜单),
            QString(
                "列表菜单_新建 列表菜单_分隔符0- 列表菜单_全部隐藏 列表菜单_全部显示 "
                "列表菜单_分隔符1- 列表菜单_删除 列表菜单_修改 列表菜单_撤销删除 列表菜单_分隔符2- "
                "列表菜单_刷新列表")
                .split(' '));
        QCOMPARE(名称表(窗口->便签菜单),
                 QString("便签菜单_修改 便签菜单_删除 便签菜单_关闭窗口").split(' '));
        QCOMPARE(窗口->托盘菜单->title(), QStringLiteral("托盘菜单"));
        QVERIFY(窗口->工具_开机启动->isCheckable());
        QVERIFY(窗口->工具_桌面菜单->isChecked());
    }

    void ctrlAReachesNothing() {
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        // The same key selects everything in a text pane outside the main window ...
        QTextBrowser 别处;
        别处.setPlainText(QStringLiteral("some text to select"));
        QTest::keyClick(&别处, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(别处.textCursor().hasSelection());
        // ... but not in the main window's own pane.
        窗口->WebBrowser_广告->setPlainText(QStringLiteral("some text to select"));
        窗口->WebBrowser_广告->setFocus();
        QTest::keyClick(窗口->WebBrowser_广告, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(!窗口->WebBrowser_广告->textCursor().hasSelection());
    }

    void keyboardStartsInTheListAndTabsInDesignOrder() {
        程序目录 目录;
        QVERIFY(目录.有效());
        目录.添加({{QStringLiteral("一")}});
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(QTest::qWaitForWindowActive(窗口));
        QCOMPARE(QApplication::focusWidget(), 窗口->ListView_Quillet);
        // Tab order: the tab control 0, the list 1, the advertisement pane 2, and round again.
        const QList<QWidget*> 顺序 = {窗口->WebBrowser_广告, 窗口->TabControl_Main->focusProxy(),
                                      窗口->ListView_Quillet};
        for (QWidget* 下一个 : 顺序) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), 下一个);
        }
    }

    // Every colour setting reaches the menus' sheet (the end-to-end tests see the menu bar's
    // colour on the screen, which also settles the colour's byte order).
    void styleSheetCarriesTheSettings() {
        const 菜单样式设置& 设置 = 主菜单样式();
        const QString 表 = 生成菜单样式表(设置);
        auto 有 = [&](std::int32_t 值) {
            return 表.contains(platform::controls::转为颜色(值).name(), Qt::CaseInsensitive);
        };
        for (std::int32_t 值 :
             {设置.userselectedmenubackcolour, 设置.userselectedmenubordercolour,
              设置.usertopmenubackcolour, 设置.usertopmenuselectedcolour, 设置.usertopmenuhotcolour,
              设置.usertopmenuhotbordercolour, 设置.usermenubordercolour, 设置.usercheckbackcolour,
              设置.usercheckbordercolour, 设置.usergradientone, 设置.usergradienttwo,
              设置.userselecteditemforecolour, 设置.usersidebarcolour}) {
            QVERIFY2(有(值), qPrintable(QString::number(值, 16)));
        }
        QVERIFY(表.contains(QStringLiteral("qlineargradient")));

        // Changing a setting changes the sheet: it is generated, not fixed text.
        菜单样式设置 另一个 = 设置;
        另一个.usertopmenubackcolour = 0x00123456;
        另一个.userusegradient = false;
        const QString 另一表 = 生成菜单样式表(另一个);
        QVERIFY(另一表.contains(QStringLiteral("#563412")));
        QVERIFY(!另一表.contains(QStringLiteral("qlineargradient")));

        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->menuBar()->styleSheet(), 表);

        // A pop-up menu gets the sheet when first shown, before it measures its items: the
        // first show has the size of every later one.
        QMenu& 菜单 = *窗口->便签菜单;
        QVERIFY(菜单.styleSheet().isEmpty());
        菜单.popup(QPoint(10, 10));
        QCOMPARE(菜单.styleSheet(), 表);
        const QSize 首次 = 菜单.size();
        菜单.hide();
        菜单.popup(QPoint(10, 10));
        QCOMPARE(菜单.size(), 首次);
        菜单.hide();
    }

    void itemImagesGoToNamedItemsOnly() {
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录);
        for (const char* 名称 : {"文件_新建", "编辑_删除", "编辑_修改"}) {
            QVERIFY2(!窗口->菜单项(QString::fromUtf8(名称))->icon().isNull(), 名称);
        }
        for (const char* 名称 : {"托盘菜单_新建", "列表菜单_删除", "便签菜单_修改", "文件_退出"}) {
            QVERIFY2(窗口->菜单项(QString::fromUtf8(名称))->icon().isNull(), 名称);
        }
        QVERIFY(!窗口->菜单项(QStringLiteral("便签_新建")));
        // Applying again to the same menus finds exactly the three named items.
        QCOMPARE(应用项目图像(主菜单样式(), {窗口->文件, 窗口->编辑, 窗口->托盘菜单}), 3);
    }

    void controlsFollowTheWindow() {
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QWidget* 客户区 = 窗口->centralWidget();
        QCOMPARE(客户区->size(), QSize(632, 476));
        检查布局关系(客户区,
                     [&](QSize 尺寸) { 窗口->resize(尺寸 + (窗口->size() - 客户区->size())); },
                     {{窗口->WebBrowser_广告, Qt::Horizontal},
                      {窗口->TabControl_Main, Qt::Horizontal | Qt::Vertical},
                      {窗口->ListView_Quillet, Qt::Horizontal | Qt::Vertical}});

        // Minimised: nothing changes, whatever the client area does meanwhile.
        窗口->resize(800, 600);
        QCoreApplication::processEvents();
        const QRect 之前 = 窗口->TabControl_Main->geometry();
        窗口->showMinimized();
        QCoreApplication::processEvents();
        窗口->Form_Resize();
        QCOMPARE(窗口->TabControl_Main->geometry(), 之前);
        窗口->resize(700, 500);
        QCoreApplication::processEvents();
        QCOMPARE(窗口->TabControl_Main->geometry(), 之前);
        // Restored: the controls follow the new size.
        窗口->showNormal();
        QCoreApplication::processEvents();
        QCOMPARE(窗口->TabControl_Main->width() - 之前.width(), -100);
    }

    void frameCloseHidesWhenThereIsATray() {
        程序目录 目录;
        QVERIFY(目录.有效());
        目录.添加({{QStringLiteral("留下")}});
        Form_Main* 窗口 = 新主窗口(目录);
        QPointer<Form_Main> 守护(窗口);
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(!窗口->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(守护);
        QVERIFY(!窗口->isVisible());
        QCOMPARE(便签窗口().size(), std::size_t{1});
        QVERIFY(窗口->TrayIcon->isVisible());
        // The database stays open.
        自定义变量::全局数据库().数据库_查找_语句(QStringLiteral("Select * from Tips"));
        // The tray brings it back.
        窗口->TrayIcon_Activate();
        QVERIFY(窗口->isVisible());
    }

    void frameCloseMinimisesWithoutATray() {
        程序目录 目录;
        QVERIFY(目录.有效());
        Form_Main* 窗口 = 新主窗口(目录, {}, false);
        bool 有托盘 = false;
        窗口->托盘可用 = [&] { return 有托盘; };
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(!窗口->close());
        QVERIFY(窗口->isVisible());
        QVERIFY(窗口->isMinimized());
        // Activation from the tray leaves the state as it is.
        窗口->TrayIcon_Activate();
        QVERIFY(窗口->isMinimized());
        // A second start of the program brings it back, as it is the only way back here.
        窗口->再次启动({QStringLiteral("mini")});
        QVERIFY(窗口->isMinimized());
        窗口->再次启动({});
        QVERIFY(窗口->isVisible());
        QVERIFY(!窗口->isMinimized());
        QVERIFY(!窗口->close());
        QVERIFY(窗口->isMinimized());
        // A tray that appears later makes closing hide again.
        窗口->showNormal();
        有托盘 = true;
        QVERIFY(!窗口->close());
        QVERIFY(!窗口->isVisible());
    }

    void autoStartToggleAndMarkAtStart() {
        程序目录 目录;
        QVERIFY(目录.有效());
        QVERIFY(!开机启动::已登记());
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(!窗口->工具_开机启动->isChecked());
        // Through the menu item, as a user clicks it.
        窗口->工具_开机启动->trigger();
        QVERIFY(窗口->工具_开机启动->isChecked());
        QVERIFY(开机启动::已登记());
        清理();

        Form_Main* 第二个 = 新主窗口(目录);
        QCOMPARE(第二个->Form_Load(), 0);
        QVERIFY(第二个->工具_开机启动->isChecked());
        第二个->工具_开机启动->trigger();
        QVERIFY(!第二个->工具_开机启动->isChecked());
        QVERIFY(!开机启动::已登记());
        第二个->工具_开机启动_Click();
        QVERIFY(第二个->工具_开机启动->isChecked());
        第二个->工具_开机启动_Click();
        QVERIFY(!开机启动::已登记());
    }
};

QTEST_MAIN(MainFormTest)
#include "test_main_form.moc"
