#pragma once

#include <QPoint>
#include <QString>
#include <QTreeView>

#include <functional>
#include <vector>

namespace platform::controls {

class 列表模型;

// The note list: report view with a check box in front of each row. Rows are counted from 1;
// column 0 holds the row text and the check box, columns 1 and up are the row's sub-items.
// 勾选已改变 is raised exactly when a row's mark really changes, whether the user or the code
// changed it, and never for text, selection or other changes.
//
// A row or column outside the list is a caller's error: every method that takes one throws
// std::out_of_range for it (选中 also takes 0, which clears the selection).
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
    void 选中(int 行);

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

  protected:
    void keyPressEvent(QKeyEvent* 事件) override;
    void mouseReleaseEvent(QMouseEvent* 事件) override;

  private:
    void 数据已改变(const QModelIndex& 左上, const QModelIndex& 右下, const QList<int>& 角色);
    void 同步已见勾选();
    void 核对勾选(int 首, int 末);  // raises 勾选已改变 for each row whose mark changed (0-based)
    int 模型行(int 行) const;       // 0-based row of a 1-based one; throws when out of range
    QPoint 菜单位置();
    void 告知勾选变化(int r);  // tells a screen reader of a changed check box (row 0-based)

    列表模型* 模型_;
    // The mark of each row as last seen by the view; a change is raised only against it.
    std::vector<bool> 已见勾选_;
};

}  // namespace platform::controls
