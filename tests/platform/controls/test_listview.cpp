// SPDX-License-Identifier: MIT
#include "platform/controls/listview.h"

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionViewItem>
#include <QtTest>

#include <stdexcept>
#include <vector>

using platform::controls::ListView;

namespace {

// A list with the note list's columns and three rows "a", "b", "c" in column 2.
void 填充(ListView& 列表, int 行数 = 3) {
    列表.添加列(QStringLiteral("显示"), 540);
    列表.添加列(QStringLiteral("编号"), 1);
    列表.添加列(QStringLiteral("内容"), 4000);
    for (int i = 0; i < 行数; ++i) {
        const int 行 = 列表.添加行(QString());
        列表.设置子项(行, 1, QString::number(行 * 10));
        列表.设置子项(行, 2, QString(QChar(u'a' + i)));
    }
}

// Qt's checks of what a model promises its views, on the list's rows and on the rows as the view
// shows them (sorted, found), through every change a test makes.
struct 模型检查 {
    explicit 模型检查(ListView& 列表)
        : 视图(列表.model(), QAbstractItemModelTester::FailureReportingMode::QtTest),
          源(static_cast<QSortFilterProxyModel*>(列表.model())->sourceModel(),
             QAbstractItemModelTester::FailureReportingMode::QtTest) {}
    QAbstractItemModelTester 视图;
    QAbstractItemModelTester 源;
};

// Shows the list at a size that holds its rows.
bool 显示(ListView& 列表) {
    列表.resize(600, 300);
    列表.show();
    return QTest::qWaitForWindowExposed(&列表);
}

// The centre of row 行's check box, in viewport coordinates.
QPoint 勾选框中心(ListView& 列表, int 行) {
    const QModelIndex 索引 = 列表.model()->index(行 - 1, 0);
    QStyleOptionViewItem 选项;
    选项.initFrom(列表.viewport());
    选项.rect = 列表.visualRect(索引);
    选项.features |= QStyleOptionViewItem::HasCheckIndicator;
    选项.checkState = Qt::Unchecked;
    const QRect 框 =
        列表.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &选项, &列表);
    return 框.center();
}

// Rows 1 to 4 of 带日期填充, added again as a reload adds them after 清除行.
void 添加日期行(ListView& 列表) {
    const QString 行表[][2] = {{QStringLiteral("b"), QStringLiteral("10.1.2026")},
                               {QStringLiteral("Apfel"), QStringLiteral("9.1.2026")},
                               {QStringLiteral("apple"), QStringLiteral("1.2.2026")},
                               {QStringLiteral("快递"), QStringLiteral("9.1.2025")}};
    for (const auto& 内容 : 行表) {
        const int 行 = 列表.添加行(QString());
        列表.设置子项(行, 2, 内容[0]);
        列表.设置子项(行, 3, 内容[1]);
    }
}

// A list of notes with a date column (3) written "d.M.yyyy", whose text order is not its date
// order: rows 1 to 4 are "b" 10.1.2026, "Apfel" 9.1.2026, "apple" 1.2.2026, "快递" 9.1.2025.
void 带日期填充(ListView& 列表) {
    填充(列表, 0);
    列表.添加列(QStringLiteral("创建时间"), 2000);
    列表.设置文字列(2);
    列表.设置排序数(3, [](const QString& 文字) {
        return QDate::fromString(文字, QStringLiteral("d.M.yyyy")).toJulianDay();
    });
    添加日期行(列表);
}

// The rows in the order the view shows them, as row numbers.
QList<int> 显示顺序(const ListView& 列表) {
    QList<int> 顺序;
    for (int p = 0; p < 列表.model()->rowCount(); ++p) {
        顺序 << 列表.索引行(列表.model()->index(p, 0));
    }
    return 顺序;
}

void 点击表头(ListView& 列表, int 列) {
    QHeaderView* 表头 = 列表.header();
    QTest::mouseClick(表头->viewport(), Qt::LeftButton, {},
                      QPoint(表头->sectionViewportPosition(列) + 5, 表头->height() / 2));
}

}  // namespace

