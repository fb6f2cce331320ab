// SPDX-License-Identifier: MIT
#include "main_window/main_controller.h"

#include "desktop_note/note_window.h"
#include "platform/controls/listview.h"
#include "platform/forms/forms.h"
#include "platform/log/log.h"
#include "services/message_box.h"
#include "store/globals.h"
#include "store/note_record.h"
#include "store/statements.h"

#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <source_location>
#include <vector>

namespace {

// Runs one step of a procedure that goes on whatever fails: an error of the step is logged with
// the procedure and the line of the step, and the procedure goes on.
template <typename 步骤>
void 忽略错误(步骤&& 做, const std::source_location 位置 = std::source_location::current()) {
    platform::log::异常边界(lcMain, "step failed and was skipped", std::forward<步骤>(做), 位置);
}

// The desktop note window of a form, or null for any other kind of window.
Form_Quillet* 便签窗口(const platform::Forms::条目& 条目) {
    if (!条目.存在()) {
        return nullptr;
    }
    return dynamic_cast<Form_Quillet*>(条目.窗体);
}

// The row of the note with this id text. S2 reads the id as a number; an id that a file holds as
// other text ('01', '+1', or no number at all) is then found by its exact text. No row (the note
// was deleted by another program) gives an empty recordset.
dao::Recordset 便签记录(const QString& 编号) {
    数据库操作模块& 库 = 自定义变量::全局数据库();
    try {
        dao::Recordset 记录 = 库.数据库_查找_语句(store::单个便签语句(编号));
        if (!记录.Eof()) {
            return 记录;
        }
    } catch (const store::编号错误& 错误) {
        qCWarning(lcMain).noquote() << 错误.Description() << "Looking the note up by its id text.";
    }
    return 库.数据库_查找_语句(store::按编号文字便签语句(编号));
}

// The desktop note window of a form that is on the screen; a window that has been closed and
// waits to be destroyed counts as gone.
const Form_Quillet* 显示中的便签窗口(const platform::Forms::条目& 条目) {
    const Form_Quillet* 窗口 = 便签窗口(条目);
    return 窗口 && 窗口->isVisible() ? 窗口 : nullptr;
}

constexpr qsizetype 已读时间上限 = 1 << 17;  // texts of times kept with their moment

}  // namespace

Class_主窗体::Class_主窗体(platform::controls::ListView& ListView_Quillet, 便签菜单宿主& 宿主)
    : ListView_Quillet_(ListView_Quillet), 宿主_(宿主) {
    初始化列头();
}

void Class_主窗体::初始化列头() {
    列头文字 = {QStringLiteral("显示"), QStringLiteral("编号"), QStringLiteral("内容"),
                QStringLiteral("创建时间"), QStringLiteral("修改时间")};
    列头宽度 = {540, 1, 4000, 2000, 2000};
}

void Class_主窗体::初始化界面(platform::controls::ListView& 列表) {
    for (std::size_t i = 0; i < 列头文字.size(); ++i) {
        列表.添加列(列头文字[i], 列头宽度[i]);
    }
    列表.设置文字列(2);
    // The times sort by the moment they stand for; one the locale cannot read comes first.
    // The locale takes tens of microseconds to read one, so every text is read once in the
    // program's run, not again on every reload (each save reloads the list).
    auto 已读 = std::make_shared<QHash<QString, qint64>>();
    const auto 时刻 = [已读](const QString& 文字) {
        if (const auto 位置 = 已读->constFind(文字); 位置 != 已读->constEnd()) {
            return *位置;
        }
        const QDateTime 值 = store::日期时间值(文字);
        const qint64 数 =
            值.isValid() ? 值.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
        if (已读->size() >= 已读时间上限) {
            已读->clear();
        }
        已读->insert(文字, 数);
        return 数;
    };
    列表.设置排序数(3, 时刻);
    列表.设置排序数(4, 时刻);
    dao::Recordset 记录集 = 获取数据();
    刷新数据(列表, 记录集);
}

dao::Recordset Class_主窗体::获取数据() {
    return 自定义变量::全局数据库().数据库_查找_语句(store::全部便签语句());
}

void Class_主窗体::刷新数据(platform::controls::ListView& 列表, dao::Recordset& 记录集) {
    数据已加载_ = false;
    // Moving to the last row makes the count exact; an empty set has no row to move to.
    const bool 有行 = !(记录集.Bof() && 记录集.Eof());
    if (有行) {
        忽略错误([&] { 记录集.MoveLast(); });
    }
    long 末索引 = -1;
    忽略错误([&] { 末索引 = 记录集.RecordCount() - 1; });
    if (有行) {
        忽略错误([&] { 记录集.MoveFirst(); });
    }
    for (long i = 0; i <= 末索引; ++i) {
        int 行 = 0;
        忽略错误([&] { 行 = 列表.添加行(QString()); });
        忽略错误([&] {
            if (store::显示(记录集)) {
                列表.设置勾选(行, true);
            }
        });
        忽略错误([&] { 列表.设置子项(行, 1, 记录集.Fields(QStringLiteral("ID")).ToText()); });
        忽略错误([&] { 列表.设置子项(行, 2, 记录集.Fields(QStringLiteral("content")).ToText()); });
        忽略错误(
            [&] { 列表.设置子项(行, 3, 记录集.Fields(QStringLiteral("CreateTime")).ToText()); });
        忽略错误(
            [&] { 列表.设置子项(行, 4, 记录集.Fields(QStringLiteral("ChangeTime")).ToText()); });
        忽略错误([&] { 记录集.MoveNext(); });
    }
    数据已加载_ = true;
}

