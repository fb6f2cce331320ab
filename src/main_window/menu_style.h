// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

class QMenu;

// The look of the main window's menus, kept as the stored settings the menus are drawn with
// (colours as 0x00BBGGRR values) and turned into a Qt style sheet.
struct 菜单样式设置 {
    QString 字体名 = QStringLiteral("宋体");
    double 字号 = 9;  // points
    bool 粗体 = false;

    std::int32_t userselectedmenubackcolour = 0x00C6FBFF;    // highlighted item background
    std::int32_t userselectedmenubordercolour = 0x00FF0000;  // highlighted item border
    std::int32_t usertopmenubackcolour = 0x00FFC3A5;         // menu bar background
    std::int32_t usertopmenuselectedcolour = 0x00FFE3C6;     // open menu-bar title
    std::int32_t usertopmenuhotcolour = 0x000080FF;          // menu-bar title under the mouse
    std::int32_t usertopmenuhotbordercolour = 0x00FF0000;
    std::int32_t usermenubordercolour = 0x00800000;  // popup frame
    std::int32_t usercheckbackcolour = 0x007BBAEF;   // check-mark box background
    std::int32_t usercheckbordercolour = 0x00FF0000;
    bool userusegradient = true;
    std::int32_t usergradientone = 0x00FFFFFF;
    std::int32_t usergradienttwo = 0x00FFC3A5;
    std::int32_t userselecteditemforecolour = 0x00004000;  // highlighted item text
    std::int32_t usersidebarcolour = 0x00FF0000;

    // Images drawn beside the items whose name equals the key.
    struct 项目图像 {
        QString 键;
        QString 图像;
    };
    std::vector<项目图像> 图像表 = {
        {QStringLiteral("文件_新建"), QStringLiteral(":/icons/note-new.svg")},
        {QStringLiteral("编辑_删除"), QStringLiteral(":/icons/note-delete.svg")},
        {QStringLiteral("编辑_修改"), QStringLiteral(":/icons/note-edit.svg")},
        {QStringLiteral("便签_新建"), QStringLiteral(":/icons/note-new.svg")},
    };
};

// The settings of the main window's menus.
const 菜单样式设置& 主菜单样式();

// The style sheet for a menu bar and its menus drawn with these settings.
QString 生成菜单样式表(const 菜单样式设置& 设置);

// Gives a pop-up menu the style sheet when it is first about to show: polishing a menu with a
// sheet costs a few million instructions at start-up, and most of these menus are never opened
// in a session. The sheet is in place before the menu measures its items, so it looks the same.
void 显示前应用样式表(QMenu* 菜单, const QString& 样式表);

// Gives every item of these menus (and their submenus) whose name equals an image key that
// image; returns how many items got one.
int 应用项目图像(const 菜单样式设置& 设置, const QList<QMenu*>& 菜单);
