// SPDX-License-Identifier: MIT
#pragma once

#include "platform/dao/dao.h"
#include "store/deleted_notes.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform::controls {
class ListView;
}
class 便签菜单宿主;
class Form_Quillet;

// Class_主窗体: the controller behind the main window's note list. It sets up the five columns,
// fills one row per note, and keeps the desktop note windows in step with the rows' marks.
class Class_主窗体 {
  public:
    // ListView_Quillet is the main window's list, used directly by 刷新便签; the host opens the
    // note menu for the note windows this object creates.
    Class_主窗体(platform::controls::ListView& ListView_Quillet, 便签菜单宿主& 宿主);

    void 初始化界面(platform::controls::ListView& 列表);
    dao::Recordset 获取数据();
    void 刷新数据(platform::controls::ListView& 列表, dao::Recordset& 记录集);

    void 初始化便签显示(platform::controls::ListView& 列表);
    void 便签显示(platform::controls::ListView& 列表, int 行);
    void 刷新便签();
    // Whether a desktop window of the note with this id text is open.
    bool 有便签窗口(const QString& 编号) const;
    // Whether any desktop note window is on the screen.
    bool 有便签窗口显示() const;
    // Closes every desktop window of the note with this id text, going on past any error.
    void 关闭便签窗口(const QString& 编号);

    bool 数据已加载() const { return 数据已加载_; }

    // What a reload found.
    struct 重新载入结果 {
        // Notes whose rows went without this program deleting them; their windows are closed.
        std::vector<已删除便签::列表所知> 已消失;
        QStringList 新编号;  // ids of the rows that are new to the list
    };
    // Reads the notes again and refills the list (the rows stay when the reading fails). A row
    // already listed keeps its mark as its window says; a new row (a note just added, put back
    // or written by another program) is marked as stored and its window opens, unless its id is
    // in 不显示; a note whose row went loses its windows. Afterwards every marked row has a
    // window and every note window a marked row.
    重新载入结果 重新载入(platform::controls::ListView& 列表, const QSet<QString>& 不显示 = {});
    // One row of 全部显示: marks it; a row already marked whose note has no window gets one.
    void 全部显示一行(platform::controls::ListView& 列表, int 行);
    // What the list knows of a row's note, for 撤销删除: its columns and mark.
    static 已删除便签::列表所知 行所知(const platform::controls::ListView& 列表, int 行);
    // Adds the colours of the note's first open window, if it has one.
    void 填入窗口颜色(已删除便签::列表所知& 便签) const;
    // Called with each new note window before it is first shown (its Tag set).
    std::function<void(Form_Quillet&)> 窗口打开前;

  private:
    void 初始化列头();
    // 激活: whether the new window takes the focus. The windows opened at start-up do not: they
    // would pass it from one to the next, and the main window is the one to use. Returns false,
    // opening nothing, when the database holds no note with the row's id any more.
    bool 创建便签窗口(platform::controls::ListView& 列表, int 行, bool 激活 = true);
    // A note window has gone, whatever closed it: once the note has no window left, its row's
    // mark is cleared.
    void 窗口已关闭(const QString& 编号);

    platform::controls::ListView& ListView_Quillet_;
    便签菜单宿主& 宿主_;
    std::array<QString, 5> 列头文字;
    std::array<std::int32_t, 5> 列头宽度{};
    bool 数据已加载_ = false;
    // Receives the note windows' destruction; goes with this object, and the connections with it.
    QObject 连接上下文_;
};
