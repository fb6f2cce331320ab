// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

// Waiting for the note database while another program holds its lock, without freezing the
// program: the windows keep repainting and timers keep running, and after a moment a busy
// pointer and a small window say what the program waits for, with a button to give up. The
// statement then fails as any locked statement does, and its command says so.
namespace 数据库等待 {

// How long a wait goes on before the pointer and the window appear.
inline constexpr std::chrono::milliseconds 提示延迟{300};

// Makes every statement of the database engine wait this way. Needs a QApplication.
void 安装();

}  // namespace 数据库等待
