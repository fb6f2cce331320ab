// SPDX-License-Identifier: MIT
#include "platform/controls/listview.h"

#include "platform/controls/menu_key.h"
#include "platform/controls/text_prefix.h"
#include "platform/forms/twips.h"
#include "platform/log/log.h"
#include "platform/text/find_key.h"

#include <QAbstractTableModel>
#include <QAccessible>
#include <QCollator>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSortFilterProxyModel>
#include <QStyleHints>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace platform::controls {

namespace {

using text::查找词;
using text::查找键;

struct 行数据 {
    Qt::CheckState 勾选 = Qt::Unchecked;
    std::vector<QString> 文字;  // [0] the row text, [1..] the sub-items; missing ones are empty
    // Made from the texts when first needed (a find looks at every row's key on every
    // keystroke), and dropped when their text changes.
    mutable std::optional<查找键> 键;
    mutable std::vector<std::optional<qint64>> 排序数;  // by column
};

Qt::CheckState 勾选状态(bool 勾选) {
    return 勾选 ? Qt::Checked : Qt::Unchecked;
}

// What a cell shows: one line, at most as many characters as a row can ever show. Laying out
// a whole long text (a note may hold megabytes) on every paint would stall the list; the cell
// keeps its whole text all the same.
QString 显示文字(const QString& 文字) {
    QString 前缀 = 文字开头(文字, 256);
    for (QChar& 字 : 前缀) {
        if (字 == u'\n' || 字 == u'\r' || 字 == QChar::LineSeparator ||
            字 == QChar::ParagraphSeparator) {
            字 = u' ';
        }
    }
    return 前缀;
}

// Qt's item delegate toggles a check box on every release of the left button over it. A double
// click delivers two releases (press, release, press, double click, release), so it would
// toggle the mark twice. The release that ends a double click is swallowed here: a double
// click on a check box toggles it once, like a single click.
class 勾选委托 : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool editorEvent(QEvent* 事件, QAbstractItemModel* 模型, const QStyleOptionViewItem& 选项,
                     const QModelIndex& 索引) override {
        switch (事件->type()) {
            case QEvent::MouseButtonPress:
                吞掉释放_ = false;
                break;
            case QEvent::MouseButtonDblClick:
                吞掉释放_ = static_cast<QMouseEvent*>(事件)->button() == Qt::LeftButton;
                break;
            case QEvent::MouseButtonRelease:
                if (std::exchange(吞掉释放_, false)) {
                    return static_cast<QMouseEvent*>(事件)->button() == Qt::LeftButton;
                }
                break;
            default:
                break;
        }
        return QStyledItemDelegate::editorEvent(事件, 模型, 选项, 索引);
    }

  private:
    bool 吞掉释放_ = false;
};

}  // namespace

