// SPDX-License-Identifier: MIT
// The main window's commands: delete, edit, reload, the note menu, the tray and list menus,
// and the exit sequence.

#include "main_form_fixture.h"

#include "desktop_note/note_window.h"
#include "editor/editor_dialog.h"
#include "main_window/main_controller.h"
#include "platform/controls/colorpicker.h"
#include "platform/controls/listview.h"
#include "platform/dao/dao.h"
#include "platform/forms/forms.h"
#include "platform/startup/quit_signal.h"
#include "services/message_box.h"
#include "store/deleted_notes.h"
#include "store/globals.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <csignal>
#include <optional>
#include <vector>

using namespace 测试;

namespace {

// Starts a main window over three notes; the ids come back in 编号.
Form_Main* 三条便签(程序目录& 目录, std::vector<int>& 编号) {
    编号 = 目录.添加({{QStringLiteral("甲"), 0x00112233, 0x00445566},
                      {QStringLiteral("乙"), 0x00778899, 0x00AABBCC},
                      {QStringLiteral("丙")}});
    Form_Main* 窗口 = 新主窗口(目录);
    return 窗口->Form_Load() == 0 ? 窗口 : nullptr;
}

// Runs statements on the program's database file as another tool would.
void 执行(const 程序目录& 目录, const QStringList& 语句表) {
    auto 连接 = dao::DBEngine().OpenDatabase(目录.数据库(), false, false, QString());
    for (const QString& 语句 : 语句表) {
        连接->Execute(语句);
    }
}

QStringList 窗口标签() {
    QStringList 标签;
    for (Form_Quillet* 窗口 : 便签窗口()) {
        标签 << 窗口->Tag;
    }
    return 标签;
}

// Closes the popup menu that is open, recording which one it was.
struct 弹出记录 {
    QWidget* 弹出 = nullptr;
    QTimer 计时器;
    弹出记录() {
        计时器.setInterval(10);
        QObject::connect(&计时器, &QTimer::timeout, [this] {
            if (QWidget* 当前 = QApplication::activePopupWidget()) {
                弹出 = 当前;
                当前->close();
            }
        });
        计时器.start();
    }
};

}  // namespace

class MainCommandsTest : public QObject {
    Q_OBJECT

  private:
    // A fresh program folder with an empty database for every test, and the ids of the notes
    // 三条便签 added to it.
    std::optional<程序目录> 目录;
    std::vector<int> 编号;

  private slots:
    void init() {
        目录.emplace();
        编号.clear();
        QVERIFY(目录->有效());
    }
    void cleanup() {
        清理();
        目录.reset();
    }

    void deleteAndEditOnEmptyListSayNothing() {
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        消息框应答 应答(QMessageBox::Ok);
        窗口->编辑_删除_Click();
        窗口->编辑_修改_Click();
        窗口->菜单项(QStringLiteral("编辑_删除"))->trigger();
        窗口->菜单项(QStringLiteral("编辑_修改"))->trigger();
        QTest::qWait(50);
        QCOMPARE(应答.次数, 0);
        QVERIFY(编辑器窗口().empty());
    }

