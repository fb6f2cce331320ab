// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
namespace platform::controls {
class ListView;
}

// The find field over the note list. What is typed shows only the notes whose text matches, as
// it is typed; Esc or an emptied field closes the bar and shows every note again. It tells how
// many notes match, on the screen and to a screen reader.
class 查找栏 : public QWidget {
  public:
    查找栏(platform::controls::ListView& 列表, QWidget* 父);

    // Shows the bar and puts the keyboard in the field, its text selected.
    void 打开();
    // Empties the field, shows every note and gives the keyboard back to the list.
    void 关闭();
    bool 已打开() const { return !isHidden(); }

    QLineEdit* 输入框() const { return 输入框_; }
    QLabel* 结果() const { return 结果_; }

    // Raised as the bar opens (before it is shown) and once it is closed, so that its window
    // makes room for it or takes the room back.
    std::function<void(bool 打开)> 已开关;

  protected:
    bool eventFilter(QObject* 对象, QEvent* 事件) override;

  private:
    void 更新结果();

    platform::controls::ListView& 列表_;
    QLineEdit* 输入框_;
    QLabel* 结果_;
};
