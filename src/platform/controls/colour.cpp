// SPDX-License-Identifier: MIT
#include "platform/controls/colour.h"

#include <QGuiApplication>

namespace platform::controls {

QPalette::ColorRole 系统颜色角色(int 索引) {
    switch (索引) {
        case 0x05:
            return QPalette::Base;  // window background
        case 0x08:
            return QPalette::Text;  // window text
        case 0x0F:
            return QPalette::Button;  // button face
        case 0x12:
            return QPalette::ButtonText;  // button text
        case 0x0D:
            return QPalette::Highlight;
        case 0x0E:
            return QPalette::HighlightedText;
        default:
            return QPalette::NoRole;
    }
}

QColor 转为颜色(std::int32_t 值) {
    const auto 位 = static_cast<std::uint32_t>(值);
    if (值 & 系统颜色标志) {
        const QPalette::ColorRole 角色 = 系统颜色角色(static_cast<int>(位 & 0xFFu));
        return 角色 == QPalette::NoRole ? QColor(Qt::black)
                                        : QGuiApplication::palette().color(角色);
    }
    return QColor(static_cast<int>(位 & 0xFFu), static_cast<int>((位 >> 8) & 0xFFu),
                  static_cast<int>((位 >> 16) & 0xFFu));
}

std::int32_t 转为颜色值(const QColor& 颜色) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(颜色.red()) |
                                     (static_cast<std::uint32_t>(颜色.green()) << 8) |
                                     (static_cast<std::uint32_t>(颜色.blue()) << 16));
}

}  // namespace platform::controls