void Class_主窗体::初始化便签显示(platform::controls::ListView& 列表) {
    for (int 行 = 1; 行 <= 列表.行数(); ++行) {
        if (列表.勾选(行) && !创建便签窗口(列表, 行, false)) {
            // Deleted since the list was filled (by another program, while the start went on):
            // the start goes on, and the row's mark no longer claims a window.
            qCWarning(lcMain).noquote()
                << QStringLiteral("note %1 is no longer in the database, its window not opened")
                       .arg(列表.子项(行, 1));
            列表.设置勾选(行, false);
        }
    }
}

bool Class_主窗体::创建便签窗口(platform::controls::ListView& 列表, int 行, bool 激活) {
    // Until it is shown the window belongs to this call: a note that cannot be read leaves no
    // hidden window behind, and the error goes on to the caller.
    auto 窗口 = std::make_unique<Form_Quillet>(宿主_);
    窗口->设置文字(列表.子项(行, 2));
    const QString 编号 = 列表.子项(行, 1);
    const dao::Recordset 记录集 = 便签记录(编号);
    if (记录集.Eof()) {
        return false;
    }
    窗口->设置背景颜色(store::背景颜色(记录集));
    窗口->设置文字颜色(store::字体颜色(记录集));
    窗口->Tag = 编号;
    窗口->setAttribute(Qt::WA_ShowWithoutActivating, !激活);
    // However the window goes (its menu, the window manager, Alt+F4), the list learns of it.
    QObject::connect(窗口.get(), &QObject::destroyed, &连接上下文_,
                     [this, 编号] { 窗口已关闭(编号); });
    if (窗口打开前) {
        窗口打开前(*窗口);
    }
    窗口.release()->show();
    return true;
}

void Class_主窗体::窗口已关闭(const QString& 编号) {
    if (!数据已加载_ || 有便签窗口(编号)) {
        return;
    }
    platform::controls::ListView& 列表 = ListView_Quillet_;
    for (int 行 = 1; 行 <= 列表.行数(); ++行) {
        if (列表.子项(行, 1) == 编号 && 列表.勾选(行)) {
            列表.设置勾选(行, false);
        }
    }
}

void Class_主窗体::便签显示(platform::controls::ListView& 列表, int 行) {
    if (!数据已加载_) {
        return;
    }
    if (列表.勾选(行)) {
        // Every set mark opens a window of its own, even when the note already has one.
        if (!创建便签窗口(列表, 行)) {
            列表.设置勾选(行, false);
            // Said once the list's own notification has ended: nothing modal runs inside it.
            QPointer<QWidget> 窗口 = 列表.window();
            QTimer::singleShot(0, &列表, [窗口] {
                QWidget* const 父窗口 = 窗口.data();
                消息::显示(父窗口 != nullptr && 父窗口->isVisible() ? 父窗口 : nullptr,
                           QMessageBox::Information,
                           QStringLiteral("这条便签已不在便签数据库中（可能已被其他程序删除），"
                                          "无法显示。按 F5 可刷新列表。"));
            });
        }
        return;
    }
    QString 编号;
    if (!platform::log::异常边界(lcMain,
                                 "the id of an unchecked row could not be read, no window closed",
                                 [&] { 编号 = 列表.子项(行, 1); })) {
        return;
    }
    关闭便签窗口(编号);
}

namespace {

// The Tags of the open note windows.
QSet<QString> 窗口编号() {
    QSet<QString> 编号;
    for (const auto& 条目 : platform::Forms::快照()) {
        if (const Form_Quillet* 窗口 = 显示中的便签窗口(条目)) {
            编号.insert(窗口->Tag);
        }
    }
    return 编号;
}

}  // namespace

