// SPDX-License-Identifier: MIT
#include "platform/forms/x11_hints.h"

#include <QGuiApplication>
#include <QWidget>

#if !defined(Q_OS_WIN) && QT_CONFIG(xcb)
#include <xcb/xcb_icccm.h>
#endif

namespace platform::x11 {

#if !defined(Q_OS_WIN) && QT_CONFIG(xcb)
void 恢复正常初始状态(QWidget* 窗口) {
    auto* 本机 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!本机 || !本机->connection() || !窗口->testAttribute(Qt::WA_WState_Created)) {
        return;
    }
    xcb_connection_t* 连接 = 本机->connection();
    const auto 窗口号 = static_cast<xcb_window_t>(窗口->winId());
    // The other hints (input, icon, group) stay as they are.
    xcb_icccm_wm_hints_t 提示{};
    if (!xcb_icccm_get_wm_hints_reply(连接, xcb_icccm_get_wm_hints(连接, 窗口号), &提示, nullptr)) {
        提示 = {};
    }
    xcb_icccm_wm_hints_set_normal(&提示);
    xcb_icccm_set_wm_hints(连接, 窗口号, &提示);
    xcb_flush(连接);
}
#else
void 恢复正常初始状态(QWidget*) {}
#endif

}  // namespace platform::x11
