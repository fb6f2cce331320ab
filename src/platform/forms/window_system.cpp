// SPDX-License-Identifier: MIT
#include "platform/forms/window_system.h"

#include <QGuiApplication>

namespace platform {

bool 可以放置窗口() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace platform
