// SPDX-License-Identifier: MIT
#pragma once

// A key combination that reaches the program whatever window has the keyboard focus. On X11 the
// key is grabbed on the root window (with every combination of the lock keys, so that Caps Lock
// or Num Lock being on does not lose it); on Windows it is registered with the system. A Wayland
// desktop lets no program take keys for itself.

#include <QKeyCombination>

#include <functional>
#include <memory>

namespace platform {

class 全局快捷键 {
  public:
    enum class 结果 {
        已登记,
        已被占用,    // another program holds the combination
        不支持此键,  // the key has no code on this keyboard or system
        失败,        // the window system refused for another reason
    };

    // Whether this window system lets a program take keys for itself.
    static bool 可用();

    // 动作 runs on the main thread, once for each press (not for the key's auto-repeat).
    explicit 全局快捷键(std::function<void()> 动作);
    ~全局快捷键();
    全局快捷键(const 全局快捷键&) = delete;
    全局快捷键& operator=(const 全局快捷键&) = delete;

    // Lets go of the combination held so far and takes this one; after a failure none is held.
    结果 登记(QKeyCombination 键);
    // Lets go of the combination held, if any.
    void 注销();

    struct 实现;

  private:
    std::unique_ptr<实现> 实现_;
};

}  // namespace platform
