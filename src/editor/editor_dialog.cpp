// SPDX-License-Identifier: MIT
#include "editor/editor_dialog.h"

#include "editor/editor_companion.h"
#include "platform/controls/colorpicker.h"
#include "platform/controls/colour.h"
#include "platform/controls/shared_icon.h"
#include "platform/dao/dao.h"
#include "platform/forms/layouts.h"
#include "platform/forms/window_look.h"
#include "services/message_box.h"
#include "store/globals.h"
#include "store/note_record.h"
#include "store/statements.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using platform::缇转像素;
using platform::controls::ColorPicker;

namespace {

// The editor as designed, in twips.
constexpr int 客户区宽 = 7845;
constexpr int 客户区高 = 6735;

constexpr std::int32_t 按钮文字颜色 = static_cast<std::int32_t>(0x80000012u);

// Left, Top, Width, Height in twips. The buttons and the hidden options keep the design's
// place whatever the window's size: a row layout would squeeze them together, and move them,
// once the window is narrower than the row.
void 放置(QWidget* 控件, int 左, int 上, int 宽, int 高) {
    控件->setGeometry(缇转像素(左), 缇转像素(上), 缇转像素(宽), 缇转像素(高));
}

QPushButton* 保存按钮(const QString& 标题, QWidget* 父) {
    auto* 按钮 =
        new QPushButton(platform::controls::共享图标(QStringLiteral(":/icons/save.svg")), 标题, 父);
    按钮->setIconSize(QSize(16, 16));
    // Neither button is pressed by Enter or Escape.
    按钮->setAutoDefault(false);
    按钮->setDefault(false);
    return 按钮;
}

}  // namespace

// The plain-text view of a document turns no-break spaces into blanks; the raw text keeps them
// and only marks line ends differently.
QString 编辑框文字(const QPlainTextEdit& 编辑框) {
    QString 文字 = 编辑框.document()->toRawText();
    for (QChar& 字 : 文字) {
        if (字 == QChar::ParagraphSeparator || 字 == QChar::LineSeparator) {
            字 = QLatin1Char('\n');
        }
    }
    return 文字;
}

qsizetype 载入段尾(const QString& 文字, qsizetype 起点) {
    const qsizetype 上限 = std::min(文字.size(), 起点 + 每段最多字数);
    qsizetype 尾 = 上限;
    qsizetype 行数 = 0;
    for (qsizetype i = 起点; i < 上限; ++i) {
        if (文字[i] == u'\n' && ++行数 == 每段最多行数) {
            尾 = i + 1;
            break;
        }
    }
    if (尾 < 文字.size() && 尾 > 起点 + 1 &&
        (文字[尾 - 1].isHighSurrogate() || (文字[尾 - 1] == u'\r' && 文字[尾] == u'\n'))) {
        --尾;
    }
    return 尾;
}

bool 可完整保存(const QString& 内容) {
    // Neither a null character nor half a surrogate pair, which UTF-8 cannot carry; one pass,
    // for texts of megabytes.
    for (qsizetype i = 0; i < 内容.size(); ++i) {
        const QChar 字 = 内容[i];
        if (字.isNull() || 字.isLowSurrogate()) {
            return false;
        }
        if (字.isHighSurrogate()) {
            if (i + 1 == 内容.size() || !内容[i + 1].isLowSurrogate()) {
                return false;
            }
            ++i;
        }
    }
    return true;
}

