// SPDX-License-Identifier: MIT
// Remembered note places: moved onto a screen that exists, read back only when sane, kept per
// note database, and applied to a note window only while the switch is on.

#include "desktop_note/note_window.h"
#include "main_window/note_places.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace {

class 无菜单 : public 便签菜单宿主 {
  public:
    void 设置当前便签编号(const QString&) override {}
    void 弹出便签菜单(QWidget*, std::optional<QPoint>) override {}
};

class NotePlacesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> 配置;

  private slots:
    void init() {
        // A settings store of its own for each test.
        配置 = std::make_unique<QTemporaryDir>();
        QVERIFY(配置->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(配置->path()));
    }

    void clampOntoAScreenThatExists() {
        const QSize 最小(24, 24);
        const QRect 主屏(0, 0, 1920, 1080);
        const QRect 左屏(-1280, 56, 1280, 1024);
        // On a screen: left as it is, also on a screen left of the primary one.
        QCOMPARE(便签位置::夹到屏幕({100, 200, 170, 120}, {主屏, 左屏}, 最小),
                 QRect(100, 200, 170, 120));
        QCOMPARE(便签位置::夹到屏幕({-900, 300, 170, 120}, {主屏, 左屏}, 最小),
                 QRect(-900, 300, 170, 120));
        // The monitor it was on is gone: onto the nearest screen, wholly.
        QCOMPARE(便签位置::夹到屏幕({2500, 400, 170, 120}, {主屏}, 最小),
                 QRect(1920 - 170, 400, 170, 120));
        QCOMPARE(便签位置::夹到屏幕({-900, 300, 170, 120}, {主屏}, 最小), QRect(0, 300, 170, 120));
        QCOMPARE(便签位置::夹到屏幕({500, -4000, 170, 120}, {主屏}, 最小), QRect(500, 0, 170, 120));
        // Half over an edge: pulled onto the screen it overlaps most.
        QCOMPARE(便签位置::夹到屏幕({-60, 20, 170, 120}, {主屏, 左屏}, 最小),
                 QRect(0, 20, 170, 120));
        QCOMPARE(便签位置::夹到屏幕({-150, 100, 170, 120}, {主屏, 左屏}, 最小),
                 QRect(-170, 100, 170, 120));
        // Larger than the screen: made to fit.
        QCOMPARE(便签位置::夹到屏幕({-10, -10, 5000, 3000}, {主屏}, 最小), 主屏);
        // No screens known: nothing to clamp to.
        QCOMPARE(便签位置::夹到屏幕({2500, 400, 170, 120}, {}, 最小), QRect(2500, 400, 170, 120));
    }

    void storedTextMustBeAPlace() {
        const QRect 位置(-12, 34, 170, 120);
        QCOMPARE(便签位置::解析(便签位置::文字(位置)), std::optional<QRect>(位置));
        for (const char* 坏 : {"", "1,2,3", "1,2,3,4,5", "a,b,c,d", "1,2,0,4", "1,2,3,-4",
                               "1,2,99999999,4", "99999999,2,3,4", "1.5,2,3,4"}) {
            QVERIFY2(!便签位置::解析(QString::fromLatin1(坏)), 坏);
        }
    }

    void placesAreKeptPerDatabaseAndOnlyAppliedWhenOn() {
        auto 记录 = std::make_shared<便签位置::记录器>(QStringLiteral("/tmp/a/Quillet.mdb"));
        QVERIFY(!记录->已开启());  // off unless the user turned it on
        const QRect 存的(40, 50, 200, 150);
        记录->存储位置(QStringLiteral("7"), 存的);
        QCOMPARE(记录->已存位置(QStringLiteral("7")), std::optional<QRect>(存的));
        QVERIFY(
            !便签位置::记录器(QStringLiteral("/tmp/b/Quillet.mdb")).已存位置(QStringLiteral("7")));

        无菜单 宿主;
        {
            auto* 窗口 = new Form_Quillet(宿主);
            窗口->Tag = QStringLiteral("7");
            const QRect 原来 = 窗口->geometry();
            记录->安放(*窗口);
            QCOMPARE(窗口->geometry(), 原来);  // off: where the window system puts it
            delete 窗口;
        }
        QVERIFY(记录->设置开启(true));
        QVERIFY(便签位置::记录器(QStringLiteral("/tmp/a/Quillet.mdb")).已开启());

        // On: the stored place, moved onto the screen there is.
        const QRect 屏 = QGuiApplication::primaryScreen()->availableGeometry();
        记录->存储位置(QStringLiteral("7"), 存的.translated(屏.right() + 500, 0));
        auto* 窗口 = new Form_Quillet(宿主);
        窗口->Tag = QStringLiteral("7");
        记录->安放(*窗口);
        QCOMPARE(窗口->geometry(), QRect(屏.left() + 屏.width() - 200, 屏.top() + 50, 200, 150));

        // The user's move is stored once it settles, and the window closing stores it at once.
        窗口->show();
        窗口->move(屏.left() + 10, 屏.top() + 20);
        QTRY_COMPARE(记录->已存位置(QStringLiteral("7"))->topLeft(),
                     QPoint(屏.left() + 10, 屏.top() + 20));
        窗口->resize(230, 160);
        窗口->close();
        QCOMPARE(记录->已存位置(QStringLiteral("7"))->size(), QSize(230, 160));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

}  // namespace

QTEST_MAIN(NotePlacesTest)
#include "test_note_places.moc"