// The rows as plain structs; the model only tells the view what changed. Rows come and go at
// once. Cells written through the list's own methods (写文字, 写勾选) are told to the view in one
// notice when the event loop next runs: a fill writes tens of thousands of cells, and the view
// repaints only from the event loop anyway. The list checks marks written that way itself.
class 列表模型 : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    std::vector<QString> 列标题;
    // The check box's names (set, clear) and description for a screen reader.
    QString 勾选名称[2];
    QString 勾选描述;
    // The size of a header section with the given caption, measured by the view.
    std::function<QSize(const QString&)> 标题尺寸;
    std::vector<行数据> 行;
    int 文字列 = -1;
    std::vector<std::function<qint64(const QString&)>> 排序数函数;  // by column; empty for none

    int rowCount(const QModelIndex& 父 = {}) const override {
        return 父.isValid() ? 0 : static_cast<int>(行.size());
    }
    int columnCount(const QModelIndex& 父 = {}) const override {
        return 父.isValid() ? 0 : static_cast<int>(列标题.size());
    }

    QString 文字(int r, int c) const {
        const auto& 文字表 = 行[static_cast<std::size_t>(r)].文字;
        return static_cast<std::size_t>(c) < 文字表.size() ? 文字表[static_cast<std::size_t>(c)]
                                                           : QString();
    }

    QVariant data(const QModelIndex& 索引, int 角色) const override {
        if (!索引.isValid() || 索引.row() >= rowCount()) {
            return {};
        }
        switch (角色) {
            case Qt::DisplayRole:
                return 显示文字(文字(索引.row(), 索引.column()));
            case Qt::EditRole:
                return 文字(索引.row(), 索引.column());
            case Qt::CheckStateRole:
                if (索引.column() == 0) {
                    return static_cast<int>(行[static_cast<std::size_t>(索引.row())].勾选);
                }
                return {};
            case Qt::AccessibleTextRole:
                if (索引.column() == 0) {
                    return 勾选名称[行[static_cast<std::size_t>(索引.row())].勾选 == Qt::Checked];
                }
                return {};
            case Qt::AccessibleDescriptionRole:
                return 索引.column() == 0 ? QVariant(勾选描述) : QVariant();
            default:
                return {};
        }
    }

    bool setData(const QModelIndex& 索引, const QVariant& 值, int 角色) override {
        if (!索引.isValid() || 索引.row() >= rowCount()) {
            return false;
        }
        auto& 该行 = 行[static_cast<std::size_t>(索引.row())];
        if (角色 == Qt::CheckStateRole && 索引.column() == 0) {
            const auto 新状态 = 勾选状态(值.toInt() != Qt::Unchecked);
            if (该行.勾选 != 新状态) {
                该行.勾选 = 新状态;
                emit dataChanged(索引, 索引, {Qt::CheckStateRole});
            }
            return true;
        }
        if (角色 == Qt::EditRole || 角色 == Qt::DisplayRole) {
            const auto c = static_cast<std::size_t>(索引.column());
            if (该行.文字.size() <= c) {
                该行.文字.resize(c + 1);
            }
            该行.文字[c] = 值.toString();
            文字已改(该行, 索引.column());
            emit dataChanged(索引, 索引, {Qt::DisplayRole, Qt::EditRole});
            return true;
        }
        return false;
    }

    Qt::ItemFlags flags(const QModelIndex& 索引) const override {
        if (!索引.isValid()) {
            return Qt::NoItemFlags;
        }
        Qt::ItemFlags 标志 = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
        if (索引.column() == 0) {
            标志 |= Qt::ItemIsUserCheckable;
        }
        return 标志;
    }

    QVariant headerData(int 节, Qt::Orientation 方向, int 角色) const override {
        if (方向 == Qt::Horizontal && 节 >= 0 && 节 < columnCount()) {
            if (角色 == Qt::DisplayRole) {
                return 列标题[static_cast<std::size_t>(节)];
            }
            if (角色 == Qt::SizeHintRole && 标题尺寸) {
                return 标题尺寸(列标题[static_cast<std::size_t>(节)]);
            }
        }
        return QAbstractTableModel::headerData(节, 方向, 角色);
    }

    void 添加列(const QString& 标题) {
        const int 列 = columnCount();
        beginInsertColumns({}, 列, 列);
        列标题.push_back(标题);
        endInsertColumns();
    }

    int 添加行(const QString& 文字内容) {
        const int r = rowCount();
        beginInsertRows({}, r, r);
        行数据 新行;
        新行.文字.resize(static_cast<std::size_t>(std::max(1, columnCount())));  // one allocation
        新行.文字[0] = 文字内容;
        行.push_back(std::move(新行));
        endInsertRows();
        return r;
    }

    void 删除行(int r) {
        beginRemoveRows({}, r, r);
        行.erase(行.begin() + r);
        if (改动首_ >= 0) {
            改动首_ = std::min(改动首_, r);  // the changed rows below moved up by one
        }
        endRemoveRows();
    }

    void 清除() {
        beginResetModel();
        行.clear();
        改动首_ = 改动末_ = -1;
        endResetModel();
    }

    void 写勾选(int r, bool 勾选) {
        行[static_cast<std::size_t>(r)].勾选 = 勾选状态(勾选);
        记下改动(r);
    }

    void 写文字(int r, int c, const QString& 文字内容) {
        auto& 文字表 = 行[static_cast<std::size_t>(r)].文字;
        if (文字表.size() <= static_cast<std::size_t>(c)) {
            文字表.resize(static_cast<std::size_t>(c) + 1);
        }
        文字表[static_cast<std::size_t>(c)] = 文字内容;
        文字已改(行[static_cast<std::size_t>(r)], c);
        记下改动(r);
    }

    bool 匹配(int r, const 查找词& 查找) const {
        const 行数据& 该行 = 行[static_cast<std::size_t>(r)];
        if (!该行.键) {
            该行.键.emplace(文字(r, 文字列));
        }
        return 该行.键->匹配(查找);
    }

    bool 有排序数(int c) const {
        return static_cast<std::size_t>(c) < 排序数函数.size() &&
               排序数函数[static_cast<std::size_t>(c)];
    }

    qint64 排序数(int r, int c) const {
        auto& 表 = 行[static_cast<std::size_t>(r)].排序数;
        const auto 列 = static_cast<std::size_t>(c);
        if (表.size() <= 列) {
            表.resize(列 + 1);
        }
        auto& 值 = 表[列];
        if (!值) {
            值 = 排序数函数[列](文字(r, c));
        }
        return *值;
    }

    // Drops what was made from a column's texts, for every row.
    void 忘记(int c) {
        for (const 行数据& 该行 : 行) {
            文字已改(该行, c);
        }
    }

    // Tells the view now of the cells written since it was last told.
    void 送出改动() {
        const int 首 = 改动首_;
        const int 末 = std::min(改动末_, rowCount() - 1);
        改动首_ = 改动末_ = -1;
        if (首 >= 0 && 首 <= 末 && columnCount() > 0) {
            emit dataChanged(index(首, 0), index(末, columnCount() - 1));
        }
    }

  private:
    void 文字已改(const 行数据& 该行, int c) const {
        if (c == 文字列) {
            该行.键.reset();
        }
        if (static_cast<std::size_t>(c) < 该行.排序数.size()) {
            该行.排序数[static_cast<std::size_t>(c)].reset();
        }
    }

    void 记下改动(int r) {
        if (改动首_ < 0) {
            改动首_ = 改动末_ = r;
            QMetaObject::invokeMethod(
                this, [this] { 送出改动(); }, Qt::QueuedConnection);
            return;
        }
        改动首_ = std::min(改动首_, r);
        改动末_ = std::max(改动末_, r);
    }

    int 改动首_ = -1;  // rows written since the view was last told, or -1
    int 改动末_ = -1;
};

