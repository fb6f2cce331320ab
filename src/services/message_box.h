// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QMessageBox>
#include <QString>

#include <initializer_list>

class QWidget;
namespace dao {
class Error;
}

// The program's icon, one for the program's life: its windows and boxes share its pictures.
QIcon 程序图标();

// The program's message boxes: an icon, the application title as caption, the program's icon.
namespace 消息 {

// A button of a box: a standard button, with its own caption when one is given.
struct 按钮 {
    QMessageBox::StandardButton 键;
    QString 文字;
};

// Shows a modal message box over 父窗口 (or on its own) and returns the button pressed. The first
// button is the default. When 父窗口 is destroyed while the box is open (the exit sequence closes
// every window), the box goes with it and the result is NoButton.
QMessageBox::StandardButton 显示(QWidget* 父窗口, QMessageBox::Icon 图标, const QString& 文字,
                                 std::initializer_list<按钮> 按钮表 = {{QMessageBox::Ok, {}}});

// Tells the user that a command failed on the note database: 经过 says what failed and what was
// kept, then why in the user's words, then the engine's own number and text.
void 数据库错误(QWidget* 父窗口, const QString& 经过, const dao::Error& 错误);

}  // namespace 消息
