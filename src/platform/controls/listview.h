// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QString>
#include <QTreeView>

#include <functional>
#include <vector>

namespace platform::controls {

class 列表模型;
class 显示模型;

// The note list: report view with a check box in front of each row. Rows are counted from 1;
// column 0 holds the row text and the check box, columns 1 and up are the row's sub-items.
// 勾选已改变 is raised exactly when a row's mark really changes, whether the user or the code
// changed it, and never for text, selection or other changes.
//
// A row or column outside the list is a caller's error: every method that takes one throws
// std::out_of_range for it (选中 also takes 0, which clears the selection).
//
// The view may show the rows sorted by a column (a click on its header) and only the rows whose
// text matches a find (查找). Row numbers always count the rows as they were added, shown or
// not: 行数 counts them all, and only the view's own order and the rows shown differ.
class ListView : public QTreeView {
  public:
    explicit ListView(QWidget* 父 = nullptr);
    ~ListView() override;

    void 添加列(const QString& 标题, int 宽度缇);
    int 列数() const;

    int 行数() const;
    int 添加行(const QString& 文字);  // appends; returns the new row's number
    void 清除行();
    void 删除行(int 行);

    bool 勾选(int 行) const;
    void 设置勾选(int 行, bool 勾选);
    QString 子项(int 行, int 列) const;
    void 设置子项(int 行, int 列, const QString& 文字);

    int 选中行() const;  // 0 when no row is selected
    void 选中(int 行);   // a row not shown clears the selection
    // The row of an index of the view (model()), as 选中行 counts; 0 for an invalid index.
    int 索引行(const QModelIndex& 视图索引) const;
    // The row that takes a shown row's place in the view once it is removed: the next row shown
    // below it, else the one above; numbered as after the removal, 0 for none.
    int 接替行(int 行) const;

    // The column holding each row's own text: 查找 matches it and typing in the list jumps by
    // it. None (-1) until set.
    void 设置文字列(int 列);
    // Shows only the rows whose text matches 文字 (text::查找键: anywhere in the text, whatever
    // the case, or by pinyin); an empty text shows every row. The find stays in force for rows
    // added or changed later.
    void 查找(const QString& 文字);
    QString 查找文字() const;
    int 显示行数() const;
    // Raised (once the event loop runs) after the rows shown may have changed in number.
    std::function<void()> 显示行数已改变;

    // Sorting: a column whose text stands for a value sorts by 排序数(text) (computed once per
    // text), the check-box column by the mark, any other column by its text in the locale's
    // order. 排序 with column -1 shows the rows in the order they were added.
    void 设置排序数(int 列, std::function<qint64(const QString&)> 排序数);
    void 排序(int 列, Qt::SortOrder 顺序);
    int 排序列() const;
    Qt::SortOrder 排序顺序() const;
    // Raised when the user sorts by a column (a click on its header).
    std::function<void(int 列, Qt::SortOrder 顺序)> 排序已改变;

    std::function<void(int 行)> 勾选已改变;
    // Raised when a mouse button is released over the list (the right button opens the list's
    // popup menu on release, after the view has handled the click).
    std::function<void(Qt::MouseButton 按键, QPoint 全局位置)> 鼠标按键;
    // Raised when the Menu key or Shift+F10 is pressed in the list, with the point on the screen
    // where its popup menu goes: over the selected row, else over the current one, else at the
    // list's top-left corner.
    std::function<void(QPoint 全局位置)> 菜单键;

    // What a screen reader says of the check box in front of every row: its name while it is
    // set and while it is clear (so the name alone tells the state), and its description.
    void 设置勾选说明(const QString& 勾选时, const QString& 未勾选时, const QString& 描述);

    // Moves to the next shown row whose text starts with what was typed in quick succession.
    void keyboardSearch(const QString& 文字) override;

  protected:
    void keyPressEvent(QKeyEvent* 事件) override;
    void mouseReleaseEvent(QMouseEvent* 事件) override;
    void currentChanged(const QModelIndex& 当前, const QModelIndex& 之前) override;

  private:
    void 数据已改变(const QModelIndex& 左上, const QModelIndex& 右下, const QList<int>& 角色);
    void 同步已见勾选();
    void 核对勾选(int 首, int 末);  // raises 勾选已改变 for each row whose mark changed (0-based)
    int 模型行(int 行) const;       // 0-based row of a 1-based one; throws when out of range
    QModelIndex 视图索引(int r) const;  // the view's index of a 0-based row; invalid if hidden
    int 源行(const QModelIndex& 视图索引) const;  // 0-based; -1 for an invalid index
    QPoint 菜单位置();
    void 告知勾选变化(int r);  // tells a screen reader of a changed check box (row 0-based)

    列表模型* 模型_;
    显示模型* 显示_;
    QString 已键入_;          // what keyboardSearch has been given in quick succession
    QElapsedTimer 键入计时_;  // since it was last given text
    bool 显示数通知已排队_ = false;
    // The mark of each row as last seen by the view; a change is raised only against it.
    std::vector<bool> 已见勾选_;
};

}  // namespace platform::controls
