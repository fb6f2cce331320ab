// SPDX-License-Identifier: MIT
#pragma once

// Turning a Qt key combination into a window system's codes, by tables each system fills in.

#include <Qt>

#include <cstddef>

namespace platform::按键代码 {

template <class 代码>
struct 对照 {
    Qt::Key 键;
    代码 值;
};

// The code a table gives a key; 0 when it gives none.
template <class 代码, std::size_t N>
代码 查找(const 对照<代码> (&表)[N], Qt::Key 键) {
    for (const 对照<代码>& 一个 : 表) {
        if (一个.键 == 键) {
            return 一个.值;
        }
    }
    return 0;
}

template <class 代码>
struct 修饰对照 {
    Qt::KeyboardModifier 修饰;
    代码 位;
};

// The bits of the modifiers held.
template <class 代码, std::size_t N>
代码 修饰位(const 修饰对照<代码> (&表)[N], Qt::KeyboardModifiers 修饰) {
    代码 结果 = 0;
    for (const 修饰对照<代码>& 一个 : 表) {
        if (修饰 & 一个.修饰) {
            结果 |= 一个.位;
        }
    }
    return 结果;
}

}  // namespace platform::按键代码
