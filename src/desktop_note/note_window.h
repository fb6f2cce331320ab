#pragma once

#include "platform/forms/forms.h"

#include <QWidget>

#include <cstdint>

class QLabel;

// What a desktop note window asks of the main window: the note menu for its note.
class 便签菜单宿主 {
public:
    virtual ~便签菜单宿主() = default;
    // Stores the note's id in the main window's 当前便签编号 ...
    virtual void 设置当前便签编号(std::int32_t 编号) = 0;
    // ... then opens the note menu 便签菜单 at the pointer, as a popup of the given window.
    virtual void 弹出便签菜单(QWidget* 窗口) = 0;
};

// Form_Quillet: one borderless desktop window showing one note. Heap-allocate it; it deletes
// itself when unloaded.
class Form_Quillet : public QWidget, public platform::Form {
public:
    explicit Form_Quillet(便签菜单宿主& 宿主);

    QLabel* Label_Quillet() const { return Label_Quillet_; }
    void 设置背景颜色(std::int32_t 颜色);
    void 设置文字颜色(std::int32_t 颜色);

private:
    便签菜单宿主& 宿主_;
    QLabel* Label_Quillet_;
};
