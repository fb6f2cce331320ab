// SPDX-License-Identifier: MIT
#include "platform/controls/colorpicker.h"
#include "platform/controls/colour.h"

#include <QColorDialog>
#include <QtTest>

using platform::controls::ColorPicker;

class ColorPickerTest : public QObject {
    Q_OBJECT

    static QColor 色块中心(const ColorPicker& 选择器) {
        return 选择器.icon().pixmap(选择器.iconSize()).toImage().pixelColor(8, 8);
    }

  private slots:
    void choosingReportsOnlyTheUsersColour() {
        ColorPicker 选择器(QStringLiteral("背景颜色"));
        QList<std::int32_t> 报告;
        选择器.已选颜色 = [&报告](std::int32_t 值) { 报告 << 值; };
        QCOMPARE(选择器.text(), QStringLiteral("背景颜色"));

        // Set by the code: shown in the swatch, not reported.
        选择器.设置颜色(0x00C0FFFF);
        QCOMPARE(选择器.颜色(), 0x00C0FFFF);
        QCOMPARE(色块中心(选择器), QColor(255, 255, 192));
        QVERIFY(报告.isEmpty());

        选择器.show();
        选择器.click();
        auto* 对话框 = 选择器.findChild<QColorDialog*>();
        QVERIFY(对话框 != nullptr);
        QVERIFY(对话框->isVisible());
        QCOMPARE(对话框->currentColor(), QColor(255, 255, 192));
        对话框->setCurrentColor(QColor(255, 0, 0));
        对话框->accept();
        QCOMPARE(选择器.颜色(), 0x000000FF);  // red sits in the low byte
        QCOMPARE(报告, QList<std::int32_t>{0x000000FF});
        QCOMPARE(色块中心(选择器), QColor(255, 0, 0));

        // Cancelling the chooser keeps the colour and reports nothing.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        选择器.click();
        对话框 = 选择器.findChild<QColorDialog*>();
        QVERIFY(对话框 != nullptr);
        QVERIFY(对话框->isVisible());
        对话框->setCurrentColor(QColor(0, 0, 255));
        对话框->reject();
        QCOMPARE(选择器.颜色(), 0x000000FF);
        QCOMPARE(报告.size(), 1);
    }

    // Pickers of one colour show one swatch: Qt keeps an icon's pictures under the icon's
    // identity, so a swatch made anew for every picker fills its pixmap cache with use.
    void pickersOfOneColourShareTheirSwatch() {
        ColorPicker 甲(QStringLiteral("字体颜色"));
        ColorPicker 乙(QStringLiteral("背景颜色"));
        甲.设置颜色(0x00C0FFFF);
        乙.设置颜色(0x000000FF);
        QVERIFY(甲.icon().cacheKey() != 乙.icon().cacheKey());
        QCOMPARE(色块中心(乙), QColor(255, 0, 0));
        乙.设置颜色(0x00C0FFFF);
        QCOMPARE(甲.icon().cacheKey(), 乙.icon().cacheKey());
        QCOMPARE(色块中心(乙), QColor(255, 255, 192));
        // A system colour shares the swatch of the colour it stands for.
        甲.设置颜色(static_cast<std::int32_t>(0x80000012u));
        乙.设置颜色(
            platform::controls::转为颜色值(QGuiApplication::palette().color(QPalette::ButtonText)));
        QCOMPARE(甲.icon().cacheKey(), 乙.icon().cacheKey());
    }

    void systemColourOpensOnItsPaletteColour() {
        ColorPicker 选择器(QStringLiteral("字体颜色"));
        选择器.设置颜色(static_cast<std::int32_t>(0x80000012u));
        选择器.show();
        选择器.click();
        auto* 对话框 = 选择器.findChild<QColorDialog*>();
        QVERIFY(对话框 != nullptr);
        QCOMPARE(对话框->currentColor(), QGuiApplication::palette().color(QPalette::ButtonText));
        对话框->reject();
    }
};

QTEST_MAIN(ColorPickerTest)
#include "test_colorpicker.moc"
