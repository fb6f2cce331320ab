// SPDX-License-Identifier: MIT
#include "platform/hotkey/global_shortcut.h"

#include "platform/hotkey/key_codes.h"
#include "platform/log/log.h"

#include <QAbstractNativeEventFilter>
#include <QChar>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeySequence>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

namespace {

// Keysyms of the keys that are not characters (X11/keysymdef.h).
constexpr 按键代码::对照<xcb_keysym_t> 特殊键[] = {
    {Qt::Key_Escape, 0xff1b}, {Qt::Key_Tab, 0xff09},      {Qt::Key_Backspace, 0xff08},
    {Qt::Key_Return, 0xff0d}, {Qt::Key_Enter, 0xff8d},    {Qt::Key_Insert, 0xff63},
    {Qt::Key_Delete, 0xffff}, {Qt::Key_Pause, 0xff13},    {Qt::Key_Print, 0xff61},
    {Qt::Key_Home, 0xff50},   {Qt::Key_End, 0xff57},      {Qt::Key_Left, 0xff51},
    {Qt::Key_Up, 0xff52},     {Qt::Key_Right, 0xff53},    {Qt::Key_Down, 0xff54},
    {Qt::Key_PageUp, 0xff55}, {Qt::Key_PageDown, 0xff56},
};
constexpr 按键代码::修饰对照<uint16_t> 修饰键[] = {
    {Qt::ShiftModifier, XCB_MOD_MASK_SHIFT},
    {Qt::ControlModifier, XCB_MOD_MASK_CONTROL},
    {Qt::AltModifier, XCB_MOD_MASK_1},
    {Qt::MetaModifier, XCB_MOD_MASK_4},
};
constexpr xcb_keysym_t 键符_F1 = 0xffbe;
constexpr xcb_keysym_t 键符_NumLock = 0xff7f;
constexpr xcb_keysym_t 键符_ScrollLock = 0xff14;

// The keysym of a Qt key; 0 for a key without one here.
xcb_keysym_t 键符(Qt::Key 键) {
    if (键 >= Qt::Key_Space && 键 <= Qt::Key_ydiaeresis) {
        // Letters are grabbed by their unshifted keysym, as the keyboard map lists them first.
        return QChar(static_cast<char16_t>(键)).toLower().unicode();
    }
    if (键 >= Qt::Key_F1 && 键 <= Qt::Key_F35) {
        return 键符_F1 + static_cast<xcb_keysym_t>(键 - Qt::Key_F1);
    }
    return 按键代码::查找(特殊键, 键);
}

using 键盘表 = std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)>;

// The key codes that produce a keysym on this keyboard.
std::vector<xcb_keycode_t> 键码(xcb_key_symbols_t* 表, xcb_keysym_t 键符值) {
    std::vector<xcb_keycode_t> 结果;
    if (xcb_keycode_t* 码 = xcb_key_symbols_get_keycode(表, 键符值)) {
        for (const xcb_keycode_t* 一个 = 码; *一个 != XCB_NO_SYMBOL; ++一个) {
            结果.push_back(*一个);
        }
        std::free(码);
    }
    return 结果;
}

// The modifier bit that a lock key sets (Num Lock is usually Mod2); 0 when it sets none.
uint16_t 锁定键掩码(xcb_connection_t* 连接, xcb_key_symbols_t* 表, xcb_keysym_t 键符值) {
    const std::vector<xcb_keycode_t> 码 = 键码(表, 键符值);
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> 映射(
        xcb_get_modifier_mapping_reply(连接, xcb_get_modifier_mapping(连接), nullptr), &std::free);
    if (!映射 || 码.empty()) {
        return 0;
    }
    const xcb_keycode_t* 表项 = xcb_get_modifier_mapping_keycodes(映射.get());
    const int 每组 = 映射->keycodes_per_modifier;
    for (int 修饰 = 0; 修饰 < 8; ++修饰) {
        for (int i = 0; i < 每组; ++i) {
            for (const xcb_keycode_t 一个 : 码) {
                if (一个 != 0 && 表项[修饰 * 每组 + i] == 一个) {
                    return static_cast<uint16_t>(1U << 修饰);
                }
            }
        }
    }
    return 0;
}

// The program's connection to the X server; nothing on another window system (the offscreen
// one may answer to the X11 interface, without a connection).
xcb_connection_t* X连接() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

}  // namespace

struct 全局快捷键::实现 : QAbstractNativeEventFilter {
    std::function<void()> 动作;
    xcb_connection_t* 连接 = nullptr;
    std::vector<xcb_window_t> 根窗口;
    std::vector<xcb_keycode_t> 键码表;  // held when not empty
    std::vector<uint16_t> 锁定组合;     // every combination of the lock keys' bits, 0 first
    uint16_t 修饰 = 0;
    uint16_t 锁定掩码 = 0;
    bool 按住 = false;
    xcb_timestamp_t 松开时间 = 0;

    void 放开() {
        if (!连接 || 键码表.empty()) {
            键码表.clear();
            return;
        }
        for (const xcb_window_t 根 : 根窗口) {
            for (const xcb_keycode_t 码 : 键码表) {
                for (const uint16_t 锁定 : 锁定组合) {
                    xcb_ungrab_key(连接, 码, 根, 修饰 | 锁定);
                }
            }
        }
        xcb_flush(连接);
        键码表.clear();
    }