class TestListView : public QObject {
    Q_OBJECT

  private slots:
    void columnsTakeTwipsAndTheIdColumnStaysNarrow() {
        ListView 列表;
        填充(列表, 0);
        QCOMPARE(列表.列数(), 3);
        QCOMPARE(列表.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("内容"));
        QCOMPARE(列表.header()->sectionSize(0), 36);   // 540 twips
        QCOMPARE(列表.header()->sectionSize(1), 0);    // 1 twip: practically invisible
        QCOMPARE(列表.header()->sectionSize(2), 267);  // 4000 twips, rounded
        QVERIFY(显示(列表));
        // Neither the header's minimum size nor stretching widens the columns.
        QCOMPARE(列表.header()->sectionSize(1), 0);
        QCOMPARE(列表.header()->sectionSize(2), 267);
        QVERIFY(!列表.isHeaderHidden());
        // The header is as tall as its captions in its own font (not measured in bold).
        const QVariant 尺寸 = 列表.model()->headerData(2, Qt::Horizontal, Qt::SizeHintRole);
        QVERIFY(尺寸.toSize().width() > 列表.header()->fontMetrics().horizontalAdvance("内容"));
        QCOMPARE(列表.header()->height(), 列表.header()->sizeHint().height());
        QVERIFY(列表.header()->height() >= 列表.header()->fontMetrics().height());
    }

