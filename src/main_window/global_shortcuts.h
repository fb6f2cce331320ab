// SPDX-License-Identifier: MIT
#pragma once

// 工具 → 全局快捷键: two key combinations that work whatever window has the focus, one writing
// a new note and one showing or hiding all notes. Each may be changed or turned off; the choice
// lives in the program's settings store as the combination's portable text ("Ctrl+Alt+N"), an
// empty text for one turned off.

#include <QKeyCombination>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class 全局快捷键;
}

namespace 全局快捷键设置 {

// The commands, in the order of the dialog's rows.
enum 命令 { 新建便签, 显示隐藏, 命令数 };

struct 说明 {
    QString 值名;  // the value's name in the settings store
    QString 名称;  // what it does, in the user's words
    QKeyCombination 默认;
};
const 说明& 命令说明(命令 一个);

// Whether this window system lets the program have global shortcuts at all.
bool 可用();

// One setting for each command; nothing for a command turned off.
using 设定 = std::array<std::optional<QKeyCombination>, 命令数>;

// Whether a combination can be a global shortcut: a key that is no modifier, held with Ctrl, Alt
// or the logo key (a plain key or Shift with a key would be taken from every program's typing).
bool 可用组合(QKeyCombination 键);

// The combination as the user reads it ("Ctrl+Alt+N").
QString 显示文字(QKeyCombination 键);

// The setting a stored text stands for: nothing stored gives the default, an empty text
// nothing (turned off). A text that is no usable combination gives the default and is logged.
std::optional<QKeyCombination> 解析(const std::optional<QString>& 存储, const 说明& 命令说明);

设定 读取();
// False when the settings store refused (nothing is known to be stored then).
bool 保存(const 设定& 新设定);

// Holds the shortcuts of a setting with the window system.
class 管理器 {
  public:
    explicit 管理器(std::array<std::function<void()>, 命令数> 动作);
    ~管理器();

    // Lets go of the combinations held and takes those of the setting. Returns what the user is
    // to be told of the ones that could not be taken (the others work), or an empty text.
    QString 应用(const 设定& 新设定);
    // The setting in force, including combinations that could not be taken.
    const 设定& 当前() const { return 当前_; }

  private:
    std::array<std::unique_ptr<platform::全局快捷键>, 命令数> 键_;
    设定 当前_{};
};

}  // namespace 全局快捷键设置
