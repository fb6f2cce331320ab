// SPDX-License-Identifier: MIT
#include "platform/startup/quit_signal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>

#ifndef Q_OS_WIN
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#endif

namespace platform::startup {

#ifndef Q_OS_WIN
namespace {

int 管道[2] = {-1, -1};

extern "C" void 收到信号(int) {
    const char 字节 = 1;
    // Only async-signal-safe work here: one byte into the socket, read by the event loop.
    [[maybe_unused]] const auto 结果 = ::write(管道[0], &字节, 1);
}

}  // namespace

bool 安装退出信号() {
    if (管道[0] != -1) {
        return true;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, 管道) != 0) {
        return false;
    }
    for (int 端 : 管道) {
        ::fcntl(端, F_SETFD, FD_CLOEXEC);
        ::fcntl(端, F_SETFL, ::fcntl(端, F_GETFL) | O_NONBLOCK);
    }
    auto* 通知 = new QSocketNotifier(管道[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(通知, &QSocketNotifier::activated, 通知, [] {
        char 缓冲[16];
        while (::read(管道[1], 缓冲, sizeof 缓冲) > 0) {
        }
        QCoreApplication::quit();
        // Before the program's event loop runs quit() does nothing, and a message shown at
        // start-up (the database cannot be opened) waits in a loop of its own: the message is
        // dismissed, so that start-up returns and the process ends.
        if (auto* 对话框 = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            对话框->reject();
        }
    });
    struct sigaction 动作 {};
    动作.sa_handler = 收到信号;
    sigemptyset(&动作.sa_mask);
    动作.sa_flags = SA_RESTART;
    for (int 信号 : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(信号, &动作, nullptr);
    }
    return true;
}
#else
bool 安装退出信号() {
    return false;
}
#endif

}  // namespace platform::startup
