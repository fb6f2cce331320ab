// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace platform::shell {

// Opens an address or a file with the user's default handler; returns at once.
// Nothing is reported when no handler takes it.
void 打开(const QString& 地址);

// Replaces what 打开 does, so tests can see what would be opened without starting a browser.
// An empty function restores the default handler.
void 设置打开处理(std::function<void(const QString&)> 处理);

// Text as it crosses to the system: the locale's code page (UTF-8 on Linux,
// the ANSI code page on Windows), and back.
QByteArray 到本地代码页(const QString& 文字);
QString 从本地代码页(const QByteArray& 字节);

// The file name of a program called `程序名`: "<程序名>.exe" on Windows, `程序名` itself elsewhere.
QString 程序文件名(const QString& 程序名);
// The running program's name, in the form 程序文件名 takes (on Windows without ".exe").
QString 本程序名();

}  // namespace platform::shell
