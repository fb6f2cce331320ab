// SPDX-License-Identifier: MIT
#include "platform/hotkey/global_shortcut.h"

#include "platform/hotkey/key_codes.h"
#include "platform/log/log.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeySequence>

#include <windows.h>

#include <utility>

namespace platform {

namespace {

// Virtual-key codes of the keys that are neither letters, digits nor function keys.
constexpr 按键代码::对照<UINT> 特殊键[] = {
    {Qt::Key_Space, VK_SPACE},    {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Insert, VK_INSERT},  {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_Print, VK_SNAPSHOT}, {Qt::Key_Home, VK_HOME},     {Qt::Key_End, VK_END},
    {Qt::Key_Left, VK_LEFT},      {Qt::Key_Up, VK_UP},         {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},      {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT},
};

// The virtual-key code of a Qt key; 0 for a key without one here.
UINT 虚拟键(Qt::Key 键) {
    if ((键 >= Qt::Key_A && 键 <= Qt::Key_Z) || (键 >= Qt::Key_0 && 键 <= Qt::Key_9)) {
        return static_cast<UINT>(键);  // the codes of 'A'..'Z' and '0'..'9'
    }
    if (键 >= Qt::Key_F1 && 键 <= Qt::Key_F24) {
        return VK_F1 + static_cast<UINT>(键 - Qt::Key_F1);
    }
    return 按键代码::查找(特殊键, 键);
}

constexpr 按键代码::修饰对照<UINT> 修饰键[] = {
    {Qt::ShiftModifier, MOD_SHIFT},
    {Qt::ControlModifier, MOD_CONTROL},
    {Qt::AltModifier, MOD_ALT},
    {Qt::MetaModifier, MOD_WIN},
};

// Ids of the program's own hot keys lie between 0x0000 and 0xBFFF.
int 下一个编号 = 0;

}  // namespace

struct 全局快捷键::实现 : QAbstractNativeEventFilter {
    std::function<void()> 动作;
    int 编号 = 0;
    bool 已登记 = false;

    bool nativeEventFilter(const QByteArray& 类型, void* 消息, qintptr*) override {
        if (!已登记 || 类型 != "windows_generic_MSG") {
            return false;
        }
        // Registered without a window, the hot key arrives as a message to the thread.
        const MSG* 信息 = static_cast<const MSG*>(消息);
        if (信息->message != WM_HOTKEY || 信息->wParam != static_cast<WPARAM>(编号)) {
            return false;
        }
        if (动作) {
            动作();
        }
        return true;
    }
};

bool 全局快捷键::可用() {
    // Only on the desktop itself: a program drawn elsewhere (the offscreen platform of the tests)
    // must not take the user's keys.
    return QGuiApplication::platformName() == QLatin1String("windows");
}

全局快捷键::全局快捷键(std::function<void()> 动作) : 实现_(std::make_unique<实现>()) {
    实现_->动作 = std::move(动作);
    实现_->编号 = ++下一个编号;
    QCoreApplication::instance()->installNativeEventFilter(实现_.get());
}

全局快捷键::~全局快捷键() {
    注销();
    if (QCoreApplication::instance()) {
        QCoreApplication::instance()->removeNativeEventFilter(实现_.get());
    }
}

void 全局快捷键::注销() {
    if (实现_->已登记) {
        if (!UnregisterHotKey(nullptr, 实现_->编号)) {
            qCWarning(lcHotkey, "releasing hot key %d failed: error %lu", 实现_->编号,
                      GetLastError());
        }
        实现_->已登记 = false;
    }
}

全局快捷键::结果 全局快捷键::登记(QKeyCombination 键) {
    注销();
    const UINT 键码 = 虚拟键(键.key());
    if (键码 == 0) {
        return 结果::不支持此键;
    }
    // A key held down registers one press, not its auto-repeat.
    const UINT 修饰 = MOD_NOREPEAT | 按键代码::修饰位(修饰键, 键.keyboardModifiers());
    if (!RegisterHotKey(nullptr, 实现_->编号, 修饰, 键码)) {
        const DWORD 错误 = GetLastError();
        qCWarning(lcHotkey, "registering the hot key %s failed: error %lu",
                  qUtf8Printable(QKeySequence(键).toString(QKeySequence::PortableText)), 错误);
        return 错误 == ERROR_HOTKEY_ALREADY_REGISTERED ? 结果::已被占用 : 结果::失败;
    }
    实现_->已登记 = true;
    return 结果::已登记;
}

}  // namespace platform