// The rows as the view shows them: sorted, and only those a find matches.
class 显示模型 : public QSortFilterProxyModel {
  public:
    显示模型(列表模型* 源, QObject* 父) : QSortFilterProxyModel(父), 源_(源) {
        setSourceModel(源);
        排序规则_.setCaseSensitivity(Qt::CaseInsensitive);
        排序规则_.setNumericMode(true);
    }

    const QString& 查找文字() const { return 查找_; }

    void 设置查找(const QString& 文字) {
        if (文字 != 查找_) {
            查找_ = 文字;
            查找词_.emplace(文字);
            invalidateFilter();
        }
    }

    // The keys or values were made anew (a new text column or value function).
    void 重新整理() { invalidate(); }

  protected:
    bool filterAcceptsRow(int r, const QModelIndex&) const override {
        return 查找_.isEmpty() || !查找词_ || 源_->匹配(r, *查找词_);
    }

    bool lessThan(const QModelIndex& 左, const QModelIndex& 右) const override {
        const int c = 左.column();
        const int l = 左.row();
        const int r = 右.row();
        if (c == 0) {
            return 源_->行[static_cast<std::size_t>(l)].勾选 <
                   源_->行[static_cast<std::size_t>(r)].勾选;
        }
        if (源_->有排序数(c)) {
            return 源_->排序数(l, c) < 源_->排序数(r, c);
        }
        return 排序规则_.compare(源_->文字(l, c), 源_->文字(r, c)) < 0;
    }

  private:
    列表模型* 源_;
    QString 查找_;
    std::optional<查找词> 查找词_;  // 查找_ prepared for matching, once per find
    QCollator 排序规则_;
};

