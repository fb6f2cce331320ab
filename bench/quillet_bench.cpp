// SPDX-License-Identifier: MIT
// quillet-bench: times the main window's list reload, the editor's save round trip and the
// refresh of the open note windows, through the same objects and calls the program uses.
//
//   quillet-bench reload  FOLDER RUNS   list reload (编辑_刷新列表_Click) on FOLDER/Quillet.mdb
//   quillet-bench save    FOLDER RUNS   "保存并关闭" on an edited note whose window is open
//   quillet-bench refresh FOLDER RUNS   刷新便签 alone, after a reload
//   quillet-bench find    FOLDER RUNS   each keystroke in the find bar over the whole list
//   quillet-bench load    FOLDER RUNS   the main window's load with its note windows
//   quillet-bench soak    FOLDER RUNS   RUNS edit-and-save cycles, then RUNS / 10 hide-all /
//                                       show-all cycles, with the resident memory before,
//                                       between and after, and the time per cycle at the
//                                       start and at the end
//   quillet-bench soak-cjk FOLDER RUNS  the same, each edit typing a new random Chinese text,
//                                       so that new characters are drawn all the time
//   quillet-bench showall FOLDER RUNS   全部显示 over every note, in turns and in one go: time
//                                       until every window is shown, and the longest time the
//                                       event loop did not turn meanwhile
//
// FOLDER holds a Quillet.mdb filled with notes (bench/run.py fills it). Runs on any Qt platform;
// the runner uses "offscreen". Every figure is printed as "RESULT <name> <value>" (milliseconds
// unless the name says otherwise), followed by a readable line. Each mode first checks that
// the windows show exactly what the database holds and exits with status 3 when not, so a
// figure never comes from a path that did the wrong thing.

#include "desktop_note/note_window.h"
#include "editor/editor_dialog.h"
#include "main_window/find_bar.h"
#include "main_window/main_controller.h"
#include "main_window/main_form.h"
#include "platform/controls/listview.h"
#include "platform/forms/forms.h"
#include "store/globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// Under valgrind --tool=callgrind --collect-atstart=no, only the timed calls are counted.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define 开始计数() CALLGRIND_TOGGLE_COLLECT
#define 停止计数() CALLGRIND_TOGGLE_COLLECT
#else
#define 开始计数()
#define 停止计数()
#endif

