// SPDX-License-Identifier: MIT
#pragma once
// Start at log-on: the command and the toggle of the menu item.
//
// The program registers itself as the string value "Quillet" under the current user's
// "SOFTWARE\Microsoft\Windows\CurrentVersion\Run" key. The value holds the start command: the
// executable's full path in double quotes, then " mini", which starts the program with its main
// window hidden. (Elsewhere than on Windows the registry layer keeps that value as an XDG
// autostart entry.)
#include <QString>

namespace 开机启动 {

// Where the program registers itself.
inline constexpr char16_t 子键[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char16_t 值名[] = u"Quillet";

// The start command for an executable in `文件夹`:
//   Windows: "<文件夹>\<程序名>.exe" mini   (程序名 without extension)
//   elsewhere: "<文件夹>/<程序名>" mini     (程序名 is the file name as it is)
// No separator is added when the folder already ends with one (a root folder).
QString 启动命令(const QString& 文件夹, const QString& 程序名);
// The start command of the running program (its folder and name as the platform reports them).
QString 启动命令();

// Whether the stored value equals `命令`, character for character; a missing value does not.
bool 已登记(const QString& 命令);
bool 已登记();

// The menu item's click: when `已勾选` is false, reads the value and writes `命令` only if the
// text read is empty (an entry for another path is left alone); when true, deletes the value.
// The item's new check state is whether a value is stored afterwards; 成功 is false when the
// write or the delete did not take effect (the entry's folder or the store is not writable).
struct 切换结果 {
    bool 勾选;
    bool 成功;
};
切换结果 切换(bool 已勾选, const QString& 命令);
切换结果 切换(bool 已勾选);

}  // namespace 开机启动