ListView::ListView(QWidget* 父)
    : QTreeView(父), 模型_(new 列表模型(this)), 显示_(new 显示模型(模型_, this)) {
    setModel(显示_);
    setItemDelegate(new 勾选委托(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Until the user clicks a header the rows keep the order they were added in.
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    connect(header(), &QHeaderView::sectionClicked, this, [this] {
        if (排序已改变) {
            log::异常边界(lcControls, "the note list's handler of a click on a header failed",
                          [this] { 排序已改变(排序列(), 排序顺序()); });
        }
    });
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    header()->setSectionsMovable(false);
    // Qt measures header captions in bold, to leave room for highlighted sections, which this
    // list never shows; measuring them in the header's own font spares the program loading a
    // bold face (for Chinese captions, megabytes of font file).
    模型_->标题尺寸 = [this](const QString& 标题) {
        QHeaderView* 表头 = header();
        QStyleOptionHeader 选项;
        选项.initFrom(表头);
        选项.orientation = Qt::Horizontal;
        选项.text = 标题;
        return 表头->style()->sizeFromContents(QStyle::CT_HeaderSection, &选项, QSize(), 表头);
    };

    connect(模型_, &QAbstractItemModel::dataChanged, this, &ListView::数据已改变);
    connect(模型_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int 首, int 末) {
                for (int r = 首; r <= 末; ++r) {
                    已见勾选_.insert(已见勾选_.begin() + r,
                                     模型_->行[static_cast<std::size_t>(r)].勾选 == Qt::Checked);
                }
            });
    connect(模型_, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int 首, int 末) {
                已见勾选_.erase(已见勾选_.begin() + 首, 已见勾选_.begin() + 末 + 1);
            });
    connect(模型_, &QAbstractItemModel::modelReset, this, &ListView::同步已见勾选);
    const auto 排队通知 = [this] {
        if (!std::exchange(显示数通知已排队_, true)) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    显示数通知已排队_ = false;
                    if (显示行数已改变) {
                        log::异常边界(
                            lcControls,
                            "the note list's handler of a change of the rows shown failed",
                            [this] { 显示行数已改变(); });
                    }
                },
                Qt::QueuedConnection);
        }
    };
    connect(显示_, &QAbstractItemModel::rowsInserted, this, 排队通知);
    connect(显示_, &QAbstractItemModel::rowsRemoved, this, 排队通知);
    connect(显示_, &QAbstractItemModel::modelReset, this, 排队通知);
    connect(显示_, &QAbstractItemModel::layoutChanged, this, 排队通知);
}

ListView::~ListView() = default;

void ListView::同步已见勾选() {
    已见勾选_.assign(模型_->行.size(), false);
    for (std::size_t r = 0; r < 模型_->行.size(); ++r) {
        已见勾选_[r] = 模型_->行[r].勾选 == Qt::Checked;
    }
}

void ListView::数据已改变(const QModelIndex& 左上, const QModelIndex& 右下,
                          const QList<int>& 角色) {
    if (左上.column() > 0 || (!角色.isEmpty() && !角色.contains(Qt::CheckStateRole))) {
        return;
    }
    // Marks changed by code are checked where they are set, and an error of the handler passes
    // to that code; what arrives here comes from the view (a click) or from a model notice.
    log::异常边界(lcControls, "the note list's handler of a change of check marks failed",
                  [&] { 核对勾选(左上.row(), 右下.row()); });
}

void ListView::核对勾选(int 首, int 末) {
    // The handler may change the list (a mark cleared, a row removed), so every step looks
    // again at the rows as they are now.
    for (int r = 首; r <= 末; ++r) {
        const auto 位置 = static_cast<std::size_t>(r);
        if (位置 >= 模型_->行.size() || 位置 >= 已见勾选_.size()) {
            break;
        }
        const bool 现在 = 模型_->行[位置].勾选 == Qt::Checked;
        if (已见勾选_[位置] != 现在) {
            已见勾选_[位置] = 现在;
            告知勾选变化(r);
            if (勾选已改变) {
                勾选已改变(r + 1);
            }
        }
    }
}

void ListView::告知勾选变化(int r) {
    // A screen reader speaks of the row the keyboard is on; the other rows change unannounced
    // (a fill changes thousands).
    if (!QAccessible::isActive()) {
        return;
    }
    const QModelIndex 索引 = 视图索引(r);
    if (!索引.isValid() || currentIndex().row() != 索引.row()) {
        return;
    }
    QAccessibleInterface* 列表 = QAccessible::queryAccessibleInterface(this);
    QAccessibleTableInterface* 表 = 列表 ? 列表->tableInterface() : nullptr;
    if (QAccessibleInterface* 格 = 表 ? 表->cellAt(索引.row(), 0) : nullptr) {
        QAccessible::State 变化;
        变化.checked = true;
        QAccessibleStateChangeEvent 状态事件(格, 变化);
        QAccessible::updateAccessibility(&状态事件);
        QAccessibleEvent 名称事件(格, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&名称事件);
    }
}

