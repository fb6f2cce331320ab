// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

class QComboBox;

// Class_添加便签: the editor's companion; it knows the transparency choices. The position of a
// choice is its meaning: the stored transparency is the index times 10.
class Class_添加便签 {
  public:
    Class_添加便签();  // fills 透明度选项

    QStringList 透明度选项;

    // Adds the ten choices in order to the list and selects "20%透明".
    void 初始化界面(QComboBox& 列表) const;
};
