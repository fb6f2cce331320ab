// SPDX-License-Identifier: MIT
#pragma once

#include "platform/forms/forms.h"

#include <QMessageBox>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class Class_添加便签;
namespace platform::controls {
class ColorPicker;
}

// What the editor asks of the main window after each save.
class 编辑器宿主 {
  public:
    virtual ~编辑器宿主() = default;
    virtual void 编辑_刷新列表_Click() = 0;        // reload the note list
    virtual void 刷新便签() = 0;                   // refresh the open note windows
    virtual void 选中便签(std::int32_t 编号) = 0;  // select the saved note's row
};

// Whether the database keeps a note text exactly as typed: it cannot hold a NUL character
// (the statement would end there) nor a broken UTF-16 surrogate.
bool 可完整保存(const QString& 内容);

// The text exactly as it stands in the box, as saving takes it.
QString 编辑框文字(const QPlainTextEdit& 编辑框);

// A long text goes into the editor in parts of at most this many characters or lines, so that the
// window shows and answers at once while the rest follows (a text document costs microseconds per
// line to build: a 10 MiB note of 400,000 lines takes seconds in one go).
inline constexpr qsizetype 每段最多字数 = qsizetype{256} * 1024;
inline constexpr qsizetype 每段最多行数 = 8192;
// Where the part of 文字 that starts at 起点 ends: never between a surrogate pair nor between
// the CR and LF of one line end (each part would make a line break of its own).
qsizetype 载入段尾(const QString& 文字, qsizetype 起点);

// Form_添加便签: writes a new note (便签编号 0) or changes an existing one.
// Heap-allocate it; it deletes itself when unloaded.
class Form_添加便签 : public QWidget, public platform::Form {
  public:
    explicit Form_添加便签(编辑器宿主& 宿主);
    ~Form_添加便签() override;

    std::int32_t 便签编号 = 0;
    // Called after each write of the text to the database (the drafts follow it).
    std::function<void()> 已保存;
    // The creation time the note had when it was opened for editing. When set, a save first
    // checks that the row with 便签编号 is still that note: a database replaced by an older copy
    // reuses ids, and the edit must never land on another note.
    std::optional<QString> 便签创建时间;

    QPlainTextEdit* FlatEdit_内容() const { return 内容_; }
    platform::controls::ColorPicker* ColorPicker_背景颜色() const { return 背景颜色_; }
    platform::controls::ColorPicker* ColorPicker_字体颜色() const { return 字体颜色_; }
    void 设置内容背景颜色(std::int32_t 颜色);
    void 设置内容字体颜色(std::int32_t 颜色);

    // Puts 文字 into the content box (its undo history empty) and calls 载入后 once all of it is
    // there: at once for a short text; a long one goes in part by part from the event loop,
    // the box read-only meanwhile. Saving first puts in whatever is still to come.
    void 载入文字(const QString& 文字, std::function<void()> 载入后 = {});
    bool 正在载入() const { return 载入位置_ < 待载入_.size(); }
    // Puts in the rest of the text now.
    void 完成载入();

    QPushButton* PushButton_保存并关闭() const { return 保存并关闭_; }
    QPushButton* PushButton_保存且继续添加() const { return 保存且继续添加_; }
    QCheckBox* CheckBox_高级选项() const { return 高级选项_; }
    QGroupBox* GroupBox_高级选项() const { return 高级选项组_; }
    QCheckBox* CheckBox_桌面显示() const { return 桌面显示_; }
    QCheckBox* CheckBox_窗口置顶() const { return 窗口置顶_; }
    QComboBox* ComboBox_便签透明度() const { return 透明度_; }

    // Saves the note: adds it, or in edit mode updates it (更新便签); true when the buttons are to
    // go on. A write the database refused never goes on.
    bool 保存便签();
    // Updates the note 便签编号 names; true when the buttons are to go on: also when the text is
    // empty, which writes nothing.
    bool 更新便签();

    void PushButton_保存并关闭_Click();
    void PushButton_保存且继续添加_Click();

  protected:
    void changeEvent(QEvent* 事件) override;

  private:
    enum class 写入结果 { 已写入, 内容为空, 未写入, 窗口已关闭 };

    void Form_Load();
    写入结果 写入(bool 新建);
    // The edited note is no longer stored: ask whether to save the text as a new note.
    写入结果 便签已删除();
    // Whether the row with 便签编号 is still the note that was opened (see 便签创建时间).
    bool 仍是原便签() const;
    // Shows a message; false when the editor was closed while the message was open.
    bool 提示(QMessageBox::Icon 图标, const QString& 文字);
    // Appends the next part of the text being loaded.
    void 载入下一段();

    编辑器宿主& 宿主_;
    std::unique_ptr<Class_添加便签> 伴随对象_;

    QPushButton* 保存并关闭_;
    QPushButton* 保存且继续添加_;
    platform::controls::ColorPicker* 字体颜色_;
    platform::controls::ColorPicker* 背景颜色_;
    QCheckBox* 高级选项_;
    QPlainTextEdit* 内容_;
    QGroupBox* 高级选项组_;
    QCheckBox* 桌面显示_;
    QCheckBox* 窗口置顶_;
    QLabel* Label1_;
    QComboBox* 透明度_;

    QString 待载入_;
    qsizetype 载入位置_ = 0;
    std::function<void()> 载入后_;
    bool 载入未完_ = false;
    QTimer* 载入计时器_;
};