void ListView::设置勾选说明(const QString& 勾选时, const QString& 未勾选时, const QString& 描述) {
    模型_->勾选名称[0] = 未勾选时;
    模型_->勾选名称[1] = 勾选时;
    模型_->勾选描述 = 描述;
}

QModelIndex ListView::视图索引(int r) const {
    // Where a row is shown, and whether it is, depends on its texts as written.
    模型_->送出改动();
    return 显示_->mapFromSource(模型_->index(r, 0));
}

int ListView::源行(const QModelIndex& 视图索引) const {
    return 视图索引.isValid() ? 显示_->mapToSource(视图索引).row() : -1;
}

int ListView::模型行(int 行) const {
    if (行 < 1 || 行 > 行数()) {
        throw std::out_of_range("ListView: no row " + std::to_string(行));
    }
    return 行 - 1;
}

void ListView::添加列(const QString& 标题, int 宽度缇) {
    模型_->添加列(标题);
    header()->resizeSection(列数() - 1, 缇转像素(宽度缇));
}

int ListView::列数() const {
    return 模型_->columnCount();
}

int ListView::行数() const {
    return 模型_->rowCount();
}

int ListView::添加行(const QString& 文字) {
    return 模型_->添加行(文字) + 1;
}

void ListView::清除行() {
    模型_->清除();
}

void ListView::删除行(int 行) {
    const int r = 模型行(行);
    const bool 曾选中 = 选中行() == 行;
    模型_->删除行(r);
    // Qt moves the selection to a neighbour of a removed selected row; the list leaves no row
    // selected instead, so a second delete never takes a row the user did not pick.
    if (曾选中) {
        selectionModel()->clearSelection();
    }
}

bool ListView::勾选(int 行) const {
    return 模型_->行[static_cast<std::size_t>(模型行(行))].勾选 == Qt::Checked;
}

void ListView::设置勾选(int 行, bool 勾选) {
    const int r = 模型行(行);
    模型_->写勾选(r, 勾选);
    核对勾选(r, r);
}

QString ListView::子项(int 行, int 列) const {
    const int r = 模型行(行);
    if (列 < 0 || 列 >= std::max(1, 列数())) {
        throw std::out_of_range("ListView: no column " + std::to_string(列));
    }
    return 模型_->文字(r, 列);
}

void ListView::设置子项(int 行, int 列, const QString& 文字) {
    const int r = 模型行(行);
    if (列 < 0 || 列 >= std::max(1, 列数())) {
        throw std::out_of_range("ListView: no column " + std::to_string(列));
    }
    模型_->写文字(r, 列, 文字);
}

int ListView::选中行() const {
    const QModelIndexList 选中 = selectionModel()->selectedRows(0);
    return 选中.isEmpty() ? 0 : 索引行(选中.first());
}

