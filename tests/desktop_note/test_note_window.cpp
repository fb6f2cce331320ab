// SPDX-License-Identifier: MIT
#include "desktop_note/note_window.h"
#include "platform/forms/forms.h"
#include "support/layout_relations.h"

#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <memory>
#include <optional>
#include <vector>

namespace {

// Records what a note window asks of the main window, in order.
class FakeHost : public 便签菜单宿主 {
  public:
    struct Call {
        QString what;
        int id = 0;
        QWidget* window = nullptr;
        std::optional<QPoint> at;  // where a menu from the keyboard goes
    };
    std::vector<Call> calls;
    int currentId = 0;

    void 设置当前便签编号(const QString& 编号) override {
        currentId = 编号.toInt();
        calls.push_back({QStringLiteral("id"), currentId, nullptr, std::nullopt});
    }
    void 弹出便签菜单(QWidget* 窗口, std::optional<QPoint> 位置) override {
        // The menu's commands read the current id: it must already be set.
        calls.push_back({QStringLiteral("menu"), currentId, 窗口, 位置});
    }
};

}  // namespace

class TestNoteWindow : public QObject {
    Q_OBJECT

  private:
    FakeHost host;
    std::vector<QPointer<Form_Quillet>> opened;

    Form_Quillet* open(const QString& tag, const QString& text = QStringLiteral("便签")) {
        auto* w = new Form_Quillet(host);
        w->Label_Quillet()->setText(text);
        w->Tag = tag;
        w->show();
        if (!QTest::qWaitForWindowExposed(w)) {
            qWarning("note window not exposed");
        }
        opened.emplace_back(w);
        return w;
    }

    // Mouse actions through the window, as the window system delivers them.
    static void press(Form_Quillet* w, Qt::MouseButton button, QPoint at) {
        QTest::mousePress(w->windowHandle(), button, {}, at);
    }
    static void release(Form_Quillet* w, Qt::MouseButton button, QPoint at) {
        QTest::mouseRelease(w->windowHandle(), button, {}, at);
    }
    static void moveTo(Form_Quillet* w, QPoint at) { QTest::mouseMove(w->windowHandle(), at); }
    // Moves the pointer to a point given relative to where the window was when the drag began.
    static void moveToGlobal(Form_Quillet* w, QPoint global) {
        QTest::mouseMove(w->windowHandle(), global - w->geometry().topLeft());
    }
    static Qt::CursorShape cursorAt(Form_Quillet* w, QPoint at) {
        moveTo(w, at);
        return w->cursor().shape();
    }

  private slots:
    void cleanup() {
        for (auto& w : opened) {
            delete w.data();
        }
        opened.clear();
        host.calls.clear();
        host.currentId = 0;
    }

