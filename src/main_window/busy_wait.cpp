// SPDX-License-Identifier: MIT
#include "main_window/busy_wait.h"

#include "platform/dao/dao.h"
#include "platform/forms/window_look.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

namespace 数据库等待 {

namespace {

// One wait at a time: a statement that waits blocks every other use of the database.
struct 等待状态 {
    QPointer<QProgressDialog> 提示;
    bool 指针已改 = false;
};

等待状态& 状态() {
    static 等待状态 当前;
    return 当前;
}

void 显示提示() {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    状态().指针已改 = true;
    auto* 提示 = new QProgressDialog(QStringLiteral("便签数据库正被另一个程序使用，正在等待……"),
                                     QStringLiteral("放弃等待"), 0, 0);
    提示->setObjectName(QStringLiteral("数据库等待提示"));
    提示->setWindowTitle(platform::应用程序标题());
    // Modal: no command can start while this one waits.
    提示->setWindowModality(Qt::ApplicationModal);
    提示->setMinimumDuration(0);
    提示->show();
    状态().提示 = 提示;
}

bool 等待(std::chrono::milliseconds 已等待) {
    等待状态& 当前 = 状态();
    // Its button, Esc or closing it gives up.
    const auto 已放弃 = [&] { return 当前.提示 && 当前.提示->wasCanceled(); };
    if (!当前.提示 && 已等待 >= 提示延迟) {
        显示提示();
    }
    if (已放弃()) {
        return false;
    }
    // Until the window is up, the user's input waits in the queue (no command may start);
    // after that it goes to the window, which is modal.
    QEventLoop 循环;
    QTimer::singleShot(5, &循环, &QEventLoop::quit);
    循环.exec(当前.提示 ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    return !已放弃();
}

void 结束() {
    等待状态& 当前 = 状态();
    delete 当前.提示.data();
    if (当前.指针已改) {
        QApplication::restoreOverrideCursor();
        当前.指针已改 = false;
    }
}

}  // namespace

void 安装() {
    dao::设置等待方式({&等待, &结束});
}

}  // namespace 数据库等待
