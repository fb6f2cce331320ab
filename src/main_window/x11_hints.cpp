#include "main_window/x11_hints.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(Q_OS_UNIX) && QT_CONFIG(xcb)
#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#endif

namespace x11 {

#if defined(Q_OS_UNIX) && QT_CONFIG(xcb)
namespace {

// The few X protocol calls needed, taken from the X library that the window system plugin has
// already loaded (the program does not link against it).
struct 序号 {
    unsigned int sequence;
};
struct 属性回复头 {
    std::uint8_t response_type;
    std::uint8_t format;
    std::uint16_t sequence;
    std::uint32_t length;
    std::uint32_t type;
    std::uint32_t bytes_after;
    std::uint32_t value_len;
    std::uint8_t pad0[12];
};
using 取属性 = 序号 (*)(void*, std::uint8_t, std::uint32_t, std::uint32_t, std::uint32_t,
                        std::uint32_t, std::uint32_t);
using 取回复 = void* (*)(void*, 序号, void**);
using 取值 = void* (*)(const void*);
using 改属性 = 序号 (*)(void*, std::uint8_t, std::uint32_t, std::uint32_t, std::uint32_t,
                        std::uint8_t, std::uint32_t, const void*);
using 刷新 = int (*)(void*);

constexpr std::uint32_t WM_HINTS = 35;       // predefined atom, also the property's type
constexpr std::uint32_t 状态标志 = 1u << 1;  // StateHint
constexpr std::uint32_t 正常状态 = 1;        // NormalState
constexpr int 字段数 = 9;

}  // namespace

void 恢复正常初始状态(QWidget* 窗口) {
    auto* 本机 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!本机 || !本机->connection() || !窗口->testAttribute(Qt::WA_WState_Created)) {
        return;
    }
    void* 库 = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (!库) {
        return;
    }
    auto 取 = reinterpret_cast<取属性>(::dlsym(库, "xcb_get_property"));
    auto 回复 = reinterpret_cast<取回复>(::dlsym(库, "xcb_get_property_reply"));
    auto 值 = reinterpret_cast<取值>(::dlsym(库, "xcb_get_property_value"));
    auto 改 = reinterpret_cast<改属性>(::dlsym(库, "xcb_change_property"));
    auto 送出 = reinterpret_cast<刷新>(::dlsym(库, "xcb_flush"));
    if (取 && 回复 && 值 && 改 && 送出) {
        void* 连接 = 本机->connection();
        const auto 窗口号 = static_cast<std::uint32_t>(窗口->winId());
        std::uint32_t 提示[字段数] = {};
        if (void* 结果 = 回复(连接, 取(连接, 0, 窗口号, WM_HINTS, WM_HINTS, 0, 字段数), nullptr)) {
            const auto* 头 = static_cast<const 属性回复头*>(结果);
            if (头->format == 32) {
                const auto 个数 = std::min<std::uint32_t>(头->value_len, 字段数);
                std::memcpy(提示, 值(结果), 个数 * sizeof(std::uint32_t));
            }
            std::free(结果);
        }
        提示[0] |= 状态标志;
        提示[2] = 正常状态;
        改(连接, 0, 窗口号, WM_HINTS, WM_HINTS, 32, 字段数, 提示);
        送出(连接);
    }
    ::dlclose(库);
}
#else
void 恢复正常初始状态(QWidget*) {}
#endif

}  // namespace x11
