// SPDX-License-Identifier: MIT
#include "platform/forms/layouts.h"

#include <QLayout>
#include <QWidget>

namespace platform {

void 可缩至零(QWidget* 控件) {
    控件->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    控件->setMinimumSize(0, 0);
}

void 最小化时冻结(QLayout& 布局, bool 已最小化) {
    布局.setEnabled(!已最小化);
    if (!已最小化) {
        布局.invalidate();
        布局.activate();
    }
}

}  // namespace platform
