// SPDX-License-Identifier: MIT
#include "desktop_note/zones.h"

#include <QTest>

using namespace desktop_note;

Q_DECLARE_METATYPE(desktop_note::调整区)
Q_DECLARE_METATYPE(desktop_note::指针形状)

namespace {
// The design size of a note window, in twips, and its band width.
constexpr float W = 2550;
constexpr float H = 1800;
constexpr float b = 45;
}  // namespace

class TestZones : public QObject {
    Q_OBJECT

  private slots:
    void bandWidthIsThreePixelsInTwips() { QCOMPARE(计算边框宽度(), std::int16_t{45}); }

    void pressZones_data() {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<调整区>("zone");
        // Each edge: exactly b from it is inside the band, a twip further is not.
        QTest::newRow("left at X = b") << b << 900.f << 调整区::左;
        QTest::newRow("left just inside") << b + 1 << 900.f << 调整区::无;
        QTest::newRow("right at X + b = W") << W - b << 900.f << 调整区::右;
        QTest::newRow("right just inside") << W - b - 1 << 900.f << 调整区::无;
        QTest::newRow("top at Y = b") << 1000.f << b << 调整区::上;
        QTest::newRow("top just inside") << 1000.f << b + 1 << 调整区::无;
        QTest::newRow("bottom at Y + b = H") << 1000.f << H - b << 调整区::下;
        QTest::newRow("bottom just inside") << 1000.f << H - b - 1 << 调整区::无;
        // Corners win over the two edges that meet there.
        QTest::newRow("bottom-right corner") << W - b << H - b << 调整区::右下;
        QTest::newRow("bottom-left corner") << b << H - b << 调整区::左下;
        QTest::newRow("top-left corner") << b << b << 调整区::左上;
        QTest::newRow("top-right corner") << W - b << b << 调整区::右上;
        QTest::newRow("outermost top-left pixel") << 0.f << 0.f << 调整区::左上;
        QTest::newRow("outermost bottom-right") << W - 15 << H - 15 << 调整区::右下;
        QTest::newRow("corner by one twip: only right") << W - b << H - b - 1 << 调整区::右;
        QTest::newRow("corner by one twip: only bottom") << W - b - 1 << H - b << 调整区::下;
        QTest::newRow("centre") << W / 2 << H / 2 << 调整区::无;
    }

    void pressZones() {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(调整区, zone);
        QCOMPARE(按下调整区(x, y, W, H, b), zone);
    }

    void pressRuleOrderInLowWindow() {
        // A window no higher than twice the band: a press near the top also lies within b of
        // the bottom. The bottom corners are tried first.
        QCOMPARE(按下调整区(10, 10, 2550, 50, b), 调整区::左下);
        QCOMPARE(按下调整区(2540, 10, 2550, 50, b), 调整区::右下);
        // ... and in a narrow one the right edge is tried before the left.
        QCOMPARE(按下调整区(10, 900, 50, 1800, b), 调整区::右);
        QCOMPARE(按下调整区(1000, 10, 2550, 50, b), 调整区::下);
    }

    void sumsAreSinglePrecision() {
        // 0.1f + 0.2f rounds to 0.3f in single precision but stays below it in double: the
        // right edge (tried before the left) must match.
        QCOMPARE(按下调整区(0.1f, 900, 0.3f, 1800, 0.2f), 调整区::右);
        // Likewise 0.2f + 0.1f: near the top and (in single precision) at the right edge.
        QCOMPARE(指针区域(0.2f, 0.05f, 0.3f, 1800, 0.1f), 指针形状::东北西南);
    }

