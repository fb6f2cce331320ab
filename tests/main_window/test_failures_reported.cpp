// Commands that fail say so, and the main window keeps showing what is really stored: a
// read-only or locked database, a note deleted by another program, a log-on entry that cannot
// be written.

#include "main_form_fixture.h"

#include "desktop_note/note_window.h"
#include "platform/controls/listview.h"
#include "platform/dao/dao.h"
#include "platform/registry/autostart_entry.h"
#include "store/globals.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

using namespace 测试;

class FailuresReportedTest : public QObject {
    Q_OBJECT

  private:
    std::optional<程序目录> 目录;
    std::vector<int> 编号;

    // A main window over three notes, each shown on the desktop.
    Form_Main* 启动() {
        编号 = 目录->添加({{QStringLiteral("甲")}, {QStringLiteral("乙")}, {QStringLiteral("丙")}});
        Form_Main* 窗口 = 新主窗口(*目录);
        return 窗口->Form_Load() == 0 ? 窗口 : nullptr;
    }
    // A second program's connection to the same file.
    std::unique_ptr<dao::Database> 另一程序() const {
        return dao::DBEngine().OpenDatabase(目录->数据库(), false, false, QString());
    }

  private slots:
    void init() {
        目录.emplace();
        QVERIFY(目录->有效());
    }
    void cleanup() {
        清理();
        目录.reset();
    }

    void readOnlyDatabase() {
        Form_Main* 窗口 = 启动();
        QVERIFY(窗口);
        // The engine refuses every write of the program, as for a file it may not write.
        自定义变量::全局数据库().数据库_添加_语句(QStringLiteral("PRAGMA query_only = 1"));
        窗口->ListView_Quillet->选中(2);
        消息框应答 应答(QMessageBox::Ok);
        窗口->编辑_删除_Click();
        QCOMPARE(应答.次数, 1);
        QCOMPARE(应答.图标, QMessageBox::Critical);
        QCOMPARE(窗口->ListView_Quillet->行数(), 3);
        QVERIFY(窗口->ListView_Quillet->勾选(2));
        QCOMPARE(便签窗口().size(), std::size_t{3});
        QCOMPARE(目录->便签数(), 3);
    }

    void lockedDatabase() {
        Form_Main* 窗口 = 启动();
        QVERIFY(窗口);
        // Another program holds the file for itself longer than the engine waits.
        auto 锁 = 另一程序();
        锁->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
        消息框应答 应答(QMessageBox::Ok);
        // Reloading keeps the rows shown before.
        窗口->编辑_刷新列表_Click();
        QCOMPARE(应答.次数, 1);
        QCOMPARE(窗口->ListView_Quillet->行数(), 3);
        QCOMPARE(窗口->ListView_Quillet->子项(3, 2), QStringLiteral("丙"));
        窗口->ListView_Quillet->选中(1);
        窗口->编辑_修改_Click();
        QCOMPARE(应答.次数, 2);
        QVERIFY(编辑器窗口().empty());
        窗口->编辑_删除_Click();
        QCOMPARE(应答.次数, 3);
        QCOMPARE(窗口->ListView_Quillet->行数(), 3);
        锁->Execute(QStringLiteral("ROLLBACK"));
        QCOMPARE(目录->便签数(), 3);
    }

    void noteDeletedByAnotherProgram() {
        Form_Main* 窗口 = 启动();
        QVERIFY(窗口);
        另一程序()->Execute(QStringLiteral("Delete from Tips where ID = %1").arg(编号[0]));
        消息框应答 应答(QMessageBox::Ok);
        // Still listed: an edit finds nothing to open.
        窗口->ListView_Quillet->选中(1);
        窗口->编辑_修改_Click();
        QCOMPARE(应答.次数, 1);
        QVERIFY(编辑器窗口().empty());

        // Gone from the list after a reload, its window stays; the note menu says why it cannot
        // act, and Delete closes the window left behind.
        窗口->编辑_刷新列表_Click();
        QCOMPARE(窗口->ListView_Quillet->行数(), 2);
        QCOMPARE(便签窗口().size(), std::size_t{3});
        窗口->设置当前便签编号(编号[0]);
        窗口->便签菜单_修改_Click();
        QCOMPARE(应答.次数, 2);
        QCOMPARE(便签窗口().size(), std::size_t{3});
        窗口->便签菜单_删除_Click();
        QCOMPARE(应答.次数, 3);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(便签窗口().size(), std::size_t{2});
        QCOMPARE(便签窗口()[0]->Tag, QString::number(编号[1]));
        QCOMPARE(窗口->ListView_Quillet->行数(), 2);
    }

    void logOnEntryCannotBeWritten() {
        // A file where the autostart folder should be: no entry can be written.
        QVERIFY(QDir().mkpath(platform::registry::configHome()));
        QFile 挡路(platform::registry::autostart::directory());
        QVERIFY(挡路.open(QIODevice::WriteOnly));
        挡路.close();
        Form_Main* 窗口 = 启动();
        QVERIFY(窗口);
        QVERIFY(!窗口->工具_开机启动->isChecked());
        {
            消息框应答 应答(QMessageBox::Ok);
            窗口->工具_开机启动->trigger();
            QCOMPARE(应答.次数, 1);
        }
        QVERIFY(!窗口->工具_开机启动->isChecked());
        QVERIFY(挡路.remove());
    }
};

QTEST_MAIN(FailuresReportedTest)
#include "test_failures_reported.moc"
