// SPDX-License-Identifier: MIT
#pragma once

// The program's logging categories. Errors that are deliberately not shown to the user are
// logged here with qCWarning, saying what failed and why; QT_LOGGING_RULES selects them
// ("quillet.*.debug=true").
#include <QLoggingCategory>
#include <QString>

#include <source_location>
#include <utility>

Q_DECLARE_LOGGING_CATEGORY(lcRegistry)  // quillet.registry: registry store, log-on start entries
Q_DECLARE_LOGGING_CATEGORY(lcControls)  // quillet.controls: list, web pane, tray, pickers
Q_DECLARE_LOGGING_CATEGORY(lcShell)     // quillet.shell: opening addresses
Q_DECLARE_LOGGING_CATEGORY(lcStore)     // quillet.store: note statements and the shared database
Q_DECLARE_LOGGING_CATEGORY(lcServices)  // quillet.services: registry module, update bridge, About
Q_DECLARE_LOGGING_CATEGORY(lcEditor)    // quillet.editor: the note editor
Q_DECLARE_LOGGING_CATEGORY(lcMain)      // quillet.main: main window, list, tray, commands
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)    // quillet.update: the update library
Q_DECLARE_LOGGING_CATEGORY(lcStartup)   // quillet.startup: Qt's catalogue, one program per database
Q_DECLARE_LOGGING_CATEGORY(lcHotkey)    // quillet.hotkey: global shortcuts

namespace platform::log {

// What the exception being handled says, for a log line: the text of a standard exception (the
// database engine's errors are ones), or that its type is unknown. Call it only in a catch block.
QString 异常说明();

// A logging category as Q_DECLARE_LOGGING_CATEGORY declares it: lcMain, lcControls, ...
using 类别 = const QLoggingCategory& (*)();

// Logs the exception being handled as a warning under 所在: where the boundary is, what failed
// ("closing the database failed"), and what the exception says. Call it only in a catch block.
void 记录异常(类别 所在, const char* 失败, const std::source_location& 位置);

// An exception boundary: runs 做; an exception it lets out ends here and is logged (记录异常).
// For handlers that Qt's event dispatch calls, which cannot carry an exception, and for steps of
// a procedure that goes on whatever fails. Returns whether 做 ran to its end.
template <typename 动作>
bool 异常边界(类别 所在, const char* 失败, 动作&& 做,
              const std::source_location 位置 = std::source_location::current()) {
    try {
        std::forward<动作>(做)();
        return true;
    } catch (...) {
        记录异常(所在, 失败, 位置);
        return false;
    }
}

// The text with every control character written as an escape (\n, \t, \x1b, \u2028): what
// came from the network, a file or the database can neither move a terminal's cursor, colour
// its text nor forge a line of the log.
QString 转义控制字符(QStringView 文字);

// Makes every message of the program and of Qt pass through 转义控制字符 before the message
// handler in place so far writes it. Called once, at start.
void 转义全部日志();

}  // namespace platform::log