    void designSettings() {
        Form_Quillet* w = open(QStringLiteral("1"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Quillet"));
        QVERIFY(w->isWindow());
        QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(w->windowType(), Qt::Tool);  // no taskbar button
        QVERIFY(!w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QCOMPARE(w->size(), QSize(170, 120));
        QCOMPARE(w->font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(w->font().pointSizeF(), 8.25);
        QCOMPARE(w->边框宽度(), std::int16_t{45});
        QVERIFY(w->testAttribute(Qt::WA_DeleteOnClose));

        QLabel* label = w->Label_Quillet();
        QCOMPARE(label->parentWidget(), w);
        QVERIFY(label->wordWrap());
        QVERIFY(!label->autoFillBackground());
        QCOMPARE(label->font(), w->font());
        QCOMPARE(label->cursor().shape(), Qt::ArrowCursor);
    }

    void textIsShownAsWritten() {
        Form_Quillet* w = open(QStringLiteral("1"), QStringLiteral("<b>a & b</b>"));
        QCOMPARE(w->Label_Quillet()->textFormat(), Qt::PlainText);
        QCOMPARE(w->Label_Quillet()->text(), QStringLiteral("<b>a & b</b>"));
    }

    void labelFollowsTheWindow() {
        Form_Quillet* w = open(QStringLiteral("1"));
        测试::检查布局关系(w, [&](QSize size) { w->resize(size); },
                           {{w->Label_Quillet(), Qt::Horizontal | Qt::Vertical}});
    }

    void coloursUseTheStoredOrder() {
        Form_Quillet* w = open(QStringLiteral("1"));
        w->设置背景颜色(0x0000FF);  // red in the low byte
        w->设置文字颜色(0xFF0000);  // blue in the high byte
        QCOMPARE(w->palette().color(QPalette::Window), QColor(255, 0, 0));
        QCOMPARE(w->Label_Quillet()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(w->背景颜色(), 0x0000FF);
        QCOMPARE(w->文字颜色(), 0xFF0000);
        QVERIFY(w->autoFillBackground());
        // Changing the background later keeps the text colour.
        w->设置背景颜色(16777215);
        QCOMPARE(w->palette().color(QPalette::Window), QColor(255, 255, 255));
        QCOMPARE(w->Label_Quillet()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }

    void pointerShapesAtTheBandBoundaries() {
        // 170 x 120 pixels: a pixel is 15 twips, the band 45 twips (3 pixels), the label
        // covers pixels 4..165 x 4..115; pixel 3 is exactly b from the left.
        Form_Quillet* w = open(QStringLiteral("1"));
        QCOMPARE(cursorAt(w, QPoint(3, 60)), Qt::SizeHorCursor);    // X = b
        QCOMPARE(cursorAt(w, QPoint(167, 60)), Qt::SizeHorCursor);  // X + b = W
        QCOMPARE(cursorAt(w, QPoint(166, 60)), Qt::ArrowCursor);    // margin, outside the band
        QCOMPARE(cursorAt(w, QPoint(80, 3)), Qt::SizeVerCursor);    // Y = b
        QCOMPARE(cursorAt(w, QPoint(80, 117)), Qt::SizeVerCursor);  // Y + b = H
        QCOMPARE(cursorAt(w, QPoint(80, 116)), Qt::ArrowCursor);
        QCOMPARE(cursorAt(w, QPoint(1, 1)), Qt::SizeFDiagCursor);  // (0, 0) means "centre" to QTest
        QCOMPARE(cursorAt(w, QPoint(167, 117)), Qt::SizeFDiagCursor);
        QCOMPARE(cursorAt(w, QPoint(169, 0)), Qt::SizeBDiagCursor);
        QCOMPARE(cursorAt(w, QPoint(3, 117)), Qt::SizeBDiagCursor);
        QCOMPARE(cursorAt(w, QPoint(166, 116)), Qt::ArrowCursor);
        // The shape stays until the next move over the margin changes it; the text keeps
        // its own arrow.
        QCOMPARE(cursorAt(w, QPoint(0, 60)), Qt::SizeHorCursor);
        moveTo(w, QPoint(60, 60));
        QCOMPARE(w->cursor().shape(), Qt::SizeHorCursor);
        QCOMPARE(w->Label_Quillet()->cursor().shape(), Qt::ArrowCursor);
    }

    void hoveringNeverMovesOrResizes() {
        Form_Quillet* w = open(QStringLiteral("1"));
        const QRect before = w->geometry();
        for (const QPoint at :
             {QPoint(1, 1), QPoint(60, 60), QPoint(168, 60), QPoint(100, 118), QPoint(2, 2)}) {
            moveTo(w, at);
        }
        QCOMPARE(w->geometry(), before);
        QVERIFY(!w->正在手动拖动());
    }

    void draggingTheTextMovesTheWindow() {
        Form_Quillet* w = open(QStringLiteral("1"));
        const QRect before = w->geometry();
        const QPoint start = before.topLeft() + QPoint(50, 50);
        press(w, Qt::LeftButton, QPoint(50, 50));
        moveToGlobal(w, start + QPoint(10, 5));
        moveToGlobal(w, start + QPoint(30, 20));
        QTRY_COMPARE(w->geometry(), before.translated(30, 20));
        release(w, Qt::LeftButton, w->mapFromGlobal(start + QPoint(30, 20)));
        QVERIFY(!w->正在手动拖动());
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
        QVERIFY(host.calls.empty());
        // After the release, moving the pointer leaves the window where it is.
        moveTo(w, QPoint(80, 80));
        QCOMPARE(w->geometry(), before.translated(30, 20));
    }

    void draggingTheMarginMovesTheWindow() {
        Form_Quillet* w = open(QStringLiteral("1"));
        const QRect before = w->geometry();
        const QPoint start = before.topLeft() + QPoint(166, 60);  // margin, outside the band
        press(w, Qt::LeftButton, QPoint(166, 60));
        moveToGlobal(w, start + QPoint(-25, 12));
        QTRY_COMPARE(w->geometry(), before.translated(-25, 12));
        release(w, Qt::LeftButton, w->mapFromGlobal(start + QPoint(-25, 12)));
        QVERIFY(!w->正在手动拖动());
    }

    void onlyTheLeftButtonMoves() {
        Form_Quillet* w = open(QStringLiteral("5"));
        const QRect before = w->geometry();
        press(w, Qt::RightButton, QPoint(50, 50));
        moveTo(w, QPoint(90, 90));
        QCOMPARE(w->geometry(), before);
        release(w, Qt::RightButton, QPoint(90, 90));
        QCOMPARE(w->geometry(), before);
    }

    void draggingTheBottomRightCornerResizes() {
        Form_Quillet* w = open(QStringLiteral("1"));
        const QRect before = w->geometry();
        const QPoint start = before.topLeft() + QPoint(168, 118);
        press(w, Qt::LeftButton, QPoint(168, 118));
        QVERIFY(w->正在手动拖动());  // no window manager offscreen
        moveToGlobal(w, start + QPoint(30, 20));
        QTRY_COMPARE(w->geometry(), QRect(before.topLeft(), QSize(200, 140)));
        QCOMPARE(w->Label_Quillet()->size(), QSize(192, 132));
        release(w, Qt::LeftButton, QPoint(168, 118));
        QVERIFY(!w->正在手动拖动());
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
    }

    void draggingTheTopLeftCornerKeepsTheOppositeCorner() {
        Form_Quillet* w = open(QStringLiteral("1"));
        const QRect before = w->geometry();
        const QPoint start = before.topLeft() + QPoint(1, 1);
        press(w, Qt::LeftButton, QPoint(1, 1));
        moveToGlobal(w, start + QPoint(-10, 15));
        QTRY_COMPARE(w->geometry().bottomRight(), before.bottomRight());
        QCOMPARE(w->geometry().topLeft(), before.topLeft() + QPoint(-10, 15));
        release(w, Qt::LeftButton, QPoint(1, 1));
    }

    void pressAtExactlyTheBandWidthResizesFromTheLeft() {
        Form_Quillet* w = open(QStringLiteral("1"));
        const QRect before = w->geometry();
        const QPoint start = before.topLeft() + QPoint(3, 60);
        press(w, Qt::LeftButton, QPoint(3, 60));
        moveToGlobal(w, start + QPoint(20, 30));
        QTRY_COMPARE(w->geometry(), QRect(before.x() + 20, before.y(), 150, 120));
        release(w, Qt::LeftButton, QPoint(3, 60));
    }

    void rightButtonOnTheBandResizesWithoutMenu() {
        Form_Quillet* w = open(QStringLiteral("8"));
        const QRect before = w->geometry();
        const QPoint start = before.topLeft() + QPoint(168, 60);
        press(w, Qt::RightButton, QPoint(168, 60));
        moveToGlobal(w, start + QPoint(15, 40));
        QTRY_COMPARE(w->geometry(), QRect(before.topLeft(), QSize(185, 120)));  // right edge only
        release(w, Qt::RightButton, QPoint(168, 60));
        QVERIFY(host.calls.empty());
    }

    void rightClickOnTheBandOpensTheMenu() {
        Form_Quillet* w = open(QStringLiteral("9"));
        const QRect before = w->geometry();
        press(w, Qt::RightButton, QPoint(168, 60));
        moveToGlobal(w, before.topLeft() + QPoint(170, 61));  // a hand's tremble is no drag
        release(w, Qt::RightButton, QPoint(170, 61));
        QCOMPARE(w->geometry(), before);
        QCOMPARE(host.calls.size(), size_t{2});
        QCOMPARE(host.calls[1].what, QStringLiteral("menu"));
        QCOMPARE(host.calls[1].id, 9);
        QVERIFY(!w->正在手动拖动());
    }

    void rightReleaseOverTextOpensTheMenuForThisNote() {
        Form_Quillet* w = open(QStringLiteral("17"));
        press(w, Qt::RightButton, QPoint(60, 60));
        release(w, Qt::RightButton, QPoint(60, 60));
        QCOMPARE(host.calls.size(), size_t{2});
        QCOMPARE(host.calls[0].what, QStringLiteral("id"));
        QCOMPARE(host.calls[0].id, 17);
        QCOMPARE(host.calls[1].what, QStringLiteral("menu"));
        QCOMPARE(host.calls[1].id, 17);
        QCOMPARE(host.calls[1].window, static_cast<QWidget*>(w));
        QVERIFY(!host.calls[1].at);  // at the pointer
    }

    void menuKeyAndShiftF10OpenTheMenuOverTheNote() {
        Form_Quillet* w = open(QStringLiteral("23"));
        QTest::keyClick(w, Qt::Key_Menu);
        QTest::keyClick(w, Qt::Key_F10, Qt::ShiftModifier);
        QTest::keyClick(w, Qt::Key_F10);
        QCOMPARE(host.calls.size(), size_t{4});
        for (const auto& call : {host.calls[1], host.calls[3]}) {
            QCOMPARE(call.what, QStringLiteral("menu"));
            QCOMPARE(call.id, 23);
            QVERIFY(call.at && w->frameGeometry().contains(*call.at));
        }
    }

    void rightReleaseOverMarginOpensTheMenu() {
        Form_Quillet* w = open(QStringLiteral("42"));
        press(w, Qt::RightButton, QPoint(166, 60));
        release(w, Qt::RightButton, QPoint(166, 60));
        QCOMPARE(host.calls.size(), size_t{2});
        QCOMPARE(host.calls[0].id, 42);
        QCOMPARE(host.calls[1].what, QStringLiteral("menu"));
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
    }

    void leftReleaseAndDoubleClickDoNothing() {
        Form_Quillet* w = open(QStringLiteral("3"));
        const QRect before = w->geometry();
        press(w, Qt::LeftButton, QPoint(60, 60));
        release(w, Qt::LeftButton, QPoint(60, 60));
        press(w, Qt::LeftButton, QPoint(166, 60));
        release(w, Qt::LeftButton, QPoint(166, 60));
        QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, QPoint(60, 60));
        QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, QPoint(166, 60));
        QVERIFY(host.calls.empty());
        QCOMPARE(w->geometry(), before);
        QVERIFY(!w->正在手动拖动());
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
    }

    void windowsKeepTheirOwnState() {
        Form_Quillet* a = open(QStringLiteral("1"), QStringLiteral("一"));
        Form_Quillet* b = open(QStringLiteral("2"), QStringLiteral("二"));
        a->设置背景颜色(0x00FFFF);
        b->设置背景颜色(0x00FF00);
        const QRect bBefore = b->geometry();
        const QPoint start = a->geometry().topLeft() + QPoint(168, 118);
        press(a, Qt::LeftButton, QPoint(168, 118));
        moveToGlobal(a, start + QPoint(40, 40));
        QTRY_COMPARE(a->size(), QSize(210, 160));
        release(a, Qt::LeftButton, QPoint(168, 118));
        QCOMPARE(b->geometry(), bBefore);
        QCOMPARE(b->Label_Quillet()->size(), QSize(162, 112));
        QCOMPARE(b->背景颜色(), 0x00FF00);
        QVERIFY(!b->正在手动拖动());

        press(b, Qt::RightButton, QPoint(50, 50));
        release(b, Qt::RightButton, QPoint(50, 50));
        QCOMPARE(host.currentId, 2);

        // Closing one unloads it alone.
        const int before = platform::Forms::数量();
        QPointer<Form_Quillet> closing(a);
        a->卸载();
        QTRY_VERIFY(closing.isNull());
        QCOMPARE(platform::Forms::数量(), before - 1);
        QVERIFY(b->isVisible());
        QCOMPARE(b->Label_Quillet()->text(), QStringLiteral("二"));
        QCOMPARE(b->Tag, QStringLiteral("2"));
    }

    void reopenedWindowHasTheDesignSize() {
        Form_Quillet* w = open(QStringLiteral("1"));
        w->resize(300, 300);
        QTRY_COMPARE(w->size(), QSize(300, 300));
        w->卸载();
        Form_Quillet* again = open(QStringLiteral("1"));
        QCOMPARE(again->size(), QSize(170, 120));
    }
};

QTEST_MAIN(TestNoteWindow)
#include "test_note_window.moc"