Form_添加便签::Form_添加便签(编辑器宿主& 宿主)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      platform::Form(this),
      宿主_(宿主) {
    setWindowTitle(QStringLiteral("添加Quillet"));
    setWindowIcon(platform::controls::共享图标(QStringLiteral(":/icons/editor.svg")));
    setFont(platform::窗体字体());

    保存并关闭_ = 保存按钮(QStringLiteral("保存并关闭"), this);
    放置(保存并关闭_, 90, 60, 1485, 345);
    保存且继续添加_ = 保存按钮(QStringLiteral("保存继续添加"), this);
    放置(保存且继续添加_, 1620, 60, 1485, 345);

    字体颜色_ = new ColorPicker(QStringLiteral("字体颜色"), this);
    放置(字体颜色_, 3300, 60, 1425, 345);
    字体颜色_->设置颜色(store::新便签字体颜色);
    背景颜色_ = new ColorPicker(QStringLiteral("背景颜色"), this);
    放置(背景颜色_, 4770, 60, 1425, 345);
    背景颜色_->设置颜色(store::新便签背景颜色);

    高级选项_ = new QCheckBox(QStringLiteral("高级选项"), this);
    放置(高级选项_, 6810, 120, 975, 255);
    高级选项_->hide();

    // The content box fills the window below the buttons, inside a margin.
    内容_ = new QPlainTextEdit(this);
    auto* 布局 = new QVBoxLayout(this);
    布局->setSizeConstraint(QLayout::SetNoConstraint);  // the window keeps any size it is given
    布局->setContentsMargins(platform::缇边距(30, 450, 45, 45));
    布局->addWidget(内容_);
    platform::可缩至零(内容_);
    内容_->setTabChangesFocus(true);  // Tab moves on through the controls; Enter makes a new line
    内容_->setAccessibleName(QStringLiteral("便签内容"));
    内容_->setAccessibleDescription(QStringLiteral("便签的文字。回车键换行，Tab 键转到保存按钮"));
    设置内容背景颜色(store::新便签背景颜色);
    设置内容字体颜色(按钮文字颜色);

    // The advanced options are never shown: nothing reads the two boxes, and the
    // transparency keeps its initial choice.
    高级选项组_ = new QGroupBox(QStringLiteral("高级选项"), this);
    放置(高级选项组_, 30, 6090, 7725, 585);
    高级选项组_->hide();
    桌面显示_ = new QCheckBox(QStringLiteral("标签桌面显示"), 高级选项组_);
    放置(桌面显示_, 120, 240, 1635, 255);
    桌面显示_->setChecked(true);
    窗口置顶_ = new QCheckBox(QStringLiteral("便签总在最前"), 高级选项组_);
    放置(窗口置顶_, 1680, 225, 1365, 285);
    Label1_ = new QLabel(QStringLiteral("便签透明度："), 高级选项组_);
    放置(Label1_, 3240, 270, 1080, 195);
    透明度_ = new QComboBox(高级选项组_);
    透明度_->setAccessibleName(QStringLiteral("便签透明度"));
    放置(透明度_, 4350, 210, 1755, 315);

    QWidget* const 顺序[] = {内容_,     高级选项组_,     保存并关闭_, 桌面显示_,
                             窗口置顶_, 保存且继续添加_, 字体颜色_,   背景颜色_,
                             高级选项_, Label1_,         透明度_};
    for (std::size_t i = 1; i < std::size(顺序); ++i) {
        setTabOrder(顺序[i - 1], 顺序[i]);
    }

    // The pickers show their colour in the content box at once; saving reads the pickers.
    背景颜色_->已选颜色 = [this](std::int32_t 颜色) { 设置内容背景颜色(颜色); };
    字体颜色_->已选颜色 = [this](std::int32_t 颜色) { 设置内容字体颜色(颜色); };
    connect(保存并关闭_, &QPushButton::clicked, this, [this] { PushButton_保存并关闭_Click(); });
    connect(保存且继续添加_, &QPushButton::clicked, this,
            [this] { PushButton_保存且继续添加_Click(); });

    载入计时器_ = new QTimer(this);
    connect(载入计时器_, &QTimer::timeout, this, [this] {
        载入下一段();
        if (!正在载入()) {
            完成载入();
        }
    });

    Form_Load();

    resize(缇转像素(客户区宽), 缇转像素(客户区高));
    platform::移到屏幕中央(*this);
    内容_->setFocus();
}

Form_添加便签::~Form_添加便签() = default;

void Form_添加便签::Form_Load() {
    if (!伴随对象_) {
        伴随对象_ = std::make_unique<Class_添加便签>();
    }
    伴随对象_->初始化界面(*透明度_);
}

void Form_添加便签::设置内容背景颜色(std::int32_t 颜色) {
    QPalette 调色板 = 内容_->palette();
    调色板.setColor(QPalette::Base, platform::controls::转为颜色(颜色));
    内容_->setPalette(调色板);
}

void Form_添加便签::设置内容字体颜色(std::int32_t 颜色) {
    QPalette 调色板 = 内容_->palette();
    调色板.setColor(QPalette::Text, platform::controls::转为颜色(颜色));
    内容_->setPalette(调色板);
}

void Form_添加便签::载入文字(const QString& 文字, std::function<void()> 载入后) {
    载入计时器_->stop();
    待载入_ = 文字;
    载入位置_ = 载入段尾(待载入_, 0);
    载入后_ = std::move(载入后);
    载入未完_ = true;
    // The parts that follow are no step the user could undo.
    内容_->document()->setUndoRedoEnabled(false);
    内容_->setPlainText(待载入_.left(载入位置_));
    if (正在载入()) {
        内容_->setReadOnly(true);
        载入计时器_->start();
    } else {
        完成载入();
    }
}

void Form_添加便签::载入下一段() {
    const qsizetype 尾 = 载入段尾(待载入_, 载入位置_);
    QTextCursor 光标(内容_->document());
    光标.movePosition(QTextCursor::End);
    光标.insertText(QStringView(待载入_).sliced(载入位置_, 尾 - 载入位置_).toString());
    载入位置_ = 尾;
}

void Form_添加便签::完成载入() {
    if (!载入未完_) {
        return;
    }
    载入未完_ = false;
    载入计时器_->stop();
    while (正在载入()) {
        载入下一段();
    }
    待载入_ = QString();
    载入位置_ = 0;
    内容_->setReadOnly(false);
    内容_->document()->setUndoRedoEnabled(true);
    内容_->document()->setModified(false);
    if (auto 载入后 = std::exchange(载入后_, nullptr)) {
        载入后();
    }
}

