// SPDX-License-Identifier: MIT
#include "editor/editor_companion.h"

#include <QComboBox>

Class_添加便签::Class_添加便签() {
    透明度选项 << QStringLiteral("不透明");
    for (int 百分比 = 10; 百分比 <= 90; 百分比 += 10) {
        透明度选项 << QStringLiteral("%1%透明").arg(百分比);
    }
}

void Class_添加便签::初始化界面(QComboBox& 列表) const {
    for (const QString& 选项 : 透明度选项) {
        列表.addItem(选项);
    }
    列表.setCurrentIndex(2);
}
