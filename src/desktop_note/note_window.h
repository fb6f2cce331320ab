// SPDX-License-Identifier: MIT
#pragma once

#include "platform/forms/forms.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <optional>

class QLabel;
class QMouseEvent;

// What a desktop note window asks of the main window: the note menu for its note.
class 便签菜单宿主 {
  public:
    virtual ~便签菜单宿主() = default;
    // Stores the note's id, the window's Tag as it is, in the main window's 当前便签编号 ...
    virtual void 设置当前便签编号(const QString& 编号文字) = 0;
    // ... then opens the note menu 便签菜单 as a popup of the given window: at the pointer when
    // the mouse asked for it (键盘位置 empty), else at 键盘位置 on the screen, as a menu opened
    // from the keyboard.
    virtual void 弹出便签菜单(QWidget* 窗口, std::optional<QPoint> 键盘位置) = 0;
};

// Form_Quillet: one borderless desktop window showing one note. Heap-allocate it; it deletes
// itself when unloaded.
//
// The window is moved by dragging its text or margin with the left button, resized from a
// band 边框宽度 twips wide along its edges (any button), and a right-button release over it
// opens the note menu for the note named by its Tag, at the pointer (on the band too when the
// pointer did not move); so do the Menu key and Shift+F10 once the user has made the window
// active, over the note's text. The window system's own move and resize are used where it offers
// them; elsewhere the window follows the pointer itself.
class Form_Quillet : public QWidget, public platform::Form {
  public:
    explicit Form_Quillet(便签菜单宿主& 宿主);

    QLabel* Label_Quillet() const { return Label_Quillet_; }
    // Shows the note's text; a text longer than any window shows is laid out only in part.
    void 设置文字(const QString& 文字);
    void 设置背景颜色(std::int32_t 颜色);
    void 设置文字颜色(std::int32_t 颜色);

    // The stored colour values last set (0x00BBGGRR, or a system colour).
    std::int32_t 背景颜色() const { return 背景颜色_; }
    std::int32_t 文字颜色() const { return 文字颜色_; }

    // Width of the resize band along every edge, in twips.
    std::int16_t 边框宽度() const { return 边框宽度_; }

    // True while the window follows the pointer itself (no window system move or resize).
    bool 正在手动拖动() const { return 手动拖动_; }

  protected:
    void mousePressEvent(QMouseEvent* 事件) override;
    void mouseMoveEvent(QMouseEvent* 事件) override;
    void mouseReleaseEvent(QMouseEvent* 事件) override;
    void keyPressEvent(QKeyEvent* 事件) override;
    bool eventFilter(QObject* 对象, QEvent* 事件) override;

  private:
    void Form_Load();
    void Form_MouseDown(QMouseEvent* 事件);
    void Form_MouseMove(QMouseEvent* 事件);
    void Form_MouseUp(QMouseEvent* 事件);
    void Label_Quillet_MouseMove(QMouseEvent* 事件);
    void Label_Quillet_MouseUp(QMouseEvent* 事件);

    // Pointer position in twips, in the window's coordinates.
    QPointF 缇坐标(QMouseEvent* 事件) const;
    void 记录按下(QMouseEvent* 事件);
    void 移动交接(QMouseEvent* 事件);
    void 开始手动拖动(Qt::Edges 边);
    void 跟随指针(QMouseEvent* 事件);
    // Ends the current press; true when it was spent on a move or resize.
    bool 结束按下(QMouseEvent* 事件);
    void 忘记按下();
    void 打开便签菜单(std::optional<QPoint> 键盘位置 = std::nullopt);

    便签菜单宿主& 宿主_;
    QLabel* Label_Quillet_;
    std::int16_t 边框宽度_ = 0;
    std::int32_t 背景颜色_ = 0;
    std::int32_t 文字颜色_ = 0;

    // The current press: where it happened, and whether a move or resize took it over.
    bool 已按下_ = false;
    bool 已交接_ = false;
    QPoint 按下全局位置_;
    bool 手动拖动_ = false;
    // A manual resize that has not begun: the press is a click until the pointer moves away.
    bool 等待起拖_ = false;
    Qt::Edges 手动边_;
    QRect 拖动起始几何_;
};
