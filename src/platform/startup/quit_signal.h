// SPDX-License-Identifier: MIT
#pragma once

// Lets a request from outside to stop the process (SIGTERM, SIGINT, SIGHUP on Unix) end the
// program in order: the request is turned into QCoreApplication::quit() on the event loop,
// where the main window ends the program as its exit command does, without a question. A message
// box shown before the event loop runs (a failed start) is ended too.
namespace platform::startup {

// Installs the handlers; call once, after the application object exists. Returns whether
// they are in place (always false on Windows, which has no such signals).
bool 安装退出信号();

}  // namespace platform::startup
