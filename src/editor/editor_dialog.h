#pragma once

#include "platform/forms/forms.h"

#include <QWidget>

#include <cstdint>

class QPlainTextEdit;
namespace platform::controls {
class ColorPicker;
}

// What the editor asks of the main window after each save.
class 编辑器宿主 {
public:
    virtual ~编辑器宿主() = default;
    virtual void 编辑_刷新列表_Click() = 0;      // reload the note list
    virtual void 刷新便签() = 0;                 // refresh the open note windows
    virtual int 列表行数() const = 0;            // rows of the note list
    virtual void 设置行勾选(int 行, bool 勾选) = 0;  // row counted from 1; raises the check change
};

// Form_添加便签: writes a new note (便签编号 0) or changes an existing one.
// Heap-allocate it; it deletes itself when unloaded.
class Form_添加便签 : public QWidget, public platform::Form {
public:
    explicit Form_添加便签(编辑器宿主& 宿主);

    std::int32_t 便签编号 = 0;

    QPlainTextEdit* FlatEdit_内容() const;
    platform::controls::ColorPicker* ColorPicker_背景颜色() const;
    platform::controls::ColorPicker* ColorPicker_字体颜色() const;
    void 设置内容背景颜色(std::int32_t 颜色);
    void 设置内容字体颜色(std::int32_t 颜色);
};
