#pragma once

#include <QPoint>
#include <QString>
#include <QTreeView>

#include <functional>

namespace platform::controls {

// The note list: report view with a check box in front of each row. Rows are counted from 1;
// column 0 holds the row text and the check box, columns 1 and up are the row's sub-items.
// 勾选已改变 is raised exactly when a row's mark really changes, whether the user or the code
// changed it, and never for text, selection or other changes.
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
    std::function<void(Qt::MouseButton 按键, QPoint 全局位置)> 鼠标按键;
};

}  // namespace platform::controls