    bool nativeEventFilter(const QByteArray& 类型, void* 消息, qintptr*) override {
        if (键码表.empty() || 类型 != "xcb_generic_event_t") {
            return false;
        }
        const auto* 事件 = static_cast<const xcb_generic_event_t*>(消息);
        const uint8_t 种类 = 事件->response_type & 0x7f;
        if (种类 != XCB_KEY_PRESS && 种类 != XCB_KEY_RELEASE) {
            return false;
        }
        // Press and release events share one layout.
        const auto* 键 = reinterpret_cast<const xcb_key_press_event_t*>(事件);
        if (std::find(键码表.begin(), 键码表.end(), 键->detail) == 键码表.end() ||
            std::find(根窗口.begin(), 根窗口.end(), 键->event) == 根窗口.end()) {
            return false;
        }
        if (种类 == XCB_KEY_RELEASE) {
            按住 = false;
            松开时间 = 键->time;
            return false;
        }
        if ((键->state & ~锁定掩码 & 0xff) != 修饰) {
            return false;
        }
        // A key held down repeats either as presses alone or as release-press pairs that share
        // their time; only the first press counts.
        const bool 重复 = 按住 || 键->time == 松开时间;
        按住 = true;
        if (!重复 && 动作) {
            动作();
        }
        // Qt goes on to take the press's time as the user's latest action, so that a window the
        // action opens may take the focus from the program the user was in.
        return false;
    }
};

bool 全局快捷键::可用() {
    return X连接() != nullptr;
}

全局快捷键::全局快捷键(std::function<void()> 动作) : 实现_(std::make_unique<实现>()) {
    实现_->动作 = std::move(动作);
    实现_->连接 = X连接();
    if (实现_->连接) {
        for (auto 屏 = xcb_setup_roots_iterator(xcb_get_setup(实现_->连接)); 屏.rem;
             xcb_screen_next(&屏)) {
            实现_->根窗口.push_back(屏.data->root);
        }
        QCoreApplication::instance()->installNativeEventFilter(实现_.get());
    }
}

全局快捷键::~全局快捷键() {
    注销();
    if (QCoreApplication::instance() && 实现_->连接) {
        QCoreApplication::instance()->removeNativeEventFilter(实现_.get());
    }
}

void 全局快捷键::注销() {
    实现_->放开();
}

全局快捷键::结果 全局快捷键::登记(QKeyCombination 键) {
    注销();
    xcb_connection_t* 连接 = 实现_->连接;
    if (!连接) {
        return 结果::失败;
    }
    const xcb_keysym_t 键符值 = 键符(键.key());
    键盘表 表(xcb_key_symbols_alloc(连接), &xcb_key_symbols_free);
    if (!表) {
        return 结果::失败;
    }
    std::vector<xcb_keycode_t> 码 = 键符值 ? 键码(表.get(), 键符值) : std::vector<xcb_keycode_t>{};
    if (码.empty()) {
        return 结果::不支持此键;
    }
    // Caps Lock, Num Lock and Scroll Lock each add a modifier bit to a press: the key is grabbed
    // with every combination of them.
    const uint16_t 锁定键[] = {XCB_MOD_MASK_LOCK, 锁定键掩码(连接, 表.get(), 键符_NumLock),
                               锁定键掩码(连接, 表.get(), 键符_ScrollLock)};
    实现_->锁定组合 = {0};
    实现_->锁定掩码 = 0;
    for (const uint16_t 掩码 : 锁定键) {
        if (掩码 == 0 || (实现_->锁定掩码 & 掩码)) {
            continue;
        }
        实现_->锁定掩码 |= 掩码;
        const std::size_t 已有 = 实现_->锁定组合.size();
        for (std::size_t i = 0; i < 已有; ++i) {
            实现_->锁定组合.push_back(实现_->锁定组合[i] | 掩码);
        }
    }
    实现_->修饰 = 按键代码::修饰位(修饰键, 键.keyboardModifiers());
    实现_->键码表 = std::move(码);
    实现_->按住 = false;

    std::vector<xcb_void_cookie_t> 请求;
    for (const xcb_window_t 根 : 实现_->根窗口) {
        for (const xcb_keycode_t 一个 : 实现_->键码表) {
            for (const uint16_t 锁定 : 实现_->锁定组合) {
                请求.push_back(xcb_grab_key_checked(连接, 0, 根, 实现_->修饰 | 锁定, 一个,
                                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            }
        }
    }
    结果 结论 = 结果::已登记;
    for (const xcb_void_cookie_t& 一个 : 请求) {
        if (xcb_generic_error_t* 错误 = xcb_request_check(连接, 一个)) {
            if (结论 == 结果::已登记) {
                结论 = 错误->error_code == XCB_ACCESS ? 结果::已被占用 : 结果::失败;
                qCWarning(lcHotkey, "the X server refused the grab of %s: error %u",
                          qUtf8Printable(QKeySequence(键).toString(QKeySequence::PortableText)),
                          unsigned{错误->error_code});
            }
            std::free(错误);
        }
    }
    if (结论 != 结果::已登记) {
        // Half a grab would work only with some lock keys on: none is kept.
        实现_->放开();
    }
    return 结论;
}

}  // namespace platform
