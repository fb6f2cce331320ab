#include "main_window/main_form.h"
#include "main_window/quit_signal.h"

#include <QApplication>
#include <QPointer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // All the program's work is done on the one user-interface thread; the few helper threads
    // (the X connection's reader, name lookups) need no memory pools of their own, each of
    // which would keep pages for the program's whole life.
    mallopt(M_ARENA_MAX, 1);
#endif
    QApplication 程序(argc, argv);
    // The application name is also the class in the windows' WM_CLASS on X11, which the desktop
    // entry names in StartupWMClass; on Wayland the windows carry the entry's id.
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setDesktopFileName(QStringLiteral(QUILLET_APP_ID));
    // No display name is set: the window system would append it to every window's caption,
    // and captions such as the exit question's "确定退出" are shown exactly as they are.
    // The program lives in the tray: closing its windows never ends it, the exit command does.
    QApplication::setQuitOnLastWindowClosed(false);
    退出信号::安装();

    主窗体启动选项 选项;
    选项.参数 = QApplication::arguments().mid(1);
    QPointer<Form_Main> 主窗口 = new Form_Main(选项);
    if (const int 状态 = 主窗口->Form_Load(); 状态 != 0) {
        return 状态;
    }
    const int 结果 = QApplication::exec();
    // Windows closed by the exit sequence are deleted here, before the application object goes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete 主窗口.data();
    return 结果;
}
