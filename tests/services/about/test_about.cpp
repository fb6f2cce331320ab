// SPDX-License-Identifier: MIT
#include "platform/forms/twips.h"
#include "platform/shell/shell.h"
#include "services/about_dialog.h"
#include "services/message_box.h"
#include "services/site.h"

#include <QPushButton>
#include <QtTest>

class AboutTest : public QObject {
    Q_OBJECT

    QStringList 打开过;

    static void 处理删除() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  private slots:
    void initTestCase() {
        platform::shell::设置打开处理([this](const QString& 地址) { 打开过 << 地址; });
    }
    void init() { 打开过.clear(); }
    void cleanup() {
        if (frmAbout* 对话框 = 关于::当前实例()) {
            对话框->close();
        }
        处理删除();
    }
    void cleanupTestCase() { platform::shell::设置打开处理(nullptr); }

    void texts() {
        QCOMPARE(版本文字(3, 8, 3), QStringLiteral("版本 3.8.0.3"));
        QCOMPARE(版本文字(10, 0, 12), QStringLiteral("版本 10.0.0.12"));

        关于::显示();
        frmAbout* 对话框 = 关于::当前实例();
        QVERIFY(对话框 != nullptr);
        QVERIFY(对话框->isVisible());
        QCOMPARE(对话框->windowTitle(), QStringLiteral("关于 Quillet-4862"));
        QCOMPARE(对话框->lblTitle()->text(), QStringLiteral("Quillet-4862"));
        QCOMPARE(对话框->lblVersion()->text(), QStringLiteral("版本 3.8.0.3"));
        QVERIFY(!对话框->picIcon()->pixmap().isNull());

        链接标签* 链接 = 对话框->Label_链接官方网站();
        QCOMPARE(链接->text(), 站点::官方网站地址());
        QCOMPARE(链接->text(), QStringLiteral("http://127.0.0.1:9/201072847.html"));
        QCOMPARE(链接->cursor().shape(), Qt::PointingHandCursor);

        // A fixed dialog of the designed size, and every control inside it, none on another.
        QCOMPARE(对话框->size(), QSize(platform::缇转像素(5730), platform::缇转像素(3090)));
        QCOMPARE(对话框->minimumSize(), 对话框->maximumSize());
        QVERIFY(!(对话框->windowFlags() & Qt::WindowMinMaxButtonsHint));
        const QList<QWidget*> 控件 = 对话框->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(控件.size(), 9);
        for (qsizetype i = 0; i < 控件.size(); ++i) {
            QVERIFY(!控件[i]->geometry().isEmpty());
            QVERIFY(对话框->rect().contains(控件[i]->geometry()));
            for (qsizetype j = 0; j < i; ++j) {
                QVERIFY(!控件[i]->geometry().intersects(控件[j]->geometry()));
            }
        }
    }

    void oneInstanceThatTheExitSequenceCanClose() {
        关于::显示();
        QPointer<frmAbout> 第一个 = 关于::当前实例();
        关于::显示();
        QCOMPARE(关于::当前实例(), 第一个.data());
        int 数量 = 0;
        for (const auto& 条目 : platform::Forms::快照()) {
            数量 += 条目.窗口 == 第一个.data() ? 1 : 0;
        }
        QCOMPARE(数量, 1);
        for (const auto& 条目 : platform::Forms::快照()) {
            条目.窗体->卸载();
        }
        处理删除();
        QVERIFY(第一个.isNull());
        QCOMPARE(关于::当前实例(), nullptr);
        关于::显示();
        QVERIFY(关于::当前实例() != nullptr);
    }

    // Every about box carries the program's one icon (a new icon each time would leave its
    // pictures in Qt's pixmap cache for good).
    void aboutBoxesShareTheProgramsIcon() {
        关于::显示();
        QPointer<frmAbout> 第一个 = 关于::当前实例();
        const qint64 图标键 = 第一个->windowIcon().cacheKey();
        QCOMPARE(图标键, 程序图标().cacheKey());
        第一个->cmdOK()->click();
        处理删除();
        QVERIFY(第一个.isNull());
        关于::显示();
        QCOMPARE(关于::当前实例()->windowIcon().cacheKey(), 图标键);
    }

    void enterAndEscapeClose_data() {
        QTest::addColumn<int>("键");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void enterAndEscapeClose() {
        QFETCH(int, 键);
        关于::显示();
        QPointer<frmAbout> 对话框 = 关于::当前实例();
        QVERIFY(QTest::qWaitForWindowActive(对话框));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(键));
        处理删除();
        QVERIFY(对话框.isNull());
    }

    void linkOpensOnALeftPressOnly() {
        关于::显示();
        链接标签* 链接 = 关于::当前实例()->Label_链接官方网站();
        QTest::mousePress(链接, Qt::RightButton);
        QTest::mouseRelease(链接, Qt::RightButton);
        QTest::mousePress(链接, Qt::MiddleButton);
        QTest::mouseRelease(链接, Qt::MiddleButton);
        QVERIFY(打开过.isEmpty());
        QTest::mousePress(链接, Qt::LeftButton);
        QCOMPARE(打开过, QStringList{站点::官方网站地址()});
        QTest::mouseRelease(链接, Qt::LeftButton);
        QCOMPARE(打开过.size(), 1);
    }
};

QTEST_MAIN(AboutTest)
#include "test_about.moc"