    void deleteAndEditWithoutSelectionComplain() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        窗口->ListView_Quillet->选中(0);
        for (auto 命令 : {&Form_Main::编辑_删除_Click, &Form_Main::编辑_修改_Click}) {
            消息框应答 应答(QMessageBox::Ok);
            (窗口->*命令)();
            QCOMPARE(应答.次数, 1);
            QCOMPARE(应答.文字, QStringLiteral("未选中任何便签！"));
            QCOMPARE(应答.标题, QStringLiteral("Quillet-4862"));
            QCOMPARE(应答.图标, QMessageBox::Critical);
        }
        QCOMPARE(窗口->ListView_Quillet->行数(), 3);
        QCOMPARE(目录->便签数(), 3);
        QVERIFY(编辑器窗口().empty());
    }

    void deleteRemovesRowWindowAndTableRow() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        窗口->ListView_Quillet->选中(2);
        消息框应答 应答(QMessageBox::Ok);
        窗口->编辑_删除_Click();
        QCOMPARE(应答.次数, 0);  // no question asked
        QCOMPARE(窗口->ListView_Quillet->行数(), 2);
        QCOMPARE(窗口->ListView_Quillet->子项(1, 1), QString::number(编号[0]));
        QCOMPARE(窗口->ListView_Quillet->子项(2, 1), QString::number(编号[2]));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(窗口标签(), (QStringList{QString::number(编号[0]), QString::number(编号[2])}));
        QCOMPARE(目录->便签数(), 2);
    }

    void deleteSelectsTheNextRowAndUndoBringsNotesBackOneByOne() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        auto& 列表 = *窗口->ListView_Quillet;
        const QString 乙时间 = 列表.子项(2, 3);
        列表.设置勾选(1, false);  // 甲 hidden before it is deleted
        列表.选中(1);
        窗口->编辑_删除_Click();
        // The row that took its place is selected: a second Del goes on at once.
        QCOMPARE(列表.选中行(), 1);
        QCOMPARE(列表.子项(1, 2), QStringLiteral("乙"));
        列表.选中(2);
        窗口->编辑_删除_Click();  // the last row: the new last row is selected
        QCOMPARE(列表.选中行(), 1);
        窗口->编辑_删除_Click();
        QCOMPARE(列表.行数(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(便签窗口().empty());

        // Ctrl+Z in the main window brings back the newest first, window and all.
        窗口->菜单项(QStringLiteral("编辑_撤销删除"))->trigger();
        QCOMPARE(窗口标签(), QStringList{QString::number(编号[1])});
        QCOMPARE(列表.子项(列表.选中行(), 1), QString::number(编号[1]));
        QCOMPARE(列表.子项(列表.选中行(), 3), 乙时间);
        const auto 乙窗口 = 便签窗口().back();
        QCOMPARE(乙窗口->背景颜色(), 0x00778899);
        QCOMPARE(乙窗口->文字颜色(), 0x00AABBCC);
        窗口->菜单项(QStringLiteral("列表菜单_撤销删除"))->trigger();
        QCOMPARE(窗口标签(), (QStringList{QString::number(编号[1]), QString::number(编号[2])}));
        // 甲 was hidden: it comes back hidden.
        窗口->编辑_撤销删除_Click();
        QCOMPARE(列表.行数(), 3);
        QCOMPARE(便签窗口().size(), std::size_t{2});
        QVERIFY(!列表.勾选(列表.选中行()));
        QCOMPARE(列表.子项(列表.选中行(), 1), QString::number(编号[0]));
        QCOMPARE(目录->便签数(), 3);
        消息框应答 应答(QMessageBox::Ok);
        窗口->编辑_撤销删除_Click();
        QCOMPARE(应答.次数, 1);
        QCOMPARE(应答.文字, QStringLiteral("没有可以撤销的删除。"));
        QCOMPARE(窗口->菜单项(QStringLiteral("编辑_撤销删除"))->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Z));
    }

    void savingTouchesOnlyTheSavedNotesWindowAndSelectsItsRow() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        auto& 列表 = *窗口->ListView_Quillet;
        列表.设置勾选(3, false);  // the last note hidden
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto 之前 = 便签窗口();
        // Edit note 1 and save and close: the hidden last note stays hidden, no window is
        // reopened.
        列表.选中(1);
        窗口->编辑_修改_Click();
        Form_添加便签* 编辑器 = 编辑器窗口().at(0);
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("甲改"));
        列表.选中(2);
        编辑器->PushButton_保存并关闭()->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(便签窗口(), 之前);
        QVERIFY(!列表.勾选(3));
        QCOMPARE(列表.选中行(), 1);
        QCOMPARE(便签窗口().at(0)->Label_Quillet()->text(), QStringLiteral("甲改"));

        // Two notes added with 保存继续添加 each get their window and a selected row.
        窗口->文件_新建_Click();
        编辑器 = 编辑器窗口().at(0);
        for (const QString& 文字 : {QStringLiteral("丁"), QStringLiteral("戊")}) {
            编辑器->FlatEdit_内容()->setPlainText(文字);
            编辑器->PushButton_保存且继续添加()->click();
            QCOMPARE(列表.子项(列表.选中行(), 2), 文字);
        }
        QCOMPARE(便签窗口().size(), 之前.size() + 2);
        QVERIFY(列表.勾选(4) && 列表.勾选(5));
    }

    void doubleClickOpensTheRowInTheEditor() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        窗口->show();
        auto& 列表 = *窗口->ListView_Quillet;
        // A click, then a double click: the events a person's double click gives the view.
        auto 双击 = [&](int 行, int 列) {
            const QPoint 点 = 列表.visualRect(列表.model()->index(行 - 1, 列)).center();
            QTest::mouseClick(列表.viewport(), Qt::LeftButton, {}, 点);
            QTest::mouseDClick(列表.viewport(), Qt::LeftButton, {}, 点);
        };
        // On the check box it only toggles the mark.
        双击(1, 0);
        QVERIFY(编辑器窗口().empty());
        双击(2, 2);
        const auto 编辑器 = 编辑器窗口();
        QCOMPARE(编辑器.size(), std::size_t{1});
        QCOMPARE(编辑器[0]->便签编号, 编号[1]);
        QCOMPARE(编辑器[0]->FlatEdit_内容()->toPlainText(), QStringLiteral("乙"));
    }

    void deleteKeyDeletesSelectedNote() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        窗口->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(窗口));
        窗口->ListView_Quillet->setFocus();
        窗口->ListView_Quillet->选中(1);
        QTest::keyClick(窗口->ListView_Quillet, Qt::Key_Delete);
        QCOMPARE(窗口->ListView_Quillet->行数(), 2);
        QCOMPARE(目录->便签数(), 2);
    }

    void failingDeleteKeepsRowAndMark() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        // A row whose id text the database cannot take.
        窗口->ListView_Quillet->设置子项(1, 1, QStringLiteral("not-an-id"));
        窗口->ListView_Quillet->选中(1);
        消息框应答 应答(QMessageBox::Ok);
        窗口->编辑_删除_Click();
        QCOMPARE(应答.次数, 1);  // an id that is no number is refused with a message
        QCOMPARE(窗口->ListView_Quillet->行数(), 3);
        QVERIFY(窗口->ListView_Quillet->勾选(1));
        // A database that refuses every write of the program, as a file it may not write.
        自定义变量::全局数据库().数据库_添加_语句(QStringLiteral("PRAGMA query_only = 1"));
        窗口->ListView_Quillet->选中(2);
        窗口->编辑_删除_Click();
        QCOMPARE(应答.次数, 2);
        QVERIFY(窗口->ListView_Quillet->勾选(2));
        QCOMPARE(窗口->ListView_Quillet->行数(), 3);
        QCOMPARE(目录->便签数(), 3);
        QCOMPARE(便签窗口().size(), std::size_t{3});
    }

    void editOpensEditorWithTextAndColours() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        窗口->ListView_Quillet->选中(2);
        窗口->编辑_修改_Click();
        auto 编辑器 = 编辑器窗口();
        QCOMPARE(编辑器.size(), std::size_t{1});
        QCOMPARE(编辑器[0]->便签编号, 编号[1]);
        QCOMPARE(编辑器[0]->FlatEdit_内容()->toPlainText(), QStringLiteral("乙"));
        QCOMPARE(编辑器[0]->ColorPicker_背景颜色()->颜色(), 0x00778899);
        QCOMPARE(编辑器[0]->ColorPicker_字体颜色()->颜色(), 0x00AABBCC);
        QVERIFY(编辑器[0]->isVisible());
        // A second edit of the same note opens a second editor.
        窗口->编辑_修改_Click();
        QCOMPARE(编辑器窗口().size(), std::size_t{2});
    }

    void failingEditLeavesNoEditorBehind() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        // The note is gone from the table: its colours cannot be read.
        窗口->ListView_Quillet->设置子项(1, 1, QStringLiteral("999999"));
        窗口->ListView_Quillet->选中(1);
        消息框应答 应答(QMessageBox::Ok);
        窗口->编辑_修改_Click();
        // An id text that is no number at all.
        窗口->ListView_Quillet->设置子项(2, 1, QStringLiteral("x"));
        窗口->ListView_Quillet->选中(2);
        窗口->编辑_修改_Click();
        // Each failure is told.
        QCOMPARE(应答.次数, 2);
        QVERIFY(编辑器窗口().empty());
    }

    void rowsOfAnotherToolShowWithANewNotesValues() {
        目录->添加({{QStringLiteral("好"), 0x00112233, 0x00445566}});
        执行(*目录, {QStringLiteral("INSERT INTO Tips(content,CreateTime,ChangeTime,BackColor,"
                                    "FontColor,Visual) Values(NULL,NULL,NULL,NULL,'',NULL)"),
                     QStringLiteral("INSERT INTO Tips(content,BackColor,FontColor,Visual) "
                                    "Values('坏','blue',' ','odd')")});
        Form_Main* 窗口 = 新主窗口(*目录);
        消息框应答 应答(QMessageBox::Ok);
        QCOMPARE(窗口->Form_Load(), 0);
        const auto 窗口们 = 便签窗口();
        QCOMPARE(窗口们.size(), std::size_t{3});
        QCOMPARE(窗口们[0]->背景颜色(), 0x00112233);
        for (Form_Quillet* 便签 : {窗口们[1], 窗口们[2]}) {
            QCOMPARE(std::pair(便签->背景颜色(), 便签->文字颜色()), std::pair(12648447, 0));
        }
        窗口->ListView_Quillet->选中(3);
        窗口->编辑_修改_Click();
        QCOMPARE(编辑器窗口().at(0)->ColorPicker_背景颜色()->颜色(), 12648447);
    }

    void idsThatAreNoNumbersReachNoStatement() {
        执行(*目录,
             {QStringLiteral("DROP TABLE Tips"),
              QStringLiteral("CREATE TABLE Tips(ID, content, CreateTime, ChangeTime, Deleted, "
                             "BackColor, FontColor, Visual, TopMost, Transparent)"),
              QStringLiteral("INSERT INTO Tips(ID,BackColor,Visual) Values(1,255,1)"),
              QStringLiteral("INSERT INTO Tips(ID,BackColor,Visual) Values('0 OR 1=1',255,1)")});
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        // Looked up by its exact text, quoted: the row's own colour, and no other row's.
        QCOMPARE(便签窗口().at(1)->背景颜色(), 255);
        窗口->ListView_Quillet->选中(2);
        for (auto 命令 : {&Form_Main::编辑_删除_Click, &Form_Main::编辑_修改_Click}) {
            消息框应答 应答(QMessageBox::Ok);
            (窗口->*命令)();
            QVERIFY2(应答.文字.contains(QStringLiteral("0 OR 1=1")), qPrintable(应答.文字));
        }
        QCOMPARE(目录->便签数(), 2);
        QVERIFY(编辑器窗口().empty());

        // Its own window's menu finds its row by that text: edit and delete say why they
        // cannot, and 关闭窗口 closes the window.
        弹出记录 记录;
        QTest::keyClick(便签窗口().at(1), Qt::Key_Menu);
        QCOMPARE(记录.弹出, static_cast<QWidget*>(窗口->便签菜单));
        窗口->ListView_Quillet->选中(1);
        for (auto 命令 : {&Form_Main::便签菜单_删除_Click, &Form_Main::便签菜单_修改_Click}) {
            消息框应答 应答(QMessageBox::Ok);
            (窗口->*命令)();
            QVERIFY2(应答.文字.contains(QStringLiteral("0 OR 1=1")), qPrintable(应答.文字));
            QCOMPARE(窗口->ListView_Quillet->选中行(), 2);
        }
        窗口->便签菜单_关闭窗口_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!窗口->ListView_Quillet->勾选(2));
        QCOMPARE(窗口标签(), QStringList{QStringLiteral("1")});
        QCOMPARE(目录->便签数(), 2);
    }

    void newNoteOpensAnEditorEachTime() {
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        窗口->文件_新建_Click();
        窗口->托盘菜单_新建_Click();
        窗口->列表菜单_新建_Click();
        const auto 编辑器 = 编辑器窗口();
        QCOMPARE(编辑器.size(), std::size_t{3});
        for (auto* 一个 : 编辑器) {
            QCOMPARE(一个->便签编号, 0);
            QVERIFY(一个->isVisible());
        }
    }

    void reloadKeepsMarksAndShowsNewNotes() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        窗口->ListView_Quillet->设置勾选(1, false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(便签窗口().size(), std::size_t{2});
        目录->添加({{QStringLiteral("丁")}});
        窗口->ListView_Quillet->选中(2);
        窗口->编辑_刷新列表_Click();
        QCOMPARE(窗口->ListView_Quillet->行数(), 4);
        QCOMPARE(窗口->ListView_Quillet->子项(4, 2), QStringLiteral("丁"));
        // A hidden note stays hidden; a note new to the list is shown, as at start.
        QVERIFY(!窗口->ListView_Quillet->勾选(1));
        for (int 行 = 2; 行 <= 4; ++行) {
            QVERIFY(窗口->ListView_Quillet->勾选(行));
        }
        QCOMPARE(便签窗口().size(), std::size_t{3});
        QCOMPARE(窗口->ListView_Quillet->选中行(), 2);
    }

    void lockedDatabaseIsReported() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        // Another program holds the file for itself longer than the engine waits.
        auto 另一程序 = dao::DBEngine().OpenDatabase(目录->数据库(), false, false, QString());
        另一程序->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
        消息框应答 应答(QMessageBox::Ok);
        窗口->菜单项(QStringLiteral("编辑_刷新列表"))->trigger();
        QCOMPARE(应答.次数, 1);
        QCOMPARE(窗口->ListView_Quillet->行数(), 3);
        窗口->ListView_Quillet->选中(1);
        窗口->编辑_修改_Click();
        QCOMPARE(应答.次数, 2);
        QVERIFY(编辑器窗口().empty());
    }

    void noteDeletedByAnotherProgramIsToldAbout() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        dao::DBEngine()
            .OpenDatabase(目录->数据库(), false, false, QString())
            ->Execute(QStringLiteral("Delete from Tips where ID = %1").arg(编号[0]));
        消息框应答 应答(QMessageBox::Ok);
        窗口->ListView_Quillet->选中(1);
        窗口->编辑_修改_Click();  // still listed, no longer stored
        QCOMPARE(应答.次数, 1);
        // The reload finds its row gone: its window closes, and the note is kept as a delete
        // here is, so it can be undone with its colours and its window.
        窗口->编辑_刷新列表_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(窗口标签(), (QStringList{QString::number(编号[1]), QString::number(编号[2])}));
        QCOMPARE(已删除便签::条数(自定义变量::全局数据库()), 1);
        窗口->设置当前便签编号(QString::number(编号[0]));
        窗口->便签菜单_修改_Click();  // no window, no row: nothing to say
        QCOMPARE(应答.次数, 1);
        窗口->编辑_撤销删除_Click();
        QCOMPARE(应答.次数, 1);
        QCOMPARE(窗口->ListView_Quillet->子项(窗口->ListView_Quillet->选中行(), 1),
                 QString::number(编号[0]));
        const auto 窗口表 = 便签窗口();
        QCOMPARE(窗口表.size(), std::size_t{3});
        QCOMPARE(窗口表.back()->Tag, QString::number(编号[0]));
        QCOMPARE(窗口表.back()->背景颜色(), 0x00112233);
        QCOMPARE(窗口表.back()->文字颜色(), 0x00445566);
    }

    void noteMenuActsOnTheCurrentNote() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        便签菜单宿主& 宿主 = *窗口;

        宿主.设置当前便签编号(QString::number(编号[1]));
        QCOMPARE(窗口->当前便签编号, 编号[1]);
        窗口->便签菜单_关闭窗口_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!窗口->ListView_Quillet->勾选(2));
        QCOMPARE(窗口标签(), (QStringList{QString::number(编号[0]), QString::number(编号[2])}));
        QCOMPARE(目录->便签数(), 3);

        宿主.设置当前便签编号(QString::number(编号[2]));
        窗口->便签菜单_修改_Click();
        QCOMPARE(窗口->ListView_Quillet->选中行(), 3);
        QCOMPARE(编辑器窗口().size(), std::size_t{1});
        QCOMPARE(编辑器窗口()[0]->便签编号, 编号[2]);

        宿主.设置当前便签编号(QString::number(编号[0]));
        窗口->便签菜单_删除_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(窗口->ListView_Quillet->行数(), 2);
        QCOMPARE(目录->便签数(), 2);
        QCOMPARE(窗口标签(), QStringList{QString::number(编号[2])});

        // A note no longer in the list: nothing happens.
        消息框应答 应答(QMessageBox::Ok);
        宿主.设置当前便签编号(QString::number(编号[0]));
        窗口->便签菜单_删除_Click();
        窗口->便签菜单_修改_Click();
        窗口->便签菜单_关闭窗口_Click();
        QCOMPARE(应答.次数, 0);
        QCOMPARE(窗口->ListView_Quillet->行数(), 2);
        QCOMPARE(编辑器窗口().size(), std::size_t{1});
    }

    void noteWindowOpensTheNoteMenu() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        弹出记录 记录;
        static_cast<便签菜单宿主&>(*窗口).弹出便签菜单(便签窗口()[0], std::nullopt);
        QCOMPARE(记录.弹出, static_cast<QWidget*>(窗口->便签菜单));
        // From the keyboard, in the note window the user made active.
        记录.弹出 = nullptr;
        QTest::keyClick(便签窗口()[1], Qt::Key_Menu);
        QCOMPARE(记录.弹出, static_cast<QWidget*>(窗口->便签菜单));
        QCOMPARE(窗口->当前便签编号, 编号[1]);
    }

    void damagedFileWhileRunningIsReportedAndKeepsTheList() {
        // Rows long enough to take a page or so each, so the table spans several pages.
        std::vector<便签> 便签表;
        for (int i = 0; i < 8; ++i) {
            便签表.push_back({QString(1500, QChar(u'a' + i))});
        }
        编号 = 目录->添加(便签表);
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        auto& 数据库 = 自定义变量::全局数据库();
        const int 页大小 = 数据库.数据库_查找_语句(QStringLiteral("PRAGMA page_size"))
                               .Fields(QStringLiteral("page_size"))
                               .ToInt32();
        const int 首页 =
            数据库
                .数据库_查找_语句(QStringLiteral("SELECT min(pageno) AS p FROM dbstat WHERE name = "
                                                 "'Tips' AND pagetype = 'leaf'"))
                .Fields(QStringLiteral("p"))
                .ToInt32();
        {
            // Another program damages the first leaf of the table; the change counter moves,
            // so the engine reads the page afresh.
            QFile 文件(目录->数据库());
            QVERIFY(文件.open(QIODevice::ReadWrite));
            QVERIFY(文件.seek(qint64(首页 - 1) * 页大小));
            QVERIFY(文件.write(QByteArray(页大小, '\xFF')) == 页大小);
            QVERIFY(文件.seek(24));
            QVERIFY(文件.write("\x7F\x7F\x7F\x7F", 4) == 4);
        }
        窗口->文件_新建_Click();
        QCOMPARE(编辑器窗口().size(), std::size_t{1});
        编辑器窗口()[0]->FlatEdit_内容()->setPlainText(QStringLiteral("损坏后写的"));
        {
            消息框应答 应答(QMessageBox::Ok);
            编辑器窗口()[0]->PushButton_保存并关闭()->click();
            QCOMPARE(应答.次数, 1);
            QVERIFY2(应答.文字.contains(QStringLiteral("便签已保存")), qPrintable(应答.文字));
        }
        QCOMPARE(窗口->ListView_Quillet->行数(), 8);
        const auto 新便签 = 数据库.数据库_查找_语句(
            QStringLiteral("SELECT content FROM Tips WHERE ID = %1").arg(编号.back() + 1));
        QCOMPARE(新便签.Fields(QStringLiteral("content")).ToText(), QStringLiteral("损坏后写的"));
        {
            消息框应答 应答(QMessageBox::Ok);
            窗口->菜单项(QStringLiteral("编辑_刷新列表"))->trigger();
            QCOMPARE(应答.次数, 1);
            QVERIFY2(应答.文字.contains(QStringLiteral("便签数据库")), qPrintable(应答.文字));
        }
        QCOMPARE(窗口->ListView_Quillet->行数(), 8);
    }

    void listAndTrayRightButtonOpenTheirMenus() {
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        {
            弹出记录 记录;
            窗口->ListView_Quillet_MouseButton(Qt::LeftButton, QPoint());
            QCOMPARE(记录.弹出, nullptr);
            // Through the list control's own notification.
            窗口->ListView_Quillet->鼠标按键(Qt::RightButton, QPoint(10, 10));
            QCOMPARE(记录.弹出, static_cast<QWidget*>(窗口->列表菜单));
        }
        {
            弹出记录 记录;
            QTest::keyClick(窗口->ListView_Quillet, Qt::Key_F10, Qt::ShiftModifier);
            QCOMPARE(记录.弹出, static_cast<QWidget*>(窗口->列表菜单));
        }
        {
            弹出记录 记录;
            窗口->TrayIcon_MouseButton(Qt::LeftButton);
            QCOMPARE(记录.弹出, nullptr);
            窗口->TrayIcon_MouseButton(Qt::RightButton);
            QTRY_COMPARE(记录.弹出, static_cast<QWidget*>(窗口->托盘菜单));
        }
    }

    void hideAllAndShowAllTwice() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        auto 已勾选 = [窗口] {
            int 数 = 0;
            for (int 行 = 1; 行 <= 窗口->ListView_Quillet->行数(); ++行) {
                数 += 窗口->ListView_Quillet->勾选(行) ? 1 : 0;
            }
            return 数;
        };
        for (int 次 = 0; 次 < 2; ++次) {
            窗口->托盘菜单_全部隐藏_Click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(便签窗口().empty());
            QCOMPARE(已勾选(), 0);
        }
        QCOMPARE(目录->便签数(), 3);

        // Show all with one note already shown opens windows for the others only.
        窗口->ListView_Quillet->设置勾选(2, true);
        QCOMPARE(便签窗口().size(), std::size_t{1});
        for (int 次 = 0; 次 < 2; ++次) {
            窗口->托盘菜单_全部显示_Click();
            QTRY_COMPARE(便签窗口().size(), std::size_t{3});
            QCOMPARE(已勾选(), 3);
        }
        // The list menu's items do the same.
        窗口->菜单项(QStringLiteral("列表菜单_全部隐藏"))->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(便签窗口().empty());
        窗口->菜单项(QStringLiteral("列表菜单_全部显示"))->trigger();
        QTRY_COMPARE(便签窗口().size(), std::size_t{3});
    }

    // Show all opens the windows in turns with the event loop in between; what happens
    // meanwhile is handled, a hide-all stops it, and a second show-all opens no window twice.
    void showAllGoesInTurnsAndStops() {
        std::vector<便签> 便签表(12, 便签{QStringLiteral("多")});
        const std::vector<int> 编号表 = 目录->添加(便签表);
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        窗口->托盘菜单_全部隐藏_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        窗口->全部显示每批毫秒 = 0;  // one window a turn

        // Something the event loop has to do comes between the turns.
        std::size_t 其间窗口数 = 0;
        QTimer::singleShot(0, 窗口, [&] { 其间窗口数 = 便签窗口().size(); });
        窗口->托盘菜单_全部显示_Click();
        QCOMPARE(便签窗口().size(), std::size_t{1});
        QTRY_COMPARE(便签窗口().size(), std::size_t{12});
        QVERIFY(其间窗口数 >= 1 && 其间窗口数 < 12);

        // Hidden halfway: nothing more appears.
        窗口->托盘菜单_全部隐藏_Click();
        窗口->托盘菜单_全部显示_Click();
        QCoreApplication::processEvents();
        窗口->托盘菜单_全部隐藏_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (int 次 = 0; 次 < 20; ++次) {
            QCoreApplication::processEvents();
        }
        QVERIFY(便签窗口().empty());

        // Shown twice at once: one window per note all the same.
        窗口->托盘菜单_全部隐藏_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        窗口->托盘菜单_全部显示_Click();
        窗口->托盘菜单_全部显示_Click();
        QTRY_COMPARE(便签窗口().size(), std::size_t{12});
        for (int 次 = 0; 次 < 20; ++次) {
            QCoreApplication::processEvents();
        }
        QStringList 各窗口;
        for (Form_Quillet* 便签窗 : 便签窗口()) {
            各窗口 << 便签窗->Tag;
        }
        各窗口.sort();
        QStringList 期望;
        for (const int 一个 : 编号表) {
            期望 << QString::number(一个);
        }
        期望.sort();
        QCOMPARE(各窗口, 期望);
    }

    void trayActivationShowsTheWindow() {
        Form_Main* 窗口 = 新主窗口(*目录, {QStringLiteral("mini")});
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(!窗口->isVisible());
        窗口->托盘菜单_显示窗口_Click();
        QVERIFY(窗口->isVisible());
        窗口->close();
        QVERIFY(!窗口->isVisible());
        窗口->TrayIcon_Activate();
        QVERIFY(窗口->isVisible());
    }

    void editorHostReachesListAndWindows() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        编辑器宿主& 宿主 = *窗口;
        宿主.选中便签(编号[1]);
        QCOMPARE(窗口->ListView_Quillet->选中行(), 2);

        // A changed note: reload, then the open window takes the new text.
        auto& 数据库 = 自定义变量::全局数据库();
        数据库.数据库_添加_语句(QStringLiteral("UPDATE Tips SET content='新' where id = ") +
                                QString::number(编号[0]));
        宿主.编辑_刷新列表_Click();
        宿主.刷新便签();
        QCOMPARE(便签窗口()[0]->Label_Quillet()->text(), QStringLiteral("新"));
    }

    // A note of 10 MiB goes through the list, its window, F5, the editor and a save intact;
    // the times are reported, not judged.
    void aHugeNoteStaysIntact() {
        QString 大;
        大.reserve(10 << 20);
        for (int i = 0; 大.size() < (9 << 20); ++i) {
            大 += QStringLiteral("第%1行 text 😀 \t'quoted'\n").arg(i);
        }
        大 += QString(1 << 20, u'长');  // one line of a mebibyte without a break
        编号 = 目录->添加({{大}});
        QElapsedTimer 计时;
        计时.start();
        Form_Main* 窗口 = 新主窗口(*目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QVERIFY(QTest::qWaitForWindowExposed(窗口));
        QCOMPARE(便签窗口().size(), std::size_t{1});
        便签窗口()[0]->grab();
        窗口->grab();
        const qint64 启动 = 计时.restart();
        QCOMPARE(窗口->ListView_Quillet->子项(1, 2), 大);
        // The window lays out the start of the text only: no window shows megabytes.
        const QString 显示的 = 便签窗口()[0]->Label_Quillet()->text();
        QVERIFY(!显示的.isEmpty() && 显示的.size() <= qsizetype{64} * 1024 &&
                大.startsWith(显示的));

        计时.restart();
        窗口->编辑_刷新列表_Click();
        窗口->grab();
        便签窗口()[0]->grab();
        const qint64 刷新 = 计时.restart();

        窗口->ListView_Quillet->选中(1);
        窗口->编辑_修改_Click();
        QCOMPARE(编辑器窗口().size(), std::size_t{1});
        Form_添加便签* 编辑器 = 编辑器窗口()[0];
        编辑器->grab();
        const qint64 打开 = 计时.restart();
        // The rest of the text follows from the event loop; meanwhile nothing can be typed.
        QVERIFY(编辑器->正在载入() && 编辑器->FlatEdit_内容()->isReadOnly());
        QTRY_VERIFY_WITH_TIMEOUT(!编辑器->正在载入(), 120000);
        const qint64 载入 = 计时.restart();
        QVERIFY(!编辑器->FlatEdit_内容()->isReadOnly());
        QVERIFY(!编辑器->FlatEdit_内容()->document()->isUndoAvailable());
        QCOMPARE(编辑框文字(*编辑器->FlatEdit_内容()), 大);

        QTextCursor 光标(编辑器->FlatEdit_内容()->document());
        光标.movePosition(QTextCursor::End);
        光标.insertText(QStringLiteral("末"));
        计时.restart();
        编辑器->PushButton_保存并关闭()->click();
        QCoreApplication::processEvents();
        const qint64 保存 = 计时.elapsed();
        QVERIFY(编辑器窗口().empty());
        const auto 记录 = 自定义变量::全局数据库().数据库_查找_语句(
            QStringLiteral("SELECT content FROM Tips WHERE ID = %1").arg(编号[0]));
        QCOMPARE(记录.Fields(QStringLiteral("content")).ToText(), 大 + QStringLiteral("末"));
        QCOMPARE(窗口->ListView_Quillet->子项(1, 2), 大 + QStringLiteral("末"));
        qInfo(
            "10 MiB note: start %lld ms, F5 %lld ms, editor open %lld ms (all text in after "
            "%lld ms more), save %lld ms",
            static_cast<long long>(启动), static_cast<long long>(刷新),
            static_cast<long long>(打开), static_cast<long long>(载入),
            static_cast<long long>(保存));

        // Saved while the text is still going in: the whole text is written.
        窗口->ListView_Quillet->选中(1);
        窗口->编辑_修改_Click();
        编辑器 = 编辑器窗口().at(0);
        QVERIFY(编辑器->正在载入());
        编辑器->PushButton_保存并关闭()->click();
        QCoreApplication::processEvents();
        QVERIFY(编辑器窗口().empty());
        QCOMPARE(窗口->ListView_Quillet->子项(1, 2), 大 + QStringLiteral("末"));
    }

    void exitAnsweredNoChangesNothing() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        消息框应答 应答(QMessageBox::No);
        窗口->托盘菜单_退出程序_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(应答.次数, 1);
        QCOMPARE(应答.标题, QStringLiteral("确定退出"));
        QCOMPARE(应答.文字, QStringLiteral("退出本程序后Quillet将不再显示，是否确定？"));
        QCOMPARE(应答.图标, QMessageBox::Question);
        QVERIFY(窗口->isVisible());
        QVERIFY(!窗口->退出标志());
        QCOMPARE(便签窗口().size(), std::size_t{3});
        // The database is still open.
        自定义变量::全局数据库().数据库_查找_语句(QStringLiteral("Select * from Tips"));
    }

    // The exit question and the program's other message boxes carry the main window's own
    // icon, not a new one each time (Qt would keep each new icon's pictures for good).
    void messageBoxesShareTheProgramsIcon() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        消息框应答 应答(QMessageBox::No);
        窗口->托盘菜单_退出程序_Click();
        窗口->文件_退出_Click();
        消息::显示(nullptr, QMessageBox::Information, QStringLiteral("说明"));
        QCOMPARE(应答.次数, 3);
        const qint64 主窗口图标 = 窗口->windowIcon().cacheKey();
        QCOMPARE(应答.窗口图标键, QList<qint64>(3, 主窗口图标));
        QVERIFY(!窗口->退出标志());
    }

    void exitClosesEverythingInLoadOrder() {
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        窗口->文件_新建_Click();
        QPointer<Form_Main> 守护(窗口);

        // Record the order in which the windows are asked to close.
        QStringList 顺序;
        struct 记录器 : QObject {
            QStringList* 顺序;
            bool eventFilter(QObject* 对象, QEvent* 事件) override {
                if (事件->type() == QEvent::Close) {
                    *顺序 << 对象->objectName();
                }
                return false;
            }
        } 记录;
        记录.顺序 = &顺序;
        QStringList 期望;
        int 序号 = 0;
        for (const auto& 条目 : platform::Forms::快照()) {
            条目.窗口->setObjectName(QStringLiteral("窗口%1").arg(序号++));
            条目.窗口->installEventFilter(&记录);
            期望 << 条目.窗口->objectName();
        }
        期望 << QStringLiteral("窗口0");  // the main window once more, for real

        QEventLoop 循环;
        QTimer::singleShot(0, 窗口, [窗口] { 窗口->文件_退出_Click(); });
        QTimer::singleShot(20000, &循环, [&循环] { 循环.exit(99); });
        消息框应答 应答(QMessageBox::Yes);
        QCOMPARE(循环.exec(), 0);
        QCOMPARE(应答.次数, 1);
        QCOMPARE(顺序, 期望);
        QVERIFY(守护);
        QVERIFY(窗口->退出标志());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!守护);
        QCOMPARE(platform::Forms::数量(), 0);
        // The database is closed.
        QVERIFY_THROWS_EXCEPTION(dao::Error, 自定义变量::全局数据库().数据库_查找_语句(
                                                 QStringLiteral("Select * from Tips")));
    }

    void terminationSignalEndsTheProgram() {
#ifdef Q_OS_WIN
        QSKIP("Windows has no termination signals to catch; the exit command ends the program");
#endif
        Form_Main* 窗口 = 三条便签(*目录, 编号);
        QVERIFY(窗口);
        QPointer<Form_Main> 守护(窗口);
        QVERIFY(platform::startup::安装退出信号());
        消息框应答 应答(QMessageBox::Yes);
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(应答.次数, 0);  // no question
        // The loop ended after the exit sequence: every window really closed, the database too.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!守护);
        QCOMPARE(platform::Forms::数量(), 0);
        QVERIFY_THROWS_EXCEPTION(dao::Error, 自定义变量::全局数据库().数据库_查找_语句(
                                                 QStringLiteral("Select * from Tips")));
    }
};

QTEST_MAIN(MainCommandsTest)
#include "test_main_commands.moc"