void Form_添加便签::changeEvent(QEvent* 事件) {
    QWidget::changeEvent(事件);
    if (事件->type() == QEvent::WindowStateChange) {
        platform::最小化时冻结(*layout(), isMinimized());
    }
}

bool Form_添加便签::提示(QMessageBox::Icon 图标, const QString& 文字) {
    QPointer<QWidget> 自身(this);
    消息::显示(this, 图标, 文字);
    return !自身.isNull();
}

Form_添加便签::写入结果 Form_添加便签::写入(bool 新建) {
    完成载入();
    const QString 内容 = 编辑框文字(*内容_);
    if (内容.isEmpty()) {
        return 提示(QMessageBox::Information, QStringLiteral("未填写任何内容！"))
                   ? 写入结果::内容为空
                   : 写入结果::窗口已关闭;
    }
    if (!可完整保存(内容)) {
        return 提示(QMessageBox::Warning,
                    QStringLiteral("便签内容中有无法原样保存的字符（例如空字符），便签没有保存。\n"
                                   "请删除这些字符后再保存。"))
                   ? 写入结果::未写入
                   : 写入结果::窗口已关闭;
    }
    const store::便签值 值{内容, 背景颜色_->颜色(), 字体颜色_->颜色(),
                           透明度_->currentIndex() * 10};
    const QDateTime 此刻 = store::现在();
    const QString 语句 =
        新建 ? store::新建便签语句(值, 此刻) : store::修改便签语句(值, 此刻, 便签编号);
    QPointer<QWidget> 自身(this);
    try {
        if (!新建 && !仍是原便签()) {
            return 便签已删除();
        }
        自定义变量::全局数据库().数据库_添加_语句(语句);
    } catch (const dao::Error& 错误) {
        消息::数据库错误(this, QStringLiteral("便签没有保存，输入的内容仍在编辑框中。"), 错误);
        return 自身 ? 写入结果::未写入 : 写入结果::窗口已关闭;
    }
    if (!新建 && 自定义变量::全局数据库().受影响行数() == 0) {
        return 便签已删除();
    }
    const std::int32_t 编号 = 新建 ? 自定义变量::全局数据库().新行编号() : 便签编号;
    if (已保存) {
        已保存();
    }
    try {
        宿主_.编辑_刷新列表_Click();
    } catch (const dao::Error& 错误) {
        // The note is in the file; only reading the notes back failed (a damaged file, say).
        消息::数据库错误(
            this, QStringLiteral("便签已保存，但无法重新读取便签列表，列表仍是保存前的样子。"),
            错误);
        if (!自身) {
            return 写入结果::窗口已关闭;
        }
    }
    宿主_.刷新便签();
    宿主_.选中便签(编号);
    return 写入结果::已写入;
}

bool Form_添加便签::仍是原便签() const {
    if (!便签创建时间) {
        return true;
    }
    const dao::Recordset 记录 =
        自定义变量::全局数据库().数据库_查找_语句(store::单个便签语句(QString::number(便签编号)));
    return !记录.Eof() && 记录.Fields(QStringLiteral("CreateTime")).ToText() == *便签创建时间;
}

Form_添加便签::写入结果 Form_添加便签::便签已删除() {
    // The note was deleted while it was being edited (from the list, its note menu or another
    // program): the update changed nothing. The text is kept; the user may store it as a new
    // note, after which this editor adds notes.
    QPointer<QWidget> 自身(this);
    const QMessageBox::StandardButton 回答 =
        消息::显示(this, QMessageBox::Warning,
                   QStringLiteral("正在修改的便签已被删除（或便签数据库已被别的文件替换，这个编号"
                                  "现在属于另一条便签），修改没有保存。\n\n"
                                  "要把编辑框中的内容另存为一条新便签吗？选择“继续编辑”则不保存，"
                                  "内容仍留在编辑框中。"),
                   {{QMessageBox::Save, QStringLiteral("另存为新便签")},
                    {QMessageBox::Cancel, QStringLiteral("继续编辑")}});
    if (!自身) {
        return 写入结果::窗口已关闭;
    }
    if (回答 != QMessageBox::Save) {
        return 写入结果::未写入;
    }
    便签编号 = 0;
    便签创建时间.reset();
    return 写入(true);
}

bool Form_添加便签::保存便签() {
    if (便签编号 != 0) {
        return 更新便签();
    }
    return 写入(true) == 写入结果::已写入;
}

bool Form_添加便签::更新便签() {
    const 写入结果 结果 = 写入(false);
    return 结果 == 写入结果::已写入 || 结果 == 写入结果::内容为空;
}

void Form_添加便签::PushButton_保存并关闭_Click() {
    if (!保存便签()) {
        return;
    }
    // The list reload of the save has opened a new note's window; an edited note's window
    // shows the new text already, and no other note's window is touched.
    卸载();
}

void Form_添加便签::PushButton_保存且继续添加_Click() {
    if (!保存便签()) {
        return;
    }
    内容_->clear();
    // The next note is typed at once; a key must not press the button again.
    内容_->setFocus();
}