void ListView::选中(int 行) {
    const QModelIndex 索引 = 行 == 0 ? QModelIndex() : 视图索引(模型行(行));
    if (!索引.isValid()) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(
        索引, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int ListView::索引行(const QModelIndex& 视图索引) const {
    return 源行(视图索引) + 1;
}

int ListView::接替行(int 行) const {
    const QModelIndex 索引 = 视图索引(模型行(行));
    if (!索引.isValid()) {
        return 0;
    }
    const int p = 索引.row();
    const int 邻 = p + 1 < 显示_->rowCount() ? p + 1 : p - 1;
    const int 接替 = 索引行(显示_->index(邻, 0));
    return 接替 > 行 ? 接替 - 1 : 接替;
}

void ListView::设置文字列(int 列) {
    模型_->文字列 = 列;
    模型_->忘记(列);  // drops every row's key
    显示_->重新整理();
}

void ListView::查找(const QString& 文字) {
    显示_->设置查找(文字);
}

QString ListView::查找文字() const {
    return 显示_->查找文字();
}

int ListView::显示行数() const {
    模型_->送出改动();
    return 显示_->rowCount();
}

void ListView::设置排序数(int 列, std::function<qint64(const QString&)> 排序数) {
    auto& 函数 = 模型_->排序数函数;
    if (函数.size() <= static_cast<std::size_t>(列)) {
        函数.resize(static_cast<std::size_t>(列) + 1);
    }
    函数[static_cast<std::size_t>(列)] = std::move(排序数);
    模型_->忘记(列);
    显示_->重新整理();
}

void ListView::排序(int 列, Qt::SortOrder 顺序) {
    sortByColumn(列, 顺序);
}

int ListView::排序列() const {
    return 显示_->sortColumn();
}

Qt::SortOrder ListView::排序顺序() const {
    return 显示_->sortOrder();
}

void ListView::keyboardSearch(const QString& 文字) {
    模型_->送出改动();
    const int 行数 = 显示_->rowCount();
    if (文字.isEmpty() || 模型_->文字列 < 0 || 行数 == 0) {
        return;
    }
    // Text typed in quick succession refines the search from the current row; a new search
    // starts below it, so typing the same letter again moves on to the next row.
    const bool 接着 = 键入计时_.isValid() &&
                      键入计时_.elapsed() < QGuiApplication::styleHints()->keyboardInputInterval();
    键入计时_.start();
    已键入_ = 接着 ? 已键入_ + 文字 : 文字;
    const int 当前 = currentIndex().isValid() ? currentIndex().row() : -1;
    const int 起 = 接着 ? std::max(当前, 0) : 当前 + 1;
    for (int i = 0; i < 行数; ++i) {
        const QModelIndex 索引 = 显示_->index((起 + i) % 行数, 0);
        if (模型_->文字(源行(索引), 模型_->文字列).startsWith(已键入_, Qt::CaseInsensitive)) {
            selectionModel()->setCurrentIndex(
                索引, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return;
        }
    }
}

QPoint ListView::菜单位置() {
    QModelIndex 索引 = currentIndex();
    const QModelIndexList 选中 = selectionModel()->selectedRows(0);
    if (!选中.isEmpty()) {
        索引 = 选中.first();
    }
    QPoint 位置;
    if (索引.isValid()) {
        索引 = 索引.siblingAtColumn(0);
        scrollTo(索引);
        const QRect 格 = visualRect(索引);
        位置 = QPoint(std::max(0, 格.left()), 格.center().y());
    }
    return viewport()->mapToGlobal(位置);
}

void ListView::keyPressEvent(QKeyEvent* 事件) {
    if (菜单键 && 是菜单键(*事件)) {
        const QPoint 位置 = 菜单位置();
        log::异常边界(lcControls, "the note list's handler of the menu key failed",
                      [&] { 菜单键(位置); });
        事件->accept();
        return;
    }
    const bool 空格 = 事件->key() == Qt::Key_Space || 事件->key() == Qt::Key_Select;
    if (空格 && 事件->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
        const int 行 = 索引行(currentIndex());
        log::异常边界(lcControls, "the note list's handler of the space key failed",
                      [&] { 设置勾选(行, !勾选(行)); });
        事件->accept();
        return;
    }
    QTreeView::keyPressEvent(事件);
    // The view moves the selection only when the current row changes: on the current row
    // itself (the only row, or the first one for Home) Home and End would select nothing.
    const bool 到头尾 = 事件->key() == Qt::Key_Home || 事件->key() == Qt::Key_End;
    if (到头尾 && 事件->modifiers() == Qt::NoModifier && currentIndex().isValid() &&
        !selectionModel()->isRowSelected(currentIndex().row(), QModelIndex())) {
        选中(索引行(currentIndex()));
    }
}

void ListView::currentChanged(const QModelIndex& 当前, const QModelIndex& 之前) {
    QTreeView::currentChanged(当前, 之前);
    // The view takes input methods only for editable cells; text one commits (Chinese, say)
    // moves to the row it starts, as typed keys do.
    setAttribute(Qt::WA_InputMethodEnabled);
}

void ListView::mouseReleaseEvent(QMouseEvent* 事件) {
    const Qt::MouseButton 按键 = 事件->button();
    const QPoint 全局位置 = 事件->globalPosition().toPoint();
    QTreeView::mouseReleaseEvent(事件);
    if (鼠标按键) {
        log::异常边界(lcControls, "the note list's handler of a mouse button failed",
                      [&] { 鼠标按键(按键, 全局位置); });
    }
}

}  // namespace platform::controls