    void rowsCountFromOneAndKeepTheirTexts() {
        ListView 列表;
        填充(列表);
        QCOMPARE(列表.行数(), 3);
        QCOMPARE(列表.添加行(QStringLiteral("行文字")), 4);
        QCOMPARE(列表.子项(4, 0), QStringLiteral("行文字"));
        QCOMPARE(列表.子项(4, 2), QString());  // never set
        QCOMPARE(列表.子项(1, 1), QStringLiteral("10"));
        QCOMPARE(列表.子项(3, 2), QStringLiteral("c"));
        QCOMPARE(列表.model()->index(2, 2).data().toString(), QStringLiteral("c"));

        const QString 长文字 = QStringLiteral("第一行\n第二行\n") + QString(5000, QChar(u'长'));
        列表.设置子项(2, 2, 长文字);
        QCOMPARE(列表.子项(2, 2), 长文字);

        QVERIFY_THROWS_EXCEPTION(std::out_of_range, 列表.子项(0, 1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, 列表.子项(5, 1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, 列表.子项(1, 3));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, 列表.设置勾选(5, true));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, 列表.删除行(0));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, 列表.选中(5));
    }

    void deleteAndClearKeepRowsAndMarksInStep() {
        ListView 列表;
        const 模型检查 检查(列表);
        填充(列表, 4);
        列表.设置勾选(3, true);
        列表.删除行(2);
        QCOMPARE(列表.行数(), 3);
        QCOMPARE(列表.子项(1, 2), QStringLiteral("a"));
        QCOMPARE(列表.子项(2, 2), QStringLiteral("c"));
        QCOMPARE(列表.子项(3, 2), QStringLiteral("d"));
        QVERIFY(!列表.勾选(1));
        QVERIFY(列表.勾选(2));  // "c" kept its mark when it moved up
        QVERIFY(!列表.勾选(3));

        std::vector<int> 变化;
        列表.勾选已改变 = [&](int 行) { 变化.push_back(行); };
        列表.设置勾选(2, true);  // already set where it now lives
        QVERIFY(变化.empty());
        列表.设置勾选(3, true);
        QCOMPARE(变化, std::vector<int>{3});

        列表.清除行();
        QCOMPARE(列表.行数(), 0);
        QCOMPARE(列表.列数(), 3);
        QCOMPARE(列表.选中行(), 0);
        QCOMPARE(列表.添加行(QString()), 1);
        QVERIFY(!列表.勾选(1));
        列表.设置勾选(1, true);
        QCOMPARE(变化, (std::vector<int>{3, 1}));
    }

    void selectionIsOneRowAndZeroMeansNone() {
        ListView 列表;
        填充(列表);
        QCOMPARE(列表.选中行(), 0);
        列表.选中(2);
        QCOMPARE(列表.选中行(), 2);
        列表.选中(3);
        QCOMPARE(列表.选中行(), 3);
        QCOMPARE(列表.selectionModel()->selectedRows().size(), 1);
        列表.删除行(3);
        QCOMPARE(列表.选中行(), 0);
        列表.选中(1);
        列表.选中(0);
        QCOMPARE(列表.选中行(), 0);
    }

    void homeAndEndSelectEvenTheOnlyRow() {
        ListView 列表;
        填充(列表, 1);
        QVERIFY(显示(列表));
        列表.setFocus();
        // The row is current (as after a click on the list's empty part) but not selected.
        列表.selectionModel()->setCurrentIndex(列表.model()->index(0, 0),
                                               QItemSelectionModel::NoUpdate);
        QCOMPARE(列表.选中行(), 0);
        QTest::keyClick(&列表, Qt::Key_End);
        QCOMPARE(列表.选中行(), 1);
        列表.选中(0);
        QTest::keyClick(&列表, Qt::Key_Home);
        QCOMPARE(列表.选中行(), 1);
    }

    void aLongTextShowsOneShortLineAndKeepsItsWhole() {
        ListView 列表;
        填充(列表, 1);
        const QString 长 = QStringLiteral("第一行\r\n第二行\u2028") + QString(4 << 20, u'x');
        列表.设置子项(1, 2, 长);
        QCOMPARE(列表.子项(1, 2), 长);
        const QString 显示的 = 列表.model()->index(0, 2).data(Qt::DisplayRole).toString();
        QVERIFY(显示的.startsWith(QStringLiteral("第一行  第二行 x")));
        QVERIFY(!显示的.contains(u'\n') && !显示的.contains(QChar::LineSeparator));
        QVERIFY2(显示的.size() <= 1024, qPrintable(QString::number(显示的.size())));
        // A pair of surrogates is never cut in two.
        列表.设置子项(1, 2, QString(255, u'a') + QStringLiteral("😀") + 长);
        QVERIFY(!列表.model()->index(0, 2).data().toString().back().isSurrogate());
    }

    void codeRaisesOnlyRealMarkChanges() {
        ListView 列表;
        填充(列表);
        std::vector<int> 变化;
        列表.勾选已改变 = [&](int 行) { 变化.push_back(行); };

        列表.设置勾选(2, true);
        QCOMPARE(变化, std::vector<int>{2});
        列表.设置勾选(2, true);  // same state: nothing
        列表.设置勾选(1, false);
        QCOMPARE(变化, std::vector<int>{2});

        列表.设置子项(2, 2, QStringLiteral("新文字"));  // text: nothing
        列表.设置子项(2, 0, QStringLiteral("行"));
        列表.选中(2);  // selection: nothing
        列表.选中(0);
        列表.model()->setData(列表.model()->index(0, 1), QStringLiteral("x"));
        QCOMPARE(变化, std::vector<int>{2});

        // Another value that means "checked" is the same state.
        列表.model()->setData(列表.model()->index(1, 0), Qt::PartiallyChecked, Qt::CheckStateRole);
        QCOMPARE(变化, std::vector<int>{2});
        QVERIFY(列表.勾选(2));

        列表.设置勾选(2, false);
        QCOMPARE(变化, (std::vector<int>{2, 2}));
        QVERIFY(!列表.勾选(2));

        // A model-wide change notice without a real change raises nothing.
        emit 列表.model()->dataChanged(列表.model()->index(0, 0), 列表.model()->index(2, 4));
        QCOMPARE(变化, (std::vector<int>{2, 2}));
    }

    void theViewHearsOfEveryWrittenCell() {
        ListView 列表;
        填充(列表);
        QSignalSpy 改动(列表.model(), &QAbstractItemModel::dataChanged);
        列表.设置子项(2, 2, QStringLiteral("新"));
        列表.设置勾选(3, true);
        QCOMPARE(列表.model()->index(1, 2).data().toString(), QStringLiteral("新"));
        QCOMPARE(列表.model()->index(2, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QTRY_VERIFY(!改动.isEmpty());
        int 首 = 3, 末 = -1;
        for (const auto& 参数 : 改动) {
            首 = std::min(首, 参数.at(0).toModelIndex().row());
            末 = std::max(末, 参数.at(1).toModelIndex().row());
            QCOMPARE(参数.at(0).toModelIndex().column(), 0);
            QCOMPARE(参数.at(1).toModelIndex().column(), 列表.列数() - 1);
        }
        QVERIFY(首 <= 1 && 末 >= 2);
    }

    void aHandlerMayChangeTheListWhileItIsRaised() {
        ListView 列表;
        填充(列表);
        std::vector<int> 变化;
        列表.勾选已改变 = [&](int 行) {
            变化.push_back(行);
            if (行 == 1) {
                列表.设置勾选(3, true);  // nested change, raised on its own
            }
            if (行 == 2 && !列表.勾选(2)) {
                列表.删除行(2);
            }
        };
        列表.设置勾选(1, true);
        QCOMPARE(变化, (std::vector<int>{1, 3}));
        列表.设置勾选(2, true);
        列表.设置勾选(2, false);  // removed by the handler
        QCOMPARE(变化, (std::vector<int>{1, 3, 2, 2}));
        QCOMPARE(列表.行数(), 2);
        QVERIFY(列表.勾选(2));  // the former row 3
        列表.设置勾选(2, true);
        QCOMPARE(变化.size(), std::size_t{4});
    }

    void userClickAndSpaceToggleTheMark() {
        ListView 列表;
        填充(列表);
        QVERIFY(显示(列表));
        std::vector<int> 变化;
        列表.勾选已改变 = [&](int 行) { 变化.push_back(行); };

        QTest::mouseClick(列表.viewport(), Qt::LeftButton, {}, 勾选框中心(列表, 2));
        QVERIFY(列表.勾选(2));
        QCOMPARE(变化, std::vector<int>{2});

        // A click on the text selects the row and leaves the mark alone.
        const QRect 文字格 = 列表.visualRect(列表.model()->index(0, 2));
        QTest::mouseClick(列表.viewport(), Qt::LeftButton, {}, 文字格.center());
        QCOMPARE(列表.选中行(), 1);
        QCOMPARE(变化, std::vector<int>{2});

        // Space toggles the current row's mark, wherever in the row the focus is.
        QTest::keyClick(&列表, Qt::Key_Space);
        QVERIFY(列表.勾选(1));
        QCOMPARE(变化, (std::vector<int>{2, 1}));
        QTest::keyClick(&列表, Qt::Key_Space);
        QVERIFY(!列表.勾选(1));
        QCOMPARE(变化, (std::vector<int>{2, 1, 1}));

        QTest::mouseClick(列表.viewport(), Qt::LeftButton, {}, 勾选框中心(列表, 2));
        QVERIFY(!列表.勾选(2));
        QCOMPARE(变化, (std::vector<int>{2, 1, 1, 2}));

        // A handler's error cannot travel through the event dispatch; it ends in the list.
        列表.勾选已改变 = [&](int 行) {
            变化.push_back(行);
            throw std::runtime_error("handler failed");
        };
        QTest::mouseClick(列表.viewport(), Qt::LeftButton, {}, 勾选框中心(列表, 2));
        QTest::keyClick(&列表, Qt::Key_Space);
        QCOMPARE(变化, (std::vector<int>{2, 1, 1, 2, 2, 1}));
        QVERIFY(列表.勾选(2));
        QVERIFY(列表.勾选(1));
        // Set by code, the error passes to the code that set the mark.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, 列表.设置勾选(1, false));
        QVERIFY(!列表.勾选(1));
    }

    void aDoubleClickOnTheBoxTogglesOnce() {
        ListView 列表;
        填充(列表);
        QVERIFY(显示(列表));
        std::vector<int> 变化;
        列表.勾选已改变 = [&](int 行) { 变化.push_back(行); };

        // As the window system delivers it: press, release, press, release in quick succession.
        QWindow* 窗口 = 列表.window()->windowHandle();
        const QPoint 位置 = 列表.viewport()->mapTo(&列表, 勾选框中心(列表, 1));
        QTest::mouseDClick(窗口, Qt::LeftButton, {}, 位置);
        QVERIFY(列表.勾选(1));
        QCOMPARE(变化, std::vector<int>{1});

        // The same with the double click delivered in place of the second press.
        const QPoint 框 = 勾选框中心(列表, 3);
        QTest::mousePress(列表.viewport(), Qt::LeftButton, {}, 框);
        QTest::mouseRelease(列表.viewport(), Qt::LeftButton, {}, 框);
        QTest::mouseDClick(列表.viewport(), Qt::LeftButton, {}, 框);
        QTest::mouseRelease(列表.viewport(), Qt::LeftButton, {}, 框);
        QVERIFY(列表.勾选(3));
        QCOMPARE(变化, (std::vector<int>{1, 3}));

        // The next single click still toggles.
        QTest::mouseClick(列表.viewport(), Qt::LeftButton, {}, 框);
        QVERIFY(!列表.勾选(3));
        QCOMPARE(变化, (std::vector<int>{1, 3, 3}));
    }

    void mouseButtonIsRaisedOnRelease() {
        ListView 列表;
        填充(列表);
        QVERIFY(显示(列表));
        std::vector<std::pair<Qt::MouseButton, QPoint>> 按键;
        列表.鼠标按键 = [&](Qt::MouseButton 键, QPoint 位置) { 按键.emplace_back(键, 位置); };

        const QPoint 位置(100, 5);
        QTest::mousePress(列表.viewport(), Qt::RightButton, {}, 位置);
        QVERIFY(按键.empty());
        QTest::mouseRelease(列表.viewport(), Qt::RightButton, {}, 位置);
        QCOMPARE(按键.size(), std::size_t{1});
        QCOMPARE(按键[0].first, Qt::RightButton);
        QCOMPARE(按键[0].second, 列表.viewport()->mapToGlobal(位置));

        QTest::mouseClick(列表.viewport(), Qt::LeftButton, {}, 位置);
        QCOMPARE(按键.size(), std::size_t{2});
        QCOMPARE(按键[1].first, Qt::LeftButton);
    }

    void menuKeyAsksForTheMenuOverTheSelectedRow() {
        ListView 列表;
        填充(列表);
        QVERIFY(显示(列表));
        std::vector<QPoint> 请求;
        列表.菜单键 = [&](QPoint 位置) { 请求.push_back(位置); };
        auto 行区域 = [&](int 行) {
            QRect 区域 = 列表.visualRect(列表.model()->index(行 - 1, 0));
            区域.setRight(列表.viewport()->width());
            return QRect(列表.viewport()->mapToGlobal(区域.topLeft()), 区域.size());
        };

        列表.选中(2);
        QTest::keyClick(&列表, Qt::Key_Menu);
        QTest::keyClick(&列表, Qt::Key_F10, Qt::ShiftModifier);
        QTest::keyClick(&列表, Qt::Key_F10);
        QTest::keyClick(&列表, Qt::Key_Menu, Qt::ControlModifier);
        QCOMPARE(请求.size(), std::size_t{2});
        QVERIFY(行区域(2).contains(请求[0]));
        QCOMPARE(请求[1], 请求[0]);
        QVERIFY(!列表.勾选(2));

        // Without a selection the menu goes over the row the keyboard is on.
        列表.setCurrentIndex(列表.model()->index(2, 2));
        列表.selectionModel()->clearSelection();
        QTest::keyClick(&列表, Qt::Key_Menu);
        QCOMPARE(请求.size(), std::size_t{3});
        QVERIFY(行区域(3).contains(请求[2]));
    }

    void aHeaderClickSortsByValueAndRowsKeepTheirNumbers() {
        ListView 列表;
        const 模型检查 检查(列表);
        带日期填充(列表);
        QVERIFY(显示(列表));
        std::vector<std::pair<int, Qt::SortOrder>> 排序;
        列表.排序已改变 = [&](int 列, Qt::SortOrder 顺序) { 排序.emplace_back(列, 顺序); };
        QCOMPARE(显示顺序(列表), (QList<int>{1, 2, 3, 4}));  // as added until a click

        点击表头(列表, 3);
        QCOMPARE(显示顺序(列表), (QList<int>{4, 2, 1, 3}));  // by date, not by text
        点击表头(列表, 3);
        QCOMPARE(显示顺序(列表), (QList<int>{3, 1, 2, 4}));
        QCOMPARE(排序.size(), std::size_t{2});
        QCOMPARE(排序[1], std::make_pair(3, Qt::DescendingOrder));

        // Rows keep their numbers: selection, marks and the keyboard act on the row shown.
        QCOMPARE(列表.子项(1, 2), QStringLiteral("b"));
        列表.选中(4);
        QCOMPARE(列表.currentIndex().row(), 3);
        QCOMPARE(列表.选中行(), 4);
        QTest::keyClick(&列表, Qt::Key_Up);
        QCOMPARE(列表.选中行(), 2);
        std::vector<int> 变化;
        列表.勾选已改变 = [&](int 行) { 变化.push_back(行); };
        QTest::keyClick(&列表, Qt::Key_Space);
        QVERIFY(列表.勾选(2));
        QCOMPARE(变化, std::vector<int>{2});
        QCOMPARE(列表.接替行(2), 3);  // shown below it: row 4, which becomes row 3

        // The mark column sorts by the mark; the text column in the locale's order, whatever
        // the case; a changed date moves its row; a refill keeps the sort.
        列表.排序(0, Qt::DescendingOrder);
        QCOMPARE(显示顺序(列表).first(), 2);
        列表.排序(2, Qt::AscendingOrder);
        QCOMPARE(显示顺序(列表), (QList<int>{2, 3, 1, 4}));
        列表.排序(3, Qt::AscendingOrder);
        列表.设置子项(4, 3, QStringLiteral("1.1.2027"));
        QCoreApplication::processEvents();
        QCOMPARE(显示顺序(列表), (QList<int>{2, 1, 3, 4}));
        列表.清除行();
        添加日期行(列表);
        QCoreApplication::processEvents();
        QCOMPARE(显示顺序(列表), (QList<int>{4, 2, 1, 3}));
        QCOMPARE(列表.header()->sortIndicatorSection(), 3);
        列表.排序(-1, Qt::AscendingOrder);
        QCOMPARE(显示顺序(列表), (QList<int>{1, 2, 3, 4}));
    }

    void findShowsMatchingRowsAndCountsEveryRow() {
        ListView 列表;
        const 模型检查 检查(列表);
        带日期填充(列表);
        int 通知 = 0;
        列表.显示行数已改变 = [&] { ++通知; };
        列表.选中(1);
        列表.查找(QStringLiteral("AP"));
        QCOMPARE(显示顺序(列表), (QList<int>{2, 3}));
        QCOMPARE(列表.行数(), 4);
        QCOMPARE(列表.显示行数(), 2);
        列表.选中(1);
        QCOMPARE(列表.选中行(), 0);
        列表.选中(3);
        QCOMPARE(列表.选中行(), 3);
        QCOMPARE(列表.接替行(3), 2);  // the last row shown: the one above takes its place
        QCoreApplication::processEvents();
        QVERIFY(通知 > 0);

        // A changed text is matched anew; the find stays for rows added after a clear.
        列表.设置子项(1, 2, QStringLiteral("grape"));
        列表.设置子项(2, 2, QStringLiteral("pear"));
        QCoreApplication::processEvents();
        QCOMPARE(显示顺序(列表), (QList<int>{1, 3}));
        列表.清除行();
        添加日期行(列表);
        QCoreApplication::processEvents();
        QCOMPARE(显示顺序(列表), (QList<int>{2, 3}));
        列表.查找(QStringLiteral("快"));
        QCOMPARE(显示顺序(列表), (QList<int>{4}));
        列表.查找(QString());
        QCOMPARE(列表.显示行数(), 4);
    }

    void typingMovesToTheNextRowStartingWithIt() {
        ListView 列表;
        带日期填充(列表);
        QVERIFY(显示(列表));
        QStyleHints* 提示 = QGuiApplication::styleHints();
        const int 原间隔 = 提示->keyboardInputInterval();
        const auto 恢复 = qScopeGuard([&] { 提示->setKeyboardInputInterval(原间隔); });

        // Keys in quick succession refine the search from the current row.
        提示->setKeyboardInputInterval(60000);
        列表.选中(1);
        QTest::keyClicks(&列表, QStringLiteral("app"));
        QCOMPARE(列表.选中行(), 3);

        // Each key a new search (no interval): the same letter moves on to the next match,
        // from the check-box column too.
        提示->setKeyboardInputInterval(0);
        列表.setCurrentIndex(列表.model()->index(0, 0));
        QTest::keyClick(&列表, Qt::Key_A);
        QCOMPARE(列表.选中行(), 2);
        QTest::keyClick(&列表, Qt::Key_A);
        QCOMPARE(列表.选中行(), 3);
        QTest::keyClick(&列表, Qt::Key_A);
        QCOMPARE(列表.选中行(), 2);  // round again

        // Chinese text comes from an input method as committed text.
        QVERIFY(列表.testAttribute(Qt::WA_InputMethodEnabled));
        QInputMethodEvent 输入;
        输入.setCommitString(QStringLiteral("快"));
        QCoreApplication::sendEvent(&列表, &输入);
        QCOMPARE(列表.选中行(), 4);
    }

    void tenThousandRowsFill() {
        ListView 列表;
        列表.添加列(QStringLiteral("显示"), 540);
        列表.添加列(QStringLiteral("编号"), 1);
        列表.添加列(QStringLiteral("内容"), 4000);
        列表.添加列(QStringLiteral("创建时间"), 2000);
        列表.添加列(QStringLiteral("修改时间"), 2000);
        列表.show();
        int 变化 = 0;
        列表.勾选已改变 = [&](int) { ++变化; };
        QElapsedTimer 计时;
        计时.start();
        for (int i = 1; i <= 10000; ++i) {
            const int 行 = 列表.添加行(QString());
            列表.设置勾选(行, i % 2 == 0);
            for (int 列 = 1; 列 <= 4; ++列) {
                列表.设置子项(行, 列, QString::number(i * 10 + 列));
            }
        }
        qInfo("10000 rows filled in %lld ms", 计时.elapsed());
        QCOMPARE(列表.行数(), 10000);
        QCOMPARE(变化, 5000);
        QVERIFY(列表.勾选(10000));
        QVERIFY(!列表.勾选(9999));
        QCOMPARE(列表.子项(9999, 3), QStringLiteral("99993"));

        // Then sorted by a value and found: a keystroke's find, and a reload under both.
        列表.设置文字列(2);
        列表.设置排序数(3, [](const QString& 文字) { return -文字.toLongLong(); });
        计时.restart();
        列表.排序(3, Qt::AscendingOrder);
        QCOMPARE(列表.子项(列表.索引行(列表.model()->index(0, 0)), 3), QStringLiteral("100003"));
        const qint64 排序毫秒 = 计时.restart();
        列表.查找(QStringLiteral("99"));
        const qint64 查找毫秒 = 计时.restart();
        int 含99 = 0;
        for (int i = 1; i <= 10000; ++i) {
            含99 += QString::number(i * 10 + 2).contains(QStringLiteral("99")) ? 1 : 0;
        }
        QCOMPARE(列表.显示行数(), 含99);
        列表.清除行();
        for (int i = 1; i <= 10000; ++i) {
            const int 行 = 列表.添加行(QString());
            for (int 列 = 1; 列 <= 4; ++列) {
                列表.设置子项(行, 列, QString::number(i * 10 + 列));
            }
        }
        QCOMPARE(列表.显示行数(), 含99);
        QCoreApplication::processEvents();
        qInfo("sorted in %lld ms, found in %lld ms, refilled sorted and found in %lld ms",
              static_cast<long long>(排序毫秒), static_cast<long long>(查找毫秒), 计时.elapsed());
    }
};

QTEST_MAIN(TestListView)
#include "test_listview.moc"
