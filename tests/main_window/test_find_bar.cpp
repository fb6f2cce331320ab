// SPDX-License-Identifier: MIT
// The main window's find bar, and the list's sort as the settings store keeps it.

#include "main_form_fixture.h"

#include "desktop_note/note_window.h"
#include "main_window/find_bar.h"
#include "platform/controls/listview.h"
#include "store/statements.h"

#include <QAction>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTest>

#include <vector>

using namespace 测试;

namespace {

// A program folder of its own for one test; the program's windows and database go with it.
struct 测试目录 : 程序目录 {
    ~测试目录() {
        清理();
        store::设置时钟(nullptr);
    }
};

// The ids of the notes the view shows, in its order.
QStringList 显示编号(const platform::controls::ListView& 列表) {
    QStringList 编号;
    for (int p = 0; p < 列表.model()->rowCount(); ++p) {
        编号 << 列表.子项(列表.索引行(列表.model()->index(p, 0)), 1);
    }
    return 编号;
}

QString 文字(int 编号) {
    return QString::number(编号);
}

}  // namespace

class FindBarTest : public QObject {
    Q_OBJECT

  private slots:

    void ctrlFFiltersAsTypedAndKeepsItThroughReloads() {
        测试目录 目录;
        QVERIFY(目录.有效());
        const std::vector<int> 编号 = 目录.添加({{QStringLiteral("快递到了")},
                                                 {QStringLiteral("Apple pie")},
                                                 {QStringLiteral("明天开会")},
                                                 {QStringLiteral("green APPLE")}});
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        窗口->show();
        QVERIFY(QTest::qWaitForWindowActive(窗口));
        auto& 列表 = *窗口->ListView_Quillet;
        查找栏& 栏 = *窗口->查找栏_;
        const QRect 列表位置 = 列表.geometry();

        QTest::keyClick(窗口, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(栏.已打开());
        QVERIFY(栏.输入框()->hasFocus());
        QCOMPARE(栏.输入框()->accessibleName(), QStringLiteral("查找便签"));
        // The bar takes the top of the list's place.
        QTRY_VERIFY(列表.geometry().top() > 栏.geometry().bottom());
        QCOMPARE(列表.geometry().bottom(), 列表位置.bottom());
        QCOMPARE(栏.geometry().top(), 列表位置.top());
        QCOMPARE(栏.geometry().left(), 列表位置.left());

        QTest::keyClicks(栏.输入框(), QStringLiteral("apple"));
        QCOMPARE(显示编号(列表), QStringList({文字(编号[1]), 文字(编号[3])}));
        QCOMPARE(栏.结果()->text(), QStringLiteral("找到 2 条便签"));
        QCOMPARE(栏.输入框()->accessibleDescription(), 栏.结果()->text());

        // Down goes on to the first note found.
        QTest::keyClick(栏.输入框(), Qt::Key_Down);
        QVERIFY(列表.hasFocus());
        QCOMPARE(列表.选中行(), 2);
        QTest::keyClick(&列表, Qt::Key_Down);
        QCOMPARE(列表.选中行(), 4);

        // A reload (F5, a note added by another program) keeps the find and the selection.
        目录.添加({{QStringLiteral("apple tart")}});
        窗口->编辑_刷新列表_Click();
        QCOMPARE(列表.行数(), 5);
        QCOMPARE(列表.显示行数(), 3);
        QCOMPARE(列表.子项(列表.选中行(), 2), QStringLiteral("green APPLE"));
        QTRY_COMPARE(栏.结果()->text(), QStringLiteral("找到 3 条便签"));

        // Commands over every note reach the rows not shown too.
        窗口->托盘菜单_全部隐藏_Click();
        for (int 行 = 1; 行 <= 列表.行数(); ++行) {
            QVERIFY(!列表.勾选(行));
        }
        窗口->托盘菜单_全部显示_Click();
        QTRY_COMPARE(便签窗口().size(), std::size_t{5});

        // Delete takes the selected row shown, and the next row shown is selected.
        列表.选中(2);
        窗口->编辑_删除_Click();
        QCOMPARE(目录.便签数(), 4);
        QCOMPARE(显示编号(列表).size(), 2);
        QVERIFY(!显示编号(列表).contains(文字(编号[1])));
        QCOMPARE(列表.子项(列表.选中行(), 2), QStringLiteral("green APPLE"));

        // Esc, from the field or the list, closes the bar and shows every row at the list's
        // own place.
        窗口->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(窗口));
        QTest::keyClick(栏.输入框(), Qt::Key_Escape);
        QVERIFY(!栏.已打开());
        QCOMPARE(列表.显示行数(), 4);
        QTRY_COMPARE(列表.geometry(), 列表位置);
        QVERIFY(列表.hasFocus());

        // Pinyin initials find Chinese notes, and go on doing so through a reload.
        窗口->菜单项(QStringLiteral("编辑_查找"))->trigger();
        QTest::keyClicks(栏.输入框(), QStringLiteral("kd"));
        QCOMPARE(显示编号(列表), QStringList({文字(编号[0])}));
        const int 考点 = 目录.添加({{QStringLiteral("考点")}}).front();
        窗口->编辑_刷新列表_Click();
        QCOMPARE(显示编号(列表), QStringList({文字(编号[0]), 文字(考点)}));
        栏.输入框()->selectAll();
        QTest::keyClicks(栏.输入框(), QStringLiteral("mtkh"));
        QCOMPARE(显示编号(列表), QStringList({文字(编号[2])}));

        // Emptying the field closes the bar as well.
        窗口->菜单项(QStringLiteral("编辑_查找"))->trigger();  // selects the text
        QInputMethodEvent 输入;                                // Chinese comes from an input method
        输入.setCommitString(QStringLiteral("快"));
        QCoreApplication::sendEvent(栏.输入框(), &输入);
        QCOMPARE(显示编号(列表), QStringList({文字(编号[0])}));
        QTest::keyClick(栏.输入框(), Qt::Key_Backspace);
        QVERIFY(!栏.已打开());
        QCOMPARE(列表.显示行数(), 5);
    }

