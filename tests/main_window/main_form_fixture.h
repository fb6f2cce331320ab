// SPDX-License-Identifier: MIT
#pragma once

// A main window started against a fresh note database in a temporary folder, and helpers to
// answer the message boxes it shows.

#include "main_window/main_form.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdint>
#include <vector>

class Form_Quillet;
class Form_添加便签;

namespace 测试 {

struct 便签 {
    QString 内容;
    std::int32_t 背景 = 0x00C0FFFF;
    std::int32_t 字色 = 0x00000000;
};

// A temporary program folder with an empty note database in it.
class 程序目录 {
  public:
    程序目录();
    bool 有效() const { return 有效_; }
    QString 路径() const { return 目录_.path(); }
    QString 数据库() const { return 目录_.filePath(QStringLiteral("Quillet.mdb")); }
    // Adds notes straight into the database file; returns their ids.
    std::vector<int> 添加(const std::vector<便签>& 便签表) const;
    // How many notes the table holds, read through a connection of its own.
    int 便签数() const;

  private:
    QTemporaryDir 目录_;
    bool 有效_ = false;
};

// Creates a main window for the folder; the tray counts as present unless told otherwise.
// The update check is replaced by a recorder so no library is loaded.
Form_Main* 新主窗口(const 程序目录& 目录, QStringList 参数 = {}, bool 有托盘 = true);

// Deletes every window of the program and closes the database, so the next test starts clean.
void 清理();

// The desktop note windows that are loaded, in load order.
std::vector<Form_Quillet*> 便签窗口();
std::vector<Form_添加便签*> 编辑器窗口();

// Answers the next message box with a button and records what it showed.
class 消息框应答 {
  public:
    explicit 消息框应答(QMessageBox::StandardButton 按钮);
    ~消息框应答();
    int 次数 = 0;
    QString 标题;
    QString 文字;
    QMessageBox::Icon 图标 = QMessageBox::NoIcon;
    QList<qint64> 窗口图标键;  // of every box answered

  private:
    QTimer 计时器_;
};

}  // namespace 测试