Class_主窗体::重新载入结果 Class_主窗体::重新载入(platform::controls::ListView& 列表,
                                                  const QSet<QString>& 不显示) {
    dao::Recordset 记录集 = 获取数据();
    std::vector<已删除便签::列表所知> 原有;
    QHash<QString, std::size_t> 原有位置;
    for (int 行 = 1; 行 <= 列表.行数(); ++行) {
        原有位置.insert(列表.子项(行, 1), 原有.size());
        原有.push_back(行所知(列表, 行));
    }
    列表.清除行();
    刷新数据(列表, 记录集);

    重新载入结果 结果;
    const QSet<QString> 有窗口 = 窗口编号();
    std::vector<int> 要打开;
    // The marks set here open and close nothing; the windows of new rows open afterwards.
    数据已加载_ = false;
    for (int 行 = 1; 行 <= 列表.行数(); ++行) {
        const QString 编号 = 列表.子项(行, 1);
        if (原有位置.remove(编号)) {
            列表.设置勾选(行, 有窗口.contains(编号));
            continue;
        }
        结果.新编号.append(编号);
        if (列表.勾选(行) && 不显示.contains(编号)) {
            列表.设置勾选(行, false);
        } else if (列表.勾选(行) && !有窗口.contains(编号)) {
            要打开.push_back(行);
        }
    }
    数据已加载_ = true;
    for (const int 行 : 要打开) {
        bool 已打开 = false;
        try {
            // Not activated: the user may go on typing in the editor that added the note.
            已打开 = 创建便签窗口(列表, 行, false);
        } catch (const dao::Error& 错误) {
            qCWarning(lcMain).noquote() << "the window of a new note could not be opened, its "
                                           "row is not marked:"
                                        << 错误.Number() << 错误.Description();
        }
        if (!已打开) {
            数据已加载_ = false;
            列表.设置勾选(行, false);
            数据已加载_ = true;
        }
    }
    for (auto& 便签 : 原有) {
        if (原有位置.contains(便签.编号)) {
            // What its window shows is all that is left of its colours.
            填入窗口颜色(便签);
            关闭便签窗口(便签.编号);
            结果.已消失.push_back(std::move(便签));
        }
    }
    return 结果;
}

void Class_主窗体::全部显示一行(platform::controls::ListView& 列表, int 行) {
    if (!列表.勾选(行)) {
        列表.设置勾选(行, true);
    } else if (!有便签窗口(列表.子项(行, 1))) {
        便签显示(列表, 行);
    }
}

已删除便签::列表所知 Class_主窗体::行所知(const platform::controls::ListView& 列表, int 行) {
    return {列表.子项(行, 1), 列表.子项(行, 2), 列表.子项(行, 3), 列表.子项(行, 4),
            std::nullopt,     std::nullopt,     列表.勾选(行)};
}

void Class_主窗体::填入窗口颜色(已删除便签::列表所知& 便签) const {
    for (const auto& 条目 : platform::Forms::快照()) {
        if (const Form_Quillet* 窗口 = 显示中的便签窗口(条目); 窗口 && 窗口->Tag == 便签.编号) {
            便签.背景颜色 = 窗口->背景颜色();
            便签.字体颜色 = 窗口->文字颜色();
            return;
        }
    }
}

bool Class_主窗体::有便签窗口(const QString& 编号) const {
    const auto 快照 = platform::Forms::快照();
    return std::any_of(快照.begin(), 快照.end(), [&](const platform::Forms::条目& 条目) {
        const Form_Quillet* 窗口 = 显示中的便签窗口(条目);
        return 窗口 && 窗口->Tag == 编号;
    });
}

bool Class_主窗体::有便签窗口显示() const {
    const auto 快照 = platform::Forms::快照();
    return std::any_of(快照.begin(), 快照.end(), [](const platform::Forms::条目& 条目) {
        return 显示中的便签窗口(条目) != nullptr;
    });
}

void Class_主窗体::关闭便签窗口(const QString& 编号) {
    // Every window of the note closes; the snapshot survives windows that go away meanwhile.
    for (const auto& 条目 : platform::Forms::快照()) {
        忽略错误([&] {
            if (Form_Quillet* 窗口 = 便签窗口(条目); 窗口 && 窗口->Tag == 编号) {
                窗口->卸载();
            }
        });
    }
}

void Class_主窗体::刷新便签() {
    // The open note windows by Tag, each list in load order; one walk over the rows then
    // reaches every window of each row's note.
    QHash<QString, std::vector<QPointer<Form_Quillet>>> 按编号;
    for (const auto& 条目 : platform::Forms::快照()) {
        忽略错误([&] {
            if (Form_Quillet* 窗口 = 便签窗口(条目)) {
                按编号[窗口->Tag].emplace_back(窗口);
            }
        });
    }
    if (按编号.isEmpty()) {
        return;
    }
    platform::controls::ListView& 列表 = ListView_Quillet_;
    int 行数 = 0;
    忽略错误([&] { 行数 = 列表.行数(); });
    for (int 行 = 1; 行 <= 行数; ++行) {
        QString 编号;
        if (!platform::log::异常边界(lcMain,
                                     "the id of a row could not be read, its windows not refreshed",
                                     [&] { 编号 = 列表.子项(行, 1); })) {
            continue;
        }
        const auto 找到 = 按编号.constFind(编号);
        if (找到 == 按编号.cend()) {
            continue;
        }
        for (const QPointer<Form_Quillet>& 窗口 : *找到) {
            if (窗口.isNull()) {
                continue;
            }
            // Without a result the colour steps fail (value() throws) and are skipped.
            std::optional<dao::Recordset> 记录集;
            忽略错误([&] { 记录集.emplace(便签记录(编号)); });
            忽略错误([&] { 窗口->设置文字(列表.子项(行, 2)); });
            忽略错误([&] { 窗口->设置背景颜色(store::背景颜色(记录集.value())); });
            忽略错误([&] { 窗口->设置文字颜色(store::字体颜色(记录集.value())); });
        }
    }
}