    void aHeaderClickSortsByDateAndIsRememberedAtTheNextStart() {
        测试目录 目录;
        QVERIFY(目录.有效());
        // Dates whose text order differs from their order in time.
        const QDateTime 时刻[] = {QDateTime(QDate(2026, 1, 3), QTime(9, 0)),
                                  QDateTime(QDate(2026, 2, 20), QTime(8, 0)),
                                  QDateTime(QDate(2025, 1, 15), QTime(23, 0))};
        std::vector<int> 编号;
        for (const QDateTime& 当时 : 时刻) {
            store::设置时钟([当时] { return 当时; });
            编号.push_back(目录.添加({{QStringLiteral("便签")}}).front());
        }
        Form_Main* 窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        窗口->show();
        QVERIFY(QTest::qWaitForWindowExposed(窗口));
        auto* 列表 = 窗口->ListView_Quillet;
        const QStringList 原序{文字(编号[0]), 文字(编号[1]), 文字(编号[2])};
        const QStringList 按时间{文字(编号[2]), 文字(编号[0]), 文字(编号[1])};
        QCOMPARE(显示编号(*列表), 原序);

        QHeaderView* 表头 = 列表->header();
        QTest::mouseClick(表头->viewport(), Qt::LeftButton, {},
                          QPoint(表头->sectionViewportPosition(3) + 5, 表头->height() / 2));
        QCOMPARE(显示编号(*列表), 按时间);
        窗口->编辑_刷新列表_Click();
        QCoreApplication::processEvents();  // the list's notice of the texts written
        QCOMPARE(显示编号(*列表), 按时间);

        清理();
        窗口 = 新主窗口(目录);
        QCOMPARE(窗口->Form_Load(), 0);
        QCOMPARE(显示编号(*窗口->ListView_Quillet), 按时间);
        QCOMPARE(窗口->ListView_Quillet->header()->sortIndicatorSection(), 3);
    }
};

QTEST_MAIN(FindBarTest)
#include "test_find_bar.moc"
