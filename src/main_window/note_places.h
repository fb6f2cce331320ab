// SPDX-License-Identifier: MIT
#pragma once

// 工具 → 记住便签位置: when it is on, every desktop note window opens again where the user last
// put it, with the size last given, moved onto a screen that exists now. The switch and the
// places live in the program's settings store (registry stand-in), the places under a key of
// their own for each note database, one value per note id: "x,y,width,height" in
// device-independent pixels. Off, the note windows open where the window system puts them.

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class Form_Quillet;

namespace 便签位置 {

// The rectangle moved (and made smaller where it must) wholly onto one of the screens: the one
// it overlaps most, or the nearest when it overlaps none. Without screens it stays as it is.
QRect 夹到屏幕(const QRect& 位置, const QList<QRect>& 屏幕区域, QSize 最小尺寸);

// The stored text of a place and back; nothing for a text that is no sane place.
QString 文字(const QRect& 位置);
std::optional<QRect> 解析(const QString& 文字);

// Shared by the main window and the note windows it follows.
class 记录器 : public std::enable_shared_from_this<记录器> {
  public:
    explicit 记录器(const QString& 数据库路径);

    // Whether the window system lets the program place its windows at all.
    bool 可用() const;
    bool 已开启() const { return 已开启_; }
    // Stores the switch; false when the settings store refused it (nothing changed).
    bool 设置开启(bool 开启);

    // Called before a note window is first shown: puts it at its stored place (when on) and
    // follows the user's moves and resizes from then on.
    void 安放(Form_Quillet& 窗口);

    // The stored place of a note, as stored (not yet moved onto a screen).
    std::optional<QRect> 已存位置(const QString& 编号) const;
    void 存储位置(const QString& 编号, const QRect& 位置) const;

  private:
    QString 位置键_;
    bool 已开启_ = false;
};

}  // namespace 便签位置
