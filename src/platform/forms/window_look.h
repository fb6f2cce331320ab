// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace platform {

// The program's title: the caption of the main window, of its message boxes and of the update
// question. Header-only, so that the update library shares it without linking this library.
inline QString 应用程序标题() {
    return QStringLiteral("Quillet-4862");
}

// The font of the program's own windows (the main window, the editor, the desktop notes):
// Tahoma at 8.25 points, or what the system offers in its place.
QFont 窗体字体();

// Moves a window, before it is first shown, so that its frame sits in the middle of the
// available area of its screen.
void 移到屏幕中央(QWidget& 窗口);

}  // namespace platform
