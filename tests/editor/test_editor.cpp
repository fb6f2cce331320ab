// SPDX-License-Identifier: MIT
#include "editor/editor_companion.h"
#include "editor/editor_dialog.h"
#include "platform/controls/colorpicker.h"
#include "platform/controls/colour.h"
#include "platform/dao/dao.h"
#include "platform/forms/twips.h"
#include "store/globals.h"
#include "store/statements.h"
#include "support/layout_relations.h"
#include "support/testdb.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

#include <map>
#include <memory>
#include <vector>

using platform::缇转像素;

namespace {

using 行 = std::map<QString, QString>;

std::vector<行> 全部行() {
    dao::Recordset 结果 =
        自定义变量::全局数据库().数据库_查找_语句(QStringLiteral("Select * from Tips order by ID"));
    std::vector<行> 行表;
    for (; !结果.Eof(); 结果.MoveNext()) {
        行 一行;
        for (const char* 列 : {"ID", "content", "CreateTime", "ChangeTime", "Deleted", "BackColor",
                               "FontColor", "Visual", "TopMost", "Transparent"}) {
            一行[QString::fromLatin1(列)] = 结果.Fields(QString::fromLatin1(列)).ToText();
        }
        行表.push_back(一行);
    }
    return 行表;
}

// The main window as the editor sees it: it records every call.
class 假宿主 : public 编辑器宿主 {
  public:
    void 编辑_刷新列表_Click() override { 记录 << QStringLiteral("刷新列表"); }
    void 刷新便签() override { 记录 << QStringLiteral("刷新便签"); }
    void 选中便签(std::int32_t 编号) override { 记录 << QStringLiteral("选中 %1").arg(编号); }
    QStringList 记录;
};

// Answers every message box that opens while it lives with one button, and remembers what it
// showed.
class 消息框应答 {
  public:
    struct 消息 {
        QMessageBox::Icon 图标;
        QString 标题;
        QString 文字;
    };
    explicit 消息框应答(QMessageBox::StandardButton 回答 = QMessageBox::Ok) {
        QObject::connect(&计时器, &QTimer::timeout, [this, 回答] {
            for (QWidget* 窗口 : QApplication::topLevelWidgets()) {
                auto* 框 = qobject_cast<QMessageBox*>(窗口);
                if (框 && 框->isVisible()) {
                    消息表.push_back({框->icon(), 框->windowTitle(), 框->text()});
                    框->button(回答)->click();
                }
            }
        });
        计时器.start(5);
    }
    std::vector<消息> 消息表;

  private:
    QTimer 计时器;
};

const QDateTime 第一时刻(QDate(2026, 3, 14), QTime(9, 26, 53));
const QDateTime 第二时刻(QDate(2026, 3, 15), QTime(18, 5, 7));

// The editor is still there and on screen (the pointer is read once: it may turn null).
bool 仍然打开(const QPointer<Form_添加便签>& 编辑器) {
    const Form_添加便签* 窗 = 编辑器.data();
    return 窗 != nullptr && 窗->isVisible();
}

}  // namespace

class EditorTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir 临时目录;
    QString 数据库文件;
    int 序号 = 0;
    std::unique_ptr<假宿主> 宿主;
    std::vector<QPointer<Form_添加便签>> 编辑器表;

    // 便签编号 0 writes a new note; another edits that note.
    Form_添加便签* 新编辑器(std::int32_t 便签编号 = 0) {
        auto* 编辑器 = new Form_添加便签(*宿主);
        编辑器->便签编号 = 便签编号;
        编辑器表.emplace_back(编辑器);
        return 编辑器;
    }
    static void 处理删除() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    QString 插入旧便签() {
        自定义变量::全局数据库().数据库_添加_语句(QStringLiteral(
            "INSERT INTO Tips(content,CreateTime,ChangeTime,Deleted,BackColor,FontColor,Visual,"
            "TopMost,Transparent) Values('旧的', '2020/1/2 3:04:05', '2020/1/2 3:04:05', '7', "
            "'255', '65280', '0', '1', '50')"));
        return 全部行().back().at(QStringLiteral("ID"));
    }

  private slots:
    void init() {
        const QString 目录 = 临时目录.filePath(QString::number(++序号));
        QVERIFY(QDir().mkpath(目录));
        数据库文件 = testdb::创建并打开(目录);
        QVERIFY(!数据库文件.isEmpty());
        宿主 = std::make_unique<假宿主>();
        store::设置时钟([] { return 第一时刻; });
    }
    void cleanup() {
        for (auto& 编辑器 : 编辑器表) {
            delete 编辑器.data();
        }
        编辑器表.clear();
        处理删除();
        store::设置时钟(nullptr);
    }

    void transparencyChoices() {
        Class_添加便签 伴随;
        QCOMPARE(伴随.透明度选项.size(), 10);
        QCOMPARE(伴随.透明度选项.first(), QStringLiteral("不透明"));
        QCOMPARE(伴随.透明度选项.at(1), QStringLiteral("10%透明"));
        QCOMPARE(伴随.透明度选项.last(), QStringLiteral("90%透明"));
        QComboBox 列表;
        伴随.初始化界面(列表);
        QCOMPARE(列表.count(), 10);
        QCOMPARE(列表.currentIndex(), 2);
        QCOMPARE(列表.currentText(), QStringLiteral("20%透明"));
    }

    void initialWindow() {
        Form_添加便签* 编辑器 = 新编辑器();
        QCOMPARE(编辑器->windowTitle(), QStringLiteral("添加Quillet"));
        QVERIFY(!编辑器->windowIcon().isNull());
        QVERIFY(编辑器->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(编辑器->windowFlags() & Qt::WindowMaximizeButtonHint);
        QCOMPARE(编辑器->font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(编辑器->font().pointSizeF(), 8.25);
        QCOMPARE(编辑器->size(), QSize(缇转像素(7845), 缇转像素(6735)));
        QCOMPARE(编辑器->便签编号, 0);

        QCOMPARE(编辑器->PushButton_保存并关闭()->text(), QStringLiteral("保存并关闭"));
        QCOMPARE(编辑器->PushButton_保存且继续添加()->text(), QStringLiteral("保存继续添加"));
        QVERIFY(!编辑器->PushButton_保存并关闭()->icon().isNull());
        QVERIFY(!编辑器->PushButton_保存且继续添加()->icon().isNull());

        QCOMPARE(编辑器->ColorPicker_背景颜色()->颜色(), 12648447);
        QCOMPARE(编辑器->ColorPicker_字体颜色()->颜色(), 0);
        const QPalette 调色板 = 编辑器->FlatEdit_内容()->palette();
        QCOMPARE(调色板.color(QPalette::Base), QColor(255, 255, 192));
        QCOMPARE(调色板.color(QPalette::Text), QApplication::palette().color(QPalette::ButtonText));

        QVERIFY(编辑器->CheckBox_桌面显示()->isChecked());
        QVERIFY(!编辑器->CheckBox_窗口置顶()->isChecked());
        QVERIFY(!编辑器->CheckBox_高级选项()->isChecked());
        QCOMPARE(编辑器->ComboBox_便签透明度()->count(), 10);
        QCOMPARE(编辑器->ComboBox_便签透明度()->currentIndex(), 2);

        编辑器->show();
        QVERIFY(QTest::qWaitForWindowActive(编辑器));
        QVERIFY(编辑器->GroupBox_高级选项()->isHidden());
        QVERIFY(编辑器->CheckBox_高级选项()->isHidden());
        QCOMPARE(QApplication::focusWidget(), 编辑器->FlatEdit_内容());
        // Tab walks the visible controls in their designed order and comes back to the box.
        const QList<QWidget*> 顺序 = {编辑器->PushButton_保存并关闭(),
                                      编辑器->PushButton_保存且继续添加(),
                                      编辑器->ColorPicker_字体颜色(),
                                      编辑器->ColorPicker_背景颜色(), 编辑器->FlatEdit_内容()};
        for (QWidget* 下一个 : 顺序) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), 下一个);
        }

        // Enter makes a new line and presses no button; Escape closes nothing.
        QTest::keyClicks(编辑器->FlatEdit_内容(), QStringLiteral("ab"));
        QTest::keyClick(编辑器->FlatEdit_内容(), Qt::Key_Return);
        QTest::keyClick(编辑器->FlatEdit_内容(), Qt::Key_Escape);
        QCOMPARE(编辑器->FlatEdit_内容()->toPlainText(), QStringLiteral("ab\n"));
        QVERIFY(编辑器->isVisible());
        QVERIFY(全部行().empty());
        QVERIFY(宿主->记录.isEmpty());
        QVERIFY(!编辑器->PushButton_保存并关闭()->isDefault());
        QVERIFY(!编辑器->PushButton_保存并关闭()->autoDefault());
        QVERIFY(!编辑器->PushButton_保存且继续添加()->autoDefault());
    }

    // Every editor shows the same icons: Qt keeps an icon's pictures under the icon's identity,
    // so icons made anew for each editor would fill its pixmap cache a little with every edit.
    void editorsShareTheirIcons() {
        const auto 图标键 = [](const Form_添加便签* 编辑器) {
            return QList<qint64>{编辑器->windowIcon().cacheKey(),
                                 编辑器->PushButton_保存并关闭()->icon().cacheKey(),
                                 编辑器->PushButton_保存且继续添加()->icon().cacheKey(),
                                 编辑器->ColorPicker_字体颜色()->icon().cacheKey(),
                                 编辑器->ColorPicker_背景颜色()->icon().cacheKey()};
        };
        QPointer<Form_添加便签> 甲 = 新编辑器();
        const QList<qint64> 第一个 = 图标键(甲);
        QCOMPARE(第一个[1], 第一个[2]);
        甲->close();
        处理删除();
        QVERIFY(甲.isNull());
        QCOMPARE(图标键(新编辑器()), 第一个);
    }

    void addAndClose() {
        QPointer<Form_添加便签> 编辑器 = 新编辑器();
        编辑器->show();
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("买牛奶"));
        编辑器->PushButton_保存并关闭()->click();

        const auto 行表 = 全部行();
        QCOMPARE(行表.size(), std::size_t{1});
        const 行& 新行 = 行表[0];
        QCOMPARE(新行.at("content"), QStringLiteral("买牛奶"));
        QCOMPARE(新行.at("CreateTime"), store::日期时间文字(第一时刻));
        QCOMPARE(新行.at("ChangeTime"), 新行.at("CreateTime"));
        QCOMPARE(新行.at("Deleted"), QStringLiteral("0"));
        QCOMPARE(新行.at("BackColor"), QStringLiteral("12648447"));
        QCOMPARE(新行.at("FontColor"), QStringLiteral("0"));
        QCOMPARE(新行.at("Visual"), QStringLiteral("1"));
        QCOMPARE(新行.at("TopMost"), QStringLiteral("0"));
        QCOMPARE(新行.at("Transparent"), QStringLiteral("20"));

        // The reload shows the new note and its row is selected; no other row's mark is touched.
        QCOMPARE(宿主->记录, QStringList({"刷新列表", "刷新便签", "选中 " + 新行.at("ID")}));
        处理删除();
        QVERIFY(编辑器.isNull());
    }

    void addEmptyAndBlanks() {
        QPointer<Form_添加便签> 编辑器 = 新编辑器();
        编辑器->show();
        {
            消息框应答 应答;
            编辑器->PushButton_保存并关闭()->click();
            编辑器->PushButton_保存且继续添加()->click();
            QCOMPARE(应答.消息表.size(), std::size_t{2});
            QCOMPARE(应答.消息表[0].图标, QMessageBox::Information);
            QCOMPARE(应答.消息表[0].标题, QStringLiteral("Quillet-4862"));
            QCOMPARE(应答.消息表[0].文字, QStringLiteral("未填写任何内容！"));
        }
        处理删除();
        QVERIFY(仍然打开(编辑器));
        QVERIFY(全部行().empty());
        QVERIFY(宿主->记录.isEmpty());

        // Blanks and line breaks are a text like any other.
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral(" \n "));
        QVERIFY(编辑器->保存便签());
        QCOMPARE(全部行().size(), std::size_t{1});
        QCOMPARE(全部行()[0].at("content"), QStringLiteral(" \n "));
    }

    void saveAndContinueKeepsColoursAndChoices() {
        Form_添加便签* 编辑器 = 新编辑器();
        编辑器->show();
        编辑器->ColorPicker_背景颜色()->设置颜色(16777215);
        编辑器->ColorPicker_字体颜色()->设置颜色(255);
        编辑器->ComboBox_便签透明度()->setCurrentIndex(9);
        // The hidden boxes are never read.
        编辑器->CheckBox_桌面显示()->setChecked(false);
        编辑器->CheckBox_窗口置顶()->setChecked(true);
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("第一条"));
        编辑器->PushButton_保存且继续添加()->click();
        QVERIFY(编辑器->FlatEdit_内容()->toPlainText().isEmpty());
        编辑器->ComboBox_便签透明度()->setCurrentIndex(0);
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("第二条"));
        编辑器->PushButton_保存且继续添加()->click();

        QVERIFY(编辑器->isVisible());
        QCOMPARE(编辑器->便签编号, 0);
        const auto 行表 = 全部行();
        QCOMPARE(行表.size(), std::size_t{2});
        QCOMPARE(行表[0].at("content"), QStringLiteral("第一条"));
        QCOMPARE(行表[1].at("content"), QStringLiteral("第二条"));
        for (const 行& 一行 : 行表) {
            QCOMPARE(一行.at("BackColor"), QStringLiteral("16777215"));
            QCOMPARE(一行.at("FontColor"), QStringLiteral("255"));
            QCOMPARE(一行.at("Visual"), QStringLiteral("1"));
            QCOMPARE(一行.at("TopMost"), QStringLiteral("0"));
        }
        QCOMPARE(行表[0].at("Transparent"), QStringLiteral("90"));
        QCOMPARE(行表[1].at("Transparent"), QStringLiteral("0"));
        QCOMPARE(宿主->记录, QStringList({"刷新列表", "刷新便签", "选中 " + 行表[0].at("ID"),
                                          "刷新列表", "刷新便签", "选中 " + 行表[1].at("ID")}));
    }

    void saveAndContinueGivesTheBoxBackTheFocus() {
        Form_添加便签* 编辑器 = 新编辑器();
        编辑器->show();
        QVERIFY(QTest::qWaitForWindowActive(编辑器));
        QTest::keyClicks(编辑器->FlatEdit_内容(), QStringLiteral("first"));
        QTest::mouseClick(编辑器->PushButton_保存且继续添加(), Qt::LeftButton);
        QCOMPARE(全部行().size(), std::size_t{1});
        // The next note is typed at once; a blank typed now presses no button.
        QCOMPARE(QApplication::focusWidget(), 编辑器->FlatEdit_内容());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" second"));
        QCOMPARE(编辑器->FlatEdit_内容()->toPlainText(), QStringLiteral(" second"));
        QCOMPARE(全部行().size(), std::size_t{1});
    }

    void textsRoundTrip() {
        const QStringList 文字表 = {QStringLiteral("it's"),
                                    QStringLiteral("'quoted' and ''doubled''"),
                                    QStringLiteral("中文便签：明天上午九点开会。"),
                                    QStringLiteral("第一行\n第二行 it's\n\n  第四行'"),
                                    QStringLiteral("no\u00A0break space"),
                                    QStringLiteral("'); DELETE FROM Tips; --")};
        Form_添加便签* 编辑器 = 新编辑器();
        for (const QString& 文字 : 文字表) {
            编辑器->FlatEdit_内容()->setPlainText(文字);
            编辑器->PushButton_保存且继续添加()->click();
        }
        const auto 行表 = 全部行();
        QCOMPARE(行表.size(), std::size_t(文字表.size()));
        for (qsizetype i = 0; i < 文字表.size(); ++i) {
            QCOMPARE(行表[std::size_t(i)].at("content"), 文字表[i]);
        }
    }

    void editKeepsStoredFieldsAndUpdatesTheSameNote() {
        const QString 编号 = 插入旧便签();
        QPointer<Form_添加便签> 编辑器 = 新编辑器(编号.toInt());
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("旧的"));
        编辑器->ColorPicker_背景颜色()->设置颜色(255);
        编辑器->设置内容背景颜色(255);
        编辑器->show();
        QCOMPARE(编辑器->ComboBox_便签透明度()->currentIndex(), 2);

        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("改过的 it's"));
        编辑器->PushButton_保存且继续添加()->click();
        QVERIFY(编辑器->FlatEdit_内容()->toPlainText().isEmpty());
        QCOMPARE(全部行()[0].at("content"), QStringLiteral("改过的 it's"));

        store::设置时钟([] { return 第二时刻; });
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("再改一次"));
        编辑器->PushButton_保存并关闭()->click();

        const auto 行表 = 全部行();
        QCOMPARE(行表.size(), std::size_t{1});
        const 行& 一行 = 行表[0];
        QCOMPARE(一行.at("ID"), 编号);
        QCOMPARE(一行.at("content"), QStringLiteral("再改一次"));
        QCOMPARE(一行.at("CreateTime"), QStringLiteral("2020/1/2 3:04:05"));
        QCOMPARE(一行.at("ChangeTime"), store::日期时间文字(第二时刻));
        QCOMPARE(一行.at("Deleted"), QStringLiteral("7"));
        QCOMPARE(一行.at("Visual"), QStringLiteral("0"));
        QCOMPARE(一行.at("TopMost"), QStringLiteral("1"));
        QCOMPARE(一行.at("BackColor"), QStringLiteral("255"));
        QCOMPARE(一行.at("FontColor"), QStringLiteral("0"));
        QCOMPARE(一行.at("Transparent"), QStringLiteral("20"));
        QCOMPARE(宿主->记录, QStringList({"刷新列表", "刷新便签", "选中 " + 编号, "刷新列表",
                                          "刷新便签", "选中 " + 编号}));
        处理删除();
        QVERIFY(编辑器.isNull());
    }

    void editWithEmptyTextWritesNothingButCloses() {
        const QString 编号 = 插入旧便签();
        宿主->记录.clear();
        QPointer<Form_添加便签> 编辑器 = 新编辑器(编号.toInt());
        编辑器->show();
        消息框应答 应答;
        编辑器->PushButton_保存并关闭()->click();
        QCOMPARE(应答.消息表.size(), std::size_t{1});
        QCOMPARE(应答.消息表[0].文字, QStringLiteral("未填写任何内容！"));
        QCOMPARE(应答.消息表[0].图标, QMessageBox::Information);
        // Nothing was written, so nothing is reloaded; the dialog still closes.
        QVERIFY(宿主->记录.isEmpty());
        处理删除();
        QVERIFY(编辑器.isNull());
        QCOMPARE(全部行()[0].at("content"), QStringLiteral("旧的"));
        QCOMPARE(全部行()[0].at("ChangeTime"), QStringLiteral("2020/1/2 3:04:05"));
    }

    void twoEditorsOfOneNoteLaterSaveWins() {
        const int 编号 = 插入旧便签().toInt();
        Form_添加便签* 甲 = 新编辑器();
        Form_添加便签* 乙 = 新编辑器();
        甲->便签编号 = 编号;
        乙->便签编号 = 编号;
        甲->FlatEdit_内容()->setPlainText(QStringLiteral("甲写的"));
        乙->FlatEdit_内容()->setPlainText(QStringLiteral("乙写的"));
        乙->ColorPicker_字体颜色()->设置颜色(128);
        QVERIFY(乙->保存便签());
        QVERIFY(甲->保存便签());
        QCOMPARE(全部行().size(), std::size_t{1});
        QCOMPARE(全部行()[0].at("content"), QStringLiteral("甲写的"));
        QCOMPARE(全部行()[0].at("FontColor"), QStringLiteral("0"));
    }

    void contentBoxFollowsTheWindow() {
        Form_添加便签* 编辑器 = 新编辑器();
        编辑器->show();
        QVERIFY(QTest::qWaitForWindowExposed(编辑器));
        QPlainTextEdit* 内容框 = 编辑器->FlatEdit_内容();
        测试::检查布局关系(编辑器, [&](QSize 尺寸) { 编辑器->resize(尺寸); },
                           {{编辑器->PushButton_保存并关闭(), {}},
                            {编辑器->PushButton_保存且继续添加(), {}},
                            {编辑器->ColorPicker_字体颜色(), {}},
                            {编辑器->ColorPicker_背景颜色(), {}},
                            {内容框, Qt::Horizontal | Qt::Vertical}});

        // Minimised: the box keeps its size; restored, it follows the window again.
        const QSize 之前 = 内容框->size();
        编辑器->setWindowState(Qt::WindowMinimized);
        编辑器->resize(编辑器->size() / 2);
        QCOMPARE(内容框->size(), 之前);
        编辑器->setWindowState(Qt::WindowNoState);
        QTRY_VERIFY(内容框->width() < 之前.width());
    }

    void pickersPreviewInTheContentBox() {
        Form_添加便签* 编辑器 = 新编辑器();
        编辑器->show();
        const auto 选色 = [](platform::controls::ColorPicker* 选择器, const QColor& 颜色) {
            选择器->click();
            auto* 对话框 = 选择器->findChild<QColorDialog*>();
            QVERIFY(对话框 != nullptr);
            对话框->setCurrentColor(颜色);
            对话框->accept();
        };
        选色(编辑器->ColorPicker_背景颜色(), QColor(0, 128, 255));
        选色(编辑器->ColorPicker_字体颜色(), QColor(10, 20, 30));
        const QPalette 调色板 = 编辑器->FlatEdit_内容()->palette();
        QCOMPARE(调色板.color(QPalette::Base), QColor(0, 128, 255));
        QCOMPARE(调色板.color(QPalette::Text), QColor(10, 20, 30));

        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("彩色"));
        QVERIFY(编辑器->保存便签());
        QCOMPARE(全部行()[0].at("BackColor"), QString::number(255 << 16 | 128 << 8));
        QCOMPARE(全部行()[0].at("FontColor"), QString::number(30 << 16 | 20 << 8 | 10));
    }

    void rejectedWriteKeepsTheEditorOpen() {
        QPointer<Form_添加便签> 编辑器 = 新编辑器();
        编辑器->show();
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("重要的事"));
        自定义变量::全局数据库().数据库_添加_语句(QStringLiteral("DROP TABLE Tips"));
        {
            消息框应答 应答;
            编辑器->PushButton_保存并关闭()->click();
            QCOMPARE(应答.消息表.size(), std::size_t{1});
            QCOMPARE(应答.消息表[0].图标, QMessageBox::Critical);
            QCOMPARE(应答.消息表[0].标题, QStringLiteral("Quillet-4862"));
            QVERIFY(应答.消息表[0].文字.contains(QStringLiteral("便签没有保存")));
            QVERIFY(应答.消息表[0].文字.contains(QStringLiteral("no such table")));
        }
        处理删除();
        QVERIFY(仍然打开(编辑器));
        QCOMPARE(编辑器->FlatEdit_内容()->toPlainText(), QStringLiteral("重要的事"));
        QVERIFY(宿主->记录.isEmpty());
    }

    void lockedDatabaseInEditModeKeepsTheEditorOpen() {
        const int 编号 = 插入旧便签().toInt();
        auto 另一程序 = dao::DBEngine().OpenDatabase(数据库文件, false, false, QString());
        另一程序->Execute(QStringLiteral("BEGIN EXCLUSIVE"));
        QPointer<Form_添加便签> 编辑器 = 新编辑器(编号);
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("锁住时写的"));
        编辑器->show();
        {
            消息框应答 应答;
            编辑器->PushButton_保存并关闭()->click();  // waits for the engine's busy timeout
            QCOMPARE(应答.消息表.size(), std::size_t{1});
            QCOMPARE(应答.消息表[0].图标, QMessageBox::Critical);
            QVERIFY(应答.消息表[0].文字.contains(QStringLiteral("locked")));
        }
        另一程序->Execute(QStringLiteral("ROLLBACK"));
        另一程序->Close();
        处理删除();
        QVERIFY(仍然打开(编辑器));
        QCOMPARE(编辑器->FlatEdit_内容()->toPlainText(), QStringLiteral("锁住时写的"));
        QVERIFY(宿主->记录.isEmpty());
        QCOMPARE(全部行()[0].at("content"), QStringLiteral("旧的"));
        // Once the lock is gone the same editor saves.
        编辑器->PushButton_保存并关闭()->click();
        QCOMPARE(全部行()[0].at("content"), QStringLiteral("锁住时写的"));
    }

    void noteDeletedWhileEditing() {
        // The note goes while its editor is open: the user keeps editing, or saves the text anew.
        for (const auto 回答 : {QMessageBox::Cancel, QMessageBox::Save}) {
            QPointer<Form_添加便签> 编辑器 = 新编辑器(插入旧便签().toInt());
            编辑器->show();
            自定义变量::全局数据库().数据库_删除_语句(QStringLiteral("Delete from Tips"));
            编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("还要的文字"));
            消息框应答 应答(回答);
            编辑器->PushButton_保存并关闭()->click();
            QCOMPARE(应答.消息表.size(), std::size_t{1});
            处理删除();
            const bool 另存 = 回答 == QMessageBox::Save;
            QCOMPARE(编辑器.isNull(), 另存);
            QCOMPARE(全部行().size(), std::size_t{另存 ? 1u : 0u});
        }
        QCOMPARE(全部行()[0].at("content"), QStringLiteral("还要的文字"));
    }

    void textTheDatabaseCannotHoldIsRefused() {
        QVERIFY(!可完整保存(QStringLiteral("ab") + QChar(QChar::Null) + QStringLiteral("cd")));
        QVERIFY(!可完整保存(QStringLiteral("x") + QChar(0xD800)));
        QVERIFY(!可完整保存(QChar(0xDC00) + QStringLiteral("x")));
        QVERIFY(!可完整保存(QChar(0xD800) + QStringLiteral("x") + QChar(0xDC00)));
        QVERIFY(可完整保存(QStringLiteral("正常的 it's \U0001F600")));

        const QString 文字 = QStringLiteral("前") + QChar(QChar::Null) + QStringLiteral("后");
        for (int 编号 : {0, 插入旧便签().toInt()}) {
            QPointer<Form_添加便签> 编辑器 = 新编辑器(编号);
            编辑器->FlatEdit_内容()->setPlainText(文字);
            QCOMPARE(编辑器->FlatEdit_内容()->toPlainText(), 文字);
            编辑器->show();
            消息框应答 应答;
            编辑器->PushButton_保存并关闭()->click();
            QCOMPARE(应答.消息表.size(), std::size_t{1});
            QCOMPARE(应答.消息表[0].图标, QMessageBox::Warning);
            QVERIFY(应答.消息表[0].文字.contains(QStringLiteral("空字符")));
            处理删除();
            QVERIFY(仍然打开(编辑器));
            QCOMPARE(编辑器->FlatEdit_内容()->toPlainText(), 文字);
        }
        QCOMPARE(全部行().size(), std::size_t{1});
        QCOMPARE(全部行()[0].at("content"), QStringLiteral("旧的"));
        QVERIFY(宿主->记录.isEmpty());
    }

    // A long text goes in part by part and ends up exactly as a one-go setPlainText leaves it:
    // line ends (CR LF, CR, the paragraph separator) and characters beyond the BMP that fall on
    // the border of two parts included; nothing of the load can be undone.
    void longTextsGoInPartByPartIntact() {
        const QString 满段(每段最多字数 - 1, u'a');
        QString 短行;
        for (qsizetype i = 0; i < 每段最多行数 * 2 + 5; ++i) {
            短行 += i % 3 == 0 ? QStringLiteral("行\r\n") : QStringLiteral("x\n");
        }
        const QStringList 文字表 = {满段 + QStringLiteral("\r\nb\rc\u2029d"),
                                    满段 + QStringLiteral("\U0001F600z"), 短行,
                                    短行 + 满段 + 满段 + QStringLiteral("\u00A0末\n")};
        for (const QString& 文字 : 文字表) {
            QPlainTextEdit 参照;
            参照.setPlainText(文字);
            // Not shown: laying out a line of a quarter million characters is not the point.
            Form_添加便签* 编辑器 = 新编辑器();
            int 载入后次数 = 0;
            编辑器->载入文字(文字, [&载入后次数] { ++载入后次数; });
            QVERIFY(编辑器->正在载入());
            QVERIFY(编辑器->FlatEdit_内容()->isReadOnly());
            QCOMPARE(载入后次数, 0);
            QTRY_VERIFY(!编辑器->正在载入());
            QCOMPARE(载入后次数, 1);
            QVERIFY(!编辑器->FlatEdit_内容()->isReadOnly());
            QCOMPARE(编辑框文字(*编辑器->FlatEdit_内容()), 编辑框文字(参照));
            QCOMPARE(编辑器->FlatEdit_内容()->textCursor().position(), 0);

            QTextDocument* 文档 = 编辑器->FlatEdit_内容()->document();
            QVERIFY(!文档->isUndoAvailable());
            编辑器->FlatEdit_内容()->textCursor().insertText(QStringLiteral("新"));
            QVERIFY(文档->isUndoAvailable());
            文档->undo();
            QVERIFY(!文档->isUndoAvailable());
            QCOMPARE(编辑框文字(*编辑器->FlatEdit_内容()), 编辑框文字(参照));
        }
    }

    void partsEndOnlyWhereTheTextMayBeCut() {
        QString 文字 = QString(每段最多字数 - 1, u'a') + QStringLiteral("\U0001F600");
        QCOMPARE(载入段尾(文字, 0), 每段最多字数 - 1);
        QCOMPARE(载入段尾(文字, 每段最多字数 - 1), 文字.size());
        文字 = QString(每段最多字数 - 1, u'a') + QStringLiteral("\r\n");
        QCOMPARE(载入段尾(文字, 0), 每段最多字数 - 1);
        QCOMPARE(载入段尾(QStringLiteral("\n").repeated(每段最多行数 * 3), 每段最多行数),
                 每段最多行数 * 2);
        QCOMPARE(载入段尾(QStringLiteral("短"), 0), 1);
    }

    // Saved before the rest of a long text is in: the whole text is written, and the keeper
    // waiting for the load is called first.
    void savingWhileLoadingWritesTheWholeText() {
        const QString 文字 = QStringLiteral("第一行\n").repeated(每段最多行数 * 3);
        Form_添加便签* 编辑器 = 新编辑器();
        编辑器->show();
        bool 已载入 = false;
        编辑器->载入文字(文字, [&已载入] { 已载入 = true; });
        QVERIFY(编辑器->正在载入());
        编辑器->PushButton_保存且继续添加()->click();
        QVERIFY(已载入);
        QCOMPARE(全部行().size(), std::size_t{1});
        QCOMPARE(全部行()[0].at("content"), 文字);
        QVERIFY(编辑器->FlatEdit_内容()->toPlainText().isEmpty());
    }

    void closeBoxWritesAndAsksNothing() {
        QPointer<Form_添加便签> 编辑器 = 新编辑器();
        编辑器->show();
        编辑器->FlatEdit_内容()->setPlainText(QStringLiteral("不要了"));
        消息框应答 应答;
        QVERIFY(编辑器->close());
        处理删除();
        QVERIFY(编辑器.isNull());
        QVERIFY(应答.消息表.empty());
        QVERIFY(全部行().empty());
        QVERIFY(宿主->记录.isEmpty());
    }
};

QTEST_MAIN(EditorTest)
#include "test_editor.moc"
