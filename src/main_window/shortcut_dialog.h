// SPDX-License-Identifier: MIT
#pragma once

#include "main_window/global_shortcuts.h"

#include <optional>

class QWidget;

namespace 全局快捷键设置 {

// The dialog of 工具 → 全局快捷键: for each command a field that records the combination
// pressed, and a 不使用 box that turns it off. Returns the setting the user confirmed, or nothing
// when the dialog was cancelled.
std::optional<设定> 询问(QWidget* 父窗口, const 设定& 当前);

}  // namespace 全局快捷键设置