    void pointerZones_data() {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<指针形状>("shape");
        QTest::newRow("top-left") << b << b << 指针形状::西北东南;
        QTest::newRow("bottom-right") << W - b << H - b << 指针形状::西北东南;
        QTest::newRow("top-right") << W - b << b << 指针形状::东北西南;
        QTest::newRow("bottom-left") << b << H - b << 指针形状::东北西南;
        QTest::newRow("left") << b << 900.f << 指针形状::东西;
        QTest::newRow("right") << W - b << 900.f << 指针形状::东西;
        QTest::newRow("top") << 900.f << b << 指针形状::南北;
        QTest::newRow("bottom") << 900.f << H - b << 指针形状::南北;
        QTest::newRow("margin beside the band") << b + 1 << b + 1 << 指针形状::默认;
        QTest::newRow("margin by the bottom-right") << W - b - 1 << H - b - 1 << 指针形状::默认;
    }

    void pointerZones() {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(指针形状, shape);
        QCOMPARE(指针区域(x, y, W, H, b), shape);
    }

    void pointerRuleOrderInLowWindow() {
        // Near the top-left of a low window the north-west rule comes before north-east.
        QCOMPARE(指针区域(10, 10, 2550, 50, b), 指针形状::西北东南);
        QCOMPARE(按下调整区(10, 10, 2550, 50, b), 调整区::左下);
    }

    void edgesAndCursors() {
        QCOMPARE(调整边(调整区::右下), Qt::BottomEdge | Qt::RightEdge);
        QCOMPARE(调整边(调整区::左上), Qt::TopEdge | Qt::LeftEdge);
        QCOMPARE(调整边(调整区::右上), Qt::TopEdge | Qt::RightEdge);
        QCOMPARE(调整边(调整区::左下), Qt::BottomEdge | Qt::LeftEdge);
        QCOMPARE(调整边(调整区::左), Qt::Edges(Qt::LeftEdge));
        QCOMPARE(调整边(调整区::右), Qt::Edges(Qt::RightEdge));
        QCOMPARE(调整边(调整区::上), Qt::Edges(Qt::TopEdge));
        QCOMPARE(调整边(调整区::下), Qt::Edges(Qt::BottomEdge));
        QCOMPARE(调整边(调整区::无), Qt::Edges());
        QCOMPARE(光标形状(指针形状::西北东南), Qt::SizeFDiagCursor);
        QCOMPARE(光标形状(指针形状::东北西南), Qt::SizeBDiagCursor);
        QCOMPARE(光标形状(指针形状::东西), Qt::SizeHorCursor);
        QCOMPARE(光标形状(指针形状::南北), Qt::SizeVerCursor);
        QCOMPARE(光标形状(指针形状::默认), Qt::ArrowCursor);
    }

    void manualDragGeometry() {
        const QRect 起始(100, 50, 170, 120);
        const QSize 最小(1, 1);
        QCOMPARE(拖动后几何(起始, {}, QPoint(30, -20), 最小), QRect(130, 30, 170, 120));
        QCOMPARE(拖动后几何(起始, Qt::BottomEdge | Qt::RightEdge, QPoint(30, 20), 最小),
                 QRect(100, 50, 200, 140));
        // Dragging the top-left corner moves that corner; the bottom-right one stays put.
        QCOMPARE(拖动后几何(起始, Qt::TopEdge | Qt::LeftEdge, QPoint(-10, 5), 最小),
                 QRect(90, 55, 180, 115));
        // Only the dragged edge follows the pointer.
        QCOMPARE(拖动后几何(起始, Qt::LeftEdge, QPoint(10, 40), 最小), QRect(110, 50, 160, 120));
        QCOMPARE(拖动后几何(起始, Qt::BottomEdge, QPoint(40, -20), 最小), QRect(100, 50, 170, 100));
        // Past the opposite edge the window stops at the minimum, anchored on that edge.
        QCOMPARE(拖动后几何(起始, Qt::LeftEdge, QPoint(500, 0), 最小), QRect(269, 50, 1, 120));
        QCOMPARE(拖动后几何(起始, Qt::RightEdge, QPoint(-500, 0), 最小), QRect(100, 50, 1, 120));
        QCOMPARE(拖动后几何(起始, Qt::TopEdge, QPoint(0, 500), QSize(10, 10)),
                 QRect(100, 160, 170, 10));
    }
};

QTEST_APPLESS_MAIN(TestZones)
#include "test_zones.moc"