namespace {

[[noreturn]] void 失败(const QString& 说明) {
    std::fprintf(stderr, "quillet-bench: %s\n", 说明.toUtf8().constData());
    std::exit(3);
}

// Lets the event loop deliver what the last step posted: the list's change notice, layout
// and paint requests, and the deletion of closed windows.
void 处理事件() {
    for (int i = 0; i < 8; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

double 毫秒(const QElapsedTimer& 计时) {
    return static_cast<double>(计时.nsecsElapsed()) / 1e6;
}

// One measured step, counted under callgrind: 动作 alone ("call"), then until 收尾 has
// handled what it left behind (repaints, deletions). Round 轮次 < 0 warms the caches and is
// not recorded.
template <typename 动作类型, typename 收尾类型>
void 测一步(int 轮次, std::vector<double>& 调用, std::vector<double>& 含收尾, 动作类型&& 动作,
            收尾类型&& 收尾) {
    QElapsedTimer 计时;
    计时.start();
    开始计数();
    动作();
    const double 调用毫秒 = 毫秒(计时);
    收尾();
    停止计数();
    if (轮次 >= 0) {
        调用.push_back(调用毫秒);
        含收尾.push_back(毫秒(计时));
    }
}

double 中位数(std::vector<double> 值) {
    std::sort(值.begin(), 值.end());
    const std::size_t n = 值.size();
    return n % 2 ? 值[n / 2] : (值[n / 2 - 1] + 值[n / 2]) / 2;
}

void 报告(const char* 名称, const std::vector<double>& 值, const char* 说明) {
    const double 中 = 中位数(值);
    std::printf("RESULT %s %.3f\n", 名称, 中);
    std::printf("  %-28s median %9.3f ms  min %9.3f  max %9.3f  (%zu runs)  %s\n", 名称, 中,
                *std::min_element(值.begin(), 值.end()), *std::max_element(值.begin(), 值.end()),
                值.size(), 说明);
    std::printf("  %-28s each run:", "");
    for (const double v : 值) {
        std::printf(" %.2f", v);
    }
    std::printf("\n");
    std::fflush(stdout);
}

std::vector<Form_Quillet*> 便签窗口() {
    std::vector<Form_Quillet*> 结果;
    for (const auto& 条目 : platform::Forms::快照()) {
        if (条目.存在()) {
            if (auto* 窗口 = dynamic_cast<Form_Quillet*>(条目.窗体)) {
                结果.push_back(窗口);
            }
        }
    }
    return 结果;
}

// 全部显示 opens the windows in turns from the event loop: runs it until 数量 note windows are
// open, then settles as 处理事件 does.
void 等到全部显示(int 数量) {
    QElapsedTimer 计时;
    计时.start();
    while (static_cast<int>(便签窗口().size()) < 数量 && 计时.elapsed() < 600000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    处理事件();
}

Form_添加便签* 打开的编辑器() {
    for (const auto& 条目 : platform::Forms::快照()) {
        if (条目.存在()) {
            if (auto* 编辑器 = dynamic_cast<Form_添加便签*>(条目.窗体)) {
                return 编辑器;
            }
        }
    }
    return nullptr;
}

// Opens the editor on a row as the Edit command does and puts a new text in it.
Form_添加便签* 打开编辑(Form_Main& 主窗口, int 行, const QString& 新文字) {
    主窗口.ListView_Quillet->选中(行);
    主窗口.编辑_修改_Click();
    Form_添加便签* 编辑器 = 打开的编辑器();
    if (!编辑器) {
        失败(QStringLiteral("the editor did not open"));
    }
    编辑器->FlatEdit_内容()->setPlainText(新文字);
    处理事件();
    return 编辑器;
}

struct 便签值 {
    QString 内容;
    std::int32_t 背景 = 0;
    std::int32_t 字色 = 0;
};

std::map<QString, 便签值> 读取全部便签() {
    std::map<QString, 便签值> 结果;
    dao::Recordset 记录 =
        自定义变量::全局数据库().数据库_查找_语句(QStringLiteral("Select * from Tips"));
    if (记录.RecordCount() == 0) {
        return 结果;
    }
    记录.MoveFirst();
    for (long i = 0; i < 记录.RecordCount(); ++i) {
        结果[记录.Fields(QStringLiteral("ID")).ToText()] = {
            记录.Fields(QStringLiteral("content")).ToText(),
            记录.Fields(QStringLiteral("BackColor")).ToInt32(),
            记录.Fields(QStringLiteral("FontColor")).ToInt32()};
        记录.MoveNext();
    }
    return 结果;
}

// Every open note window shows its note's stored text and colours, and the list holds one
// row per stored note with the stored text.
void 核对窗口(Form_Main& 主窗口, const char* 何时) {
    const auto 便签 = 读取全部便签();
    auto& 列表 = *主窗口.ListView_Quillet;
    if (列表.行数() != static_cast<int>(便签.size())) {
        失败(QStringLiteral("%1: the list has %2 rows, the database %3 notes")
                 .arg(QLatin1String(何时))
                 .arg(列表.行数())
                 .arg(便签.size()));
    }
    for (int 行 = 1; 行 <= 列表.行数(); ++行) {
        const auto 找到 = 便签.find(列表.子项(行, 1));
        if (找到 == 便签.end() || 找到->second.内容 != 列表.子项(行, 2)) {
            失败(QStringLiteral("%1: row %2 does not match the database")
                     .arg(QLatin1String(何时))
                     .arg(行));
        }
    }
    for (Form_Quillet* 窗口 : 便签窗口()) {
        const auto 找到 = 便签.find(窗口->Tag);
        if (找到 == 便签.end()) {
            continue;  // a note deleted meanwhile keeps its old window as it is
        }
        const 便签值& 值 = 找到->second;
        if (窗口->Label_Quillet()->text() != 值.内容 || 窗口->背景颜色() != 值.背景 ||
            窗口->文字颜色() != 值.字色) {
            失败(QStringLiteral("%1: the window of note %2 does not show the stored note")
                     .arg(QLatin1String(何时), 窗口->Tag));
        }
    }
}

Form_Main* 新主窗口(const QString& 目录, bool 打开便签窗口) {
    主窗体启动选项 选项;
    选项.程序目录 = 目录;
    auto* 主窗口 = new Form_Main(选项);
    主窗口->升级检查 = nullptr;  // no update check while measuring
    if (打开便签窗口) {
        if (主窗口->Form_Load() != 0) {
            失败(QStringLiteral("the main window did not load ") + 目录);
        }
    } else {
        // The load handler without its note windows: the list is filled exactly as at start,
        // but ten thousand checked rows must not open ten thousand windows here.
        自定义变量::全局数据库().打开数据库(自定义变量::数据库路径(目录), QString());
        主窗口->主窗体对象().初始化界面(*主窗口->ListView_Quillet);
        主窗口->show();
    }
    return 主窗口;
}

Form_Main* 打开主窗口(const QString& 目录, bool 打开便签窗口) {
    Form_Main* 主窗口 = 新主窗口(目录, 打开便签窗口);
    处理事件();
    return 主窗口;
}

int 测重载(const QString& 目录, int 次数) {
    Form_Main* 主窗口 = 打开主窗口(目录, false);
    const int 行数 = 主窗口->ListView_Quillet->行数();
    std::vector<double> 调用, 含绘制;
    for (int i = -1; i < 次数; ++i) {  // the first run warms caches and is not counted
        测一步(
            i, 调用, 含绘制, [&] { 主窗口->编辑_刷新列表_Click(); },
            [&] {
                处理事件();
                主窗口->repaint();
            });
    }
    if (主窗口->ListView_Quillet->行数() != 行数) {
        失败(QStringLiteral("the reload changed the number of rows"));
    }
    核对窗口(*主窗口, "after the reloads");
    std::printf("RESULT reload_rows %d\n", 行数);
    报告("reload_call", 调用, "编辑_刷新列表_Click returns");
    报告("reload_painted", 含绘制, "... and the list's notices and repaint are done");
    return 0;
}

// Types a note's first characters into the find bar one at a time and takes them back, the list
// filtered at every keystroke; then the same on a text no note holds.
int 测查找(const QString& 目录, int 次数) {
    Form_Main* 主窗口 = 打开主窗口(目录, false);
    auto& 列表 = *主窗口->ListView_Quillet;
    const int 行数 = 列表.行数();
    主窗口->编辑_查找_Click();
    QLineEdit* 输入框 = 主窗口->查找栏_->输入框();
    const QString 文字 = 列表.子项(行数 / 2, 2).left(6);
    std::vector<QString> 键入;
    for (qsizetype n = 1; n <= 文字.size(); ++n) {
        键入.push_back(文字.left(n));
    }
    for (qsizetype n = 文字.size() - 1; n >= 1; --n) {
        键入.push_back(文字.left(n));
    }
    键入.push_back(QStringLiteral("zzqq"));
    std::vector<double> 调用, 含绘制;
    for (int i = -1; i < 次数; ++i) {
        for (const QString& 内容 : 键入) {
            测一步(
                i, 调用, 含绘制, [&] { 输入框->setText(内容); },
                [&] {
                    处理事件();
                    主窗口->repaint();
                });
        }
    }
    输入框->setText(文字);
    if (列表.显示行数() < 1 || 列表.行数() != 行数) {
        失败(QStringLiteral("the find does not show the note its text was taken from"));
    }
    主窗口->查找栏_->关闭();
    核对窗口(*主窗口, "after the finds");
    std::printf("RESULT find_rows %d\n", 行数);
    报告("find_key_call", 调用, "one keystroke's filtering of the list");
    报告("find_key_painted", 含绘制, "... and the list's notices and repaint are done");
    return 0;
}

int 测保存(const QString& 目录, int 次数) {
    Form_Main* 主窗口 = 打开主窗口(目录, true);
    auto& 列表 = *主窗口->ListView_Quillet;
    const int 窗口数 = static_cast<int>(便签窗口().size());
    // The note edited: a checked row in the middle of the list, so its window is open.
    int 目标行 = 0;
    for (int 行 = 列表.行数() / 2; 行 >= 1 && 目标行 == 0; --行) {
        if (列表.勾选(行)) {
            目标行 = 行;
        }
    }
    if (目标行 == 0) {
        失败(QStringLiteral("no open note window to edit"));
    }
    const QString 编号 = 列表.子项(目标行, 1);
    std::vector<double> 调用, 含绘制;
    for (int i = -1; i < 次数; ++i) {
        const QString 新文字 =
            QStringLiteral("第 %1 次修改：明天上午十点开会，带上季度报告。").arg(i + 2);
        Form_添加便签* 编辑器 = 打开编辑(*主窗口, 目标行, 新文字);

        测一步(
            i, 调用, 含绘制, [&] { 编辑器->PushButton_保存并关闭()->click(); }, 处理事件);

        if (打开的编辑器()) {
            失败(QStringLiteral("the editor is still open after 保存并关闭"));
        }
        bool 已刷新 = false;
        for (Form_Quillet* 窗口 : 便签窗口()) {
            已刷新 = 已刷新 || (窗口->Tag == 编号 && 窗口->Label_Quillet()->text() == 新文字);
        }
        if (!已刷新) {
            失败(QStringLiteral("the edited note's window does not show the new text"));
        }
        // The row the edit left where it was (the list keeps the database's order).
        if (列表.子项(目标行, 1) != 编号) {
            失败(QStringLiteral("the edited note moved in the list"));
        }
    }
    核对窗口(*主窗口, "after the saves");
    std::printf("RESULT save_rows %d\nRESULT save_windows %d\n", 列表.行数(), 窗口数);
    报告("save_call", 调用, "\"保存并关闭\" click returns (write, reload, refresh, mark)");
    报告("save_settled", 含绘制, "... and the posted events (repaint, deletions) are done");

    // Where the round trip goes: the same steps one by one.
    std::vector<double> 写入, 重载, 刷新;
    for (int i = 0; i < 次数; ++i) {
        QElapsedTimer 计时;
        计时.start();
        自定义变量::全局数据库().数据库_添加_语句(
            QStringLiteral("UPDATE Tips SET content='step %1' where id = %2").arg(i).arg(编号));
        写入.push_back(毫秒(计时));
        计时.restart();
        主窗口->编辑_刷新列表_Click();
        重载.push_back(毫秒(计时));
        计时.restart();
        主窗口->刷新便签();
        刷新.push_back(毫秒(计时));
        处理事件();
    }
    核对窗口(*主窗口, "after the single steps");
    报告("save_part_write", 写入, "one durable UPDATE through 全局数据库");
    报告("save_part_reload", 重载, "编辑_刷新列表_Click");
    报告("save_part_refresh", 刷新, "刷新便签 over every open note window");
    return 0;
}

int 测刷新(const QString& 目录, int 次数) {
    Form_Main* 主窗口 = 打开主窗口(目录, true);
    const int 窗口数 = static_cast<int>(便签窗口().size());
    // New colours for every note, so the refresh has real work and its result can be checked.
    自定义变量::全局数据库().数据库_添加_语句(
        QStringLiteral("UPDATE Tips SET BackColor='8454143', FontColor='128'"));
    主窗口->编辑_刷新列表_Click();
    std::vector<double> 刷新;
    for (int i = -1; i < 次数; ++i) {
        QElapsedTimer 计时;
        计时.start();
        开始计数();
        主窗口->刷新便签();
        停止计数();
        if (i >= 0) {
            刷新.push_back(毫秒(计时));
        }
    }
    处理事件();
    核对窗口(*主窗口, "after the refresh");
    std::printf("RESULT refresh_rows %d\nRESULT refresh_windows %d\n",
                主窗口->ListView_Quillet->行数(), 窗口数);
    报告("refresh", 刷新, "刷新便签");
    return 0;
}

// The load handler with every note window, on the current platform: how much of the start is
// the program's own work, apart from the window system and the window manager.
int 测启动(const QString& 目录, int 次数) {
    std::vector<double> 加载, 含绘制;
    int 窗口数 = 0;
    for (int i = -1; i < 次数; ++i) {
        Form_Main* 主窗口 = nullptr;
        测一步(
            i, 加载, 含绘制, [&] { 主窗口 = 新主窗口(目录, true); }, 处理事件);
        窗口数 = static_cast<int>(便签窗口().size());
        if (i + 1 < 次数) {
            // Closes every window and the database the way the exit command does.
            主窗口->结束程序();
            处理事件();
        }
    }
    std::printf("RESULT load_windows %d\n", 窗口数);
    报告("load", 加载, "new Form_Main + Form_Load (database, list, note windows, show)");
    报告("load_painted", 含绘制, "... and the first paint of every window");
    return 0;
}

// 全部显示 with every note hidden before: the time until all windows are shown (each one's
// map request answered by the window system) and the longest pause of the event loop, seen
// by a timer that fires on every turn of the loop. Once in turns as the program does it, once
// in one go (as before the turns, for comparison).
int 测全部显示(const QString& 目录, int 次数) {
    Form_Main* 主窗口 = 打开主窗口(目录, false);
    const int 行数 = 主窗口->ListView_Quillet->行数();
    const int 每批毫秒 = 主窗口->全部显示每批毫秒;
    for (const bool 分批 : {true, false}) {
        主窗口->全部显示每批毫秒 = 分批 ? 每批毫秒 : std::numeric_limits<int>::max();
        std::vector<double> 用时, 最长停顿;
        for (int i = 0; i < 次数; ++i) {
            主窗口->托盘菜单_全部隐藏_Click();
            处理事件();
            QElapsedTimer 计时, 上次;
            double 最长 = 0;
            QTimer 心跳;
            QObject::connect(&心跳, &QTimer::timeout, [&] {
                最长 = std::max(最长, 毫秒(上次));
                上次.restart();
            });
            心跳.start(0);
            计时.start();
            上次.start();
            主窗口->托盘菜单_全部显示_Click();
            while (static_cast<int>(便签窗口().size()) < 行数) {
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            }
            用时.push_back(毫秒(计时));
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            最长停顿.push_back(std::max(最长, 毫秒(上次)));
            心跳.stop();
        }
        核对窗口(*主窗口, "after show all");
        报告(分批 ? "showall_turns" : "showall_one_go", 用时,
             "全部显示 until every note window is shown");
        报告(分批 ? "showall_turns_pause" : "showall_one_go_pause", 最长停顿,
             "... the longest time the event loop did not turn");
    }
    std::printf("RESULT showall_windows %d\n", 行数);
    return 0;
}

// The process's resident memory (VmRSS) in KiB, from /proc (Linux).
long 常驻内存KiB() {
    QFile 状态(QStringLiteral("/proc/self/status"));
    if (!状态.open(QIODevice::ReadOnly)) {
        失败(QStringLiteral("/proc/self/status cannot be read"));
    }
    for (const QByteArray& 行 : 状态.readAll().split('\n')) {
        if (行.startsWith("VmRSS:")) {
            return 行.mid(6).trimmed().split(' ').front().toLong();
        }
    }
    失败(QStringLiteral("no VmRSS in /proc/self/status"));
}

// Memory the program's allocator has handed out and not had back, in KiB (-1 where unknown):
// unlike the resident size it does not keep freed pages.
long 堆在用KiB() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
    const struct mallinfo2 信息 = mallinfo2();
    return static_cast<long>((信息.uordblks + 信息.hblkhd) / 1024);
#else
    return -1;
#endif
}

// The first and the last 段 values of a series of cycles, each as a median.
void 报告首尾(const char* 名称, const std::vector<double>& 值, std::size_t 段, const char* 说明) {
    段 = std::min(段, 值.size());
    const std::vector<double> 首(值.begin(), 值.begin() + static_cast<long>(段));
    const std::vector<double> 尾(值.end() - static_cast<long>(段), 值.end());
    std::printf("RESULT %s_first %.3f\nRESULT %s_last %.3f\n", 名称, 中位数(首), 名称, 中位数(尾));
    std::printf(
        "  %-28s %zu cycles: median of the first %zu %.3f ms, of the last %zu %.3f ms,"
        " max %.3f  %s\n",
        名称, 值.size(), 段, 中位数(首), 段, 中位数(尾), *std::max_element(值.begin(), 值.end()),
        说明);
    std::fflush(stdout);
}

// A text of 长度 Chinese characters drawn at random from the unified ideographs (U+4E00 to
// U+9FA5, 20,902 characters; QUILLET_BENCH_CJK_CHARS=N draws from the first N of them only),
// the same sequence on every run.
QString 随机中文(std::mt19937& 随机数, int 长度) {
    constexpr int 首字 = 0x4E00;
    constexpr int 字数 = 0x9FA5 - 首字 + 1;
    const int 限 = qEnvironmentVariableIntValue("QUILLET_BENCH_CJK_CHARS");
    std::uniform_int_distribution<int> 字(首字, 首字 + (限 > 0 && 限 < 字数 ? 限 : 字数) - 1);
    QString 文字;
    文字.reserve(长度);
    for (int i = 0; i < 长度; ++i) {
        文字.append(QChar(static_cast<char16_t>(字(随机数))));
    }
    return 文字;
}

// A long run of the commands a user repeats all day, to show whether memory or time per
// command grows with use: every cycle edits one note (rows in turn) and saves it with
// "保存并关闭"; then every note window is hidden and shown again, all at once. With 随机文字
// every edit types 40 new random Chinese characters, so the glyph caches meet new characters
// all the time; the memory is then also reported after every tenth of the edits, to show
// where it levels off.
int 测耐久(const QString& 目录, int 次数, bool 随机文字) {
    Form_Main* 主窗口 = 打开主窗口(目录, true);
    auto& 列表 = *主窗口->ListView_Quillet;
    const int 行数 = 列表.行数();
    if (行数 == 0) {
        失败(QStringLiteral("no notes to edit"));
    }
    const int 显隐次数 = std::max(1, 次数 / 10);
    constexpr std::size_t 段 = 100;
    std::vector<double> 编辑, 显隐;
    编辑.reserve(static_cast<std::size_t>(次数));
    显隐.reserve(static_cast<std::size_t>(显隐次数));
    long 预热后 = 0;
    long 预热后在用 = 0;
    const long 起始 = 常驻内存KiB();
    const long 起始在用 = 堆在用KiB();
    std::mt19937 随机数(20261208);
    const int 采样间隔 = std::max(1, 次数 / 10);
    for (int i = 0; i < 次数; ++i) {
        const QString 新文字 =
            随机文字 ? 随机中文(随机数, 40)
                     : QStringLiteral("第 %1 次修改：明天上午十点开会，带上季度报告。").arg(i + 1);
        QElapsedTimer 计时;
        计时.start();
        Form_添加便签* 编辑器 = 打开编辑(*主窗口, i % 行数 + 1, 新文字);
        编辑器->PushButton_保存并关闭()->click();
        处理事件();
        编辑.push_back(毫秒(计时));
        if (打开的编辑器()) {
            失败(QStringLiteral("the editor is still open after 保存并关闭"));
        }
        if (i + 1 == static_cast<int>(段)) {
            预热后 = 常驻内存KiB();
            预热后在用 = 堆在用KiB();
        }
        if ((i + 1) % 采样间隔 == 0) {
            std::printf("RESULT soak_rss_at_%d_kib %ld\nRESULT soak_heap_at_%d_kib %ld\n", i + 1,
                        常驻内存KiB(), i + 1, 堆在用KiB());
            std::fflush(stdout);
        }
    }
    核对窗口(*主窗口, "after the edits");
    const long 编辑后 = 常驻内存KiB();
    const long 编辑后在用 = 堆在用KiB();
    long 显隐预热后 = -1;  // none when there are fewer cycles
    for (int i = 0; i < 显隐次数; ++i) {
        QElapsedTimer 计时;
        计时.start();
        主窗口->托盘菜单_全部隐藏_Click();
        处理事件();
        if (!便签窗口().empty()) {
            失败(QStringLiteral("hide all left note windows open"));
        }
        主窗口->托盘菜单_全部显示_Click();
        等到全部显示(行数);
        显隐.push_back(毫秒(计时));
        if (static_cast<int>(便签窗口().size()) != 行数) {
            失败(QStringLiteral("show all did not open one window per note"));
        }
        if (i + 1 == static_cast<int>(段)) {
            显隐预热后 = 常驻内存KiB();
        }
    }
    核对窗口(*主窗口, "after hiding and showing");
    const long 结束 = 常驻内存KiB();
    const long 结束在用 = 堆在用KiB();
    std::printf(
        "RESULT soak_notes %d\nRESULT soak_edit_cycles %d\nRESULT soak_hide_show_cycles "
        "%d\n",
        行数, 次数, 显隐次数);
    std::printf(
        "RESULT soak_rss_start_kib %ld\nRESULT soak_rss_warm_kib %ld\n"
        "RESULT soak_rss_after_edits_kib %ld\nRESULT soak_rss_hide_show_warm_kib %ld\n"
        "RESULT soak_rss_end_kib %ld\n",
        起始, 预热后, 编辑后, 显隐预热后, 结束);
    std::printf(
        "RESULT soak_heap_start_kib %ld\nRESULT soak_heap_warm_kib %ld\n"
        "RESULT soak_heap_after_edits_kib %ld\nRESULT soak_heap_end_kib %ld\n",
        起始在用, 预热后在用, 编辑后在用, 结束在用);
    std::printf(
        "  resident memory (KiB): %ld at the start, %ld after %zu edits, %ld after all "
        "edits, %ld at the end: %+ld in all, %+ld after the first %zu edits\n",
        起始, 预热后, 段, 编辑后, 结束, 结束 - 起始, 结束 - 预热后, 段);
    报告首尾("soak_edit", 编辑, 段, "open the editor, change the text, 保存并关闭, settle");
    报告首尾("soak_hide_show", 显隐, 段, "全部隐藏 then 全部显示, each settled");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Window updates are delivered as soon as the loop is idle, not after Qt's idle delay, so
    // the time until painted counts work only.
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
#ifdef __GLIBC__
    // The soak's memory figures are those of the program, which keeps one malloc pool.
    if (argc > 1 && std::string(argv[1]).starts_with("soak")) {
        mallopt(M_ARENA_MAX, 1);
    }
#endif
    QApplication 程序(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList 参数 = QApplication::arguments();
    if (参数.size() != 4) {
        std::fprintf(
            stderr,
            "usage: quillet-bench reload|save|refresh|load|soak|soak-cjk|showall FOLDER RUNS\n");
        return 2;
    }
    const QString 模式 = 参数[1];
    const QString 目录 = 参数[2];
    const int 次数 = std::max(1, 参数[3].toInt());
    const std::map<QString, std::function<int()>> 模式表 = {
        {QStringLiteral("reload"), [&] { return 测重载(目录, 次数); }},
        {QStringLiteral("find"), [&] { return 测查找(目录, 次数); }},
        {QStringLiteral("save"), [&] { return 测保存(目录, 次数); }},
        {QStringLiteral("refresh"), [&] { return 测刷新(目录, 次数); }},
        {QStringLiteral("load"), [&] { return 测启动(目录, 次数); }},
        {QStringLiteral("soak"), [&] { return 测耐久(目录, 次数, false); }},
        {QStringLiteral("soak-cjk"), [&] { return 测耐久(目录, 次数, true); }},
        {QStringLiteral("showall"), [&] { return 测全部显示(目录, 次数); }},
    };
    const auto 找到 = 模式表.find(模式);
    if (找到 == 模式表.end()) {
        std::fprintf(stderr, "unknown mode %s\n", 参数[1].toUtf8().constData());
        return 2;
    }
    const int 结果 = 找到->second();
    // The windows are left to the end of the process: tearing down thousands of widgets is
    // not part of any figure.
    std::fflush(stdout);
    std::_Exit(结果);
}
