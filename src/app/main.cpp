// SPDX-License-Identifier: MIT
#include "main_window/main_form.h"
#include "platform/log/log.h"
#include "platform/startup/process_memory.h"
#include "platform/startup/qt_translation.h"
#include "platform/startup/quit_signal.h"
#include "platform/startup/single_instance.h"
#include "store/globals.h"

#include <QApplication>
#include <QPointer>

int main(int argc, char** argv) {
    platform::startup::只用一个内存池();
    // Log lines carry texts from the network and the database: none reaches the terminal raw.
    platform::log::转义全部日志();
    QApplication 程序(argc, argv);
    // The application name is also the class in the windows' WM_CLASS on X11, which the desktop
    // entry names in StartupWMClass; on Wayland the windows carry the entry's id.
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setDesktopFileName(QStringLiteral(QUILLET_APP_ID));
    // No display name is set: the window system would append it to every window's caption,
    // and captions such as the exit question's "确定退出" are shown exactly as they are.
    // The program lives in the tray: closing its windows never ends it, the exit command does.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::startup::安装退出信号();
    platform::startup::装入Qt中文翻译();

    主窗体启动选项 选项;
    选项.参数 = QApplication::arguments().mid(1);
    // One program per note database: a later start hands its arguments over and ends.
    const QString 数据库 = 自定义变量::数据库路径(QCoreApplication::applicationDirPath());
    platform::startup::单一程序 单一程序(数据库);
    switch (单一程序.启动(选项.参数)) {
        case platform::startup::单一程序::结果::已转交:
            return 0;
        case platform::startup::单一程序::结果::无应答:
            Form_Main::报告程序无应答(数据库);
            return 1;
        case platform::startup::单一程序::结果::无法加锁:
            Form_Main::报告无法加锁(数据库, 单一程序.锁文件());
            return 1;
        case platform::startup::单一程序::结果::首个:
            break;
    }
    QPointer<Form_Main> 主窗口 = new Form_Main(选项);
    if (const int 状态 = 主窗口->Form_Load(); 状态 != 0) {
        return 状态;
    }
    单一程序.设置接收([主窗口](const QStringList& 参数) {
        if (主窗口) {
            主窗口->再次启动(参数);
        }
    });
    const int 结果 = QApplication::exec();
    // Windows closed by the exit sequence are deleted here, before the application object goes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete 主窗口.data();
    return 结果;
}
