// SPDX-License-Identifier: MIT
#include "main_window/menu_style.h"

#include "platform/controls/colour.h"
#include "platform/controls/shared_icon.h"

#include <QAction>
#include <QMenu>

namespace {

QString 颜色(std::int32_t 值) {
    return platform::controls::转为颜色(值).name(QColor::HexRgb);
}

QString 字体(const 菜单样式设置& 设置) {
    return QStringLiteral("font-family: \"%1\"; font-size: %2pt; font-weight: %3;")
        .arg(设置.字体名)
        .arg(设置.字号)
        .arg(设置.粗体 ? QStringLiteral("bold") : QStringLiteral("normal"));
}

void 应用到菜单(const 菜单样式设置& 设置, QMenu* 菜单, int& 数量) {
    for (QAction* 项 : 菜单->actions()) {
        if (项->menu()) {
            应用到菜单(设置, 项->menu(), 数量);
        }
        for (const auto& 图像 : 设置.图像表) {
            if (!项->objectName().isEmpty() && 项->objectName() == 图像.键) {
                项->setIcon(platform::controls::共享图标(图像.图像));
                ++数量;
            }
        }
    }
}

}  // namespace

const 菜单样式设置& 主菜单样式() {
    static const 菜单样式设置 设置;
    return 设置;
}

QString 生成菜单样式表(const 菜单样式设置& 设置) {
    const QString 弹出背景 = 设置.userusegradient
                                 ? QStringLiteral(
                                       "qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 %1, "
                                       "stop:1 %2)")
                                       .arg(颜色(设置.usergradientone), 颜色(设置.usergradienttwo))
                                 : 颜色(设置.usergradientone);
    QString 表;
    表 += QStringLiteral("QMenuBar { background-color: %1; %2 }\n")
              .arg(颜色(设置.usertopmenubackcolour), 字体(设置));
    表 += QStringLiteral(
        "QMenuBar::item { background: transparent; padding: 2px 7px; "
        "border: 1px solid transparent; }\n");
    表 +=
        QStringLiteral("QMenuBar::item:selected { background-color: %1; border: 1px solid %2; }\n")
            .arg(颜色(设置.usertopmenuhotcolour), 颜色(设置.usertopmenuhotbordercolour));
    表 += QStringLiteral("QMenuBar::item:pressed { background-color: %1; border: 1px solid %2; }\n")
              .arg(颜色(设置.usertopmenuselectedcolour), 颜色(设置.usermenubordercolour));
    表 += QStringLiteral(
              "QMenu { background: %1; border: 1px solid %2; border-left: 4px solid %3; "
              "%4 }\n")
              .arg(弹出背景, 颜色(设置.usermenubordercolour), 颜色(设置.usersidebarcolour),
                   字体(设置));
    表 += QStringLiteral(
        "QMenu::item { color: #000000; padding: 3px 24px 3px 26px; "
        "border: 1px solid transparent; }\n");
    表 += QStringLiteral(
              "QMenu::item:selected { background-color: %1; border: 1px solid %2; color: %3; "
              "}\n")
              .arg(颜色(设置.userselectedmenubackcolour), 颜色(设置.userselectedmenubordercolour),
                   颜色(设置.userselecteditemforecolour));
    表 += QStringLiteral("QMenu::item:disabled { color: #808080; }\n");
    表 += QStringLiteral("QMenu::separator { height: 1px; background: %1; margin: 3px 4px; }\n")
              .arg(颜色(设置.usermenubordercolour));
    表 += QStringLiteral("QMenu::icon { padding-left: 4px; }\n");
    表 += QStringLiteral("QMenu::indicator { width: 13px; height: 13px; left: 5px; }\n");
    表 += QStringLiteral(
              "QMenu::indicator:checked { background-color: %1; border: 1px solid %2; "
              "image: url(:/menu-check.svg); }\n")
              .arg(颜色(设置.usercheckbackcolour), 颜色(设置.usercheckbordercolour));
    return 表;
}

void 显示前应用样式表(QMenu* 菜单, const QString& 样式表) {
    QObject::connect(
        菜单, &QMenu::aboutToShow, 菜单, [菜单, 样式表] { 菜单->setStyleSheet(样式表); },
        Qt::SingleShotConnection);
}

int 应用项目图像(const 菜单样式设置& 设置, const QList<QMenu*>& 菜单) {
    int 数量 = 0;
    for (QMenu* 一个 : 菜单) {
        应用到菜单(设置, 一个, 数量);
    }
    return 数量;
}
