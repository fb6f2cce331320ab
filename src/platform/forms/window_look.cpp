// SPDX-License-Identifier: MIT
#include "platform/forms/window_look.h"

#include <QRect>
#include <QScreen>
#include <QWidget>

namespace platform {

QFont 窗体字体() {
    QFont 字体(QStringLiteral("Tahoma"));
    字体.setPointSizeF(8.25);
    return 字体;
}

void 移到屏幕中央(QWidget& 窗口) {
    if (const QScreen* 屏幕 = 窗口.screen()) {
        QRect 位置 = 窗口.frameGeometry();
        位置.moveCenter(屏幕->availableGeometry().center());
        窗口.move(位置.topLeft());
    }
}

}  // namespace platform
