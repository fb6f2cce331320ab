// SPDX-License-Identifier: MIT
#pragma once

#include "desktop_note/note_window.h"
#include "editor/editor_dialog.h"
#include "main_window/global_shortcuts.h"
#include "main_window/main_controller.h"
#include "platform/forms/forms.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class QVBoxLayout;
class Class_主窗体;
class 查找栏;
namespace 便签位置 {
class 记录器;
}
namespace platform::controls {
class ListView;
class WebPane;
}  // namespace platform::controls

// How the main window starts: where the program lives and what it was started with.
struct 主窗体启动选项 {
    // The program's folder; empty for the folder of the running executable. The note database
    // is the file Quillet.mdb in it.
    QString 程序目录;
    // The command-line arguments after the program's name.
    QStringList 参数;
};

// Form_Main: the program's main window. It lists the notes, owns the menus, the tray icon and
// the update timer, and stays loaded until the exit command: closing it only hides it.
// Heap-allocate it; it deletes itself when it really closes.
class Form_Main : public QMainWindow,
                  public platform::Form,
                  public 便签菜单宿主,
                  public 编辑器宿主 {
  public:
    explicit Form_Main(主窗体启动选项 选项 = {});
    ~Form_Main() override;

    // Brings up the program: database, list, note windows, check marks, then shows the window
    // (or not, for "mini"). Returns 0 when the program runs; otherwise the user has been told
    // why it cannot start and the result is the status to end with.
    int Form_Load();

    // Another start of the program for the same note database handed over its arguments:
    // without "mini" the window is shown as the tray icon shows it; "mini" changes nothing.
    void 再次启动(const QStringList& 参数);
    // Tells the user that the program runs for the note database but does not answer, so this
    // start ends.
    static void 报告程序无应答(const QString& 数据库路径);
    // Tells the user that the database's lock could not be taken, so this start ends.
    static void 报告无法加锁(const QString& 数据库路径, const QString& 锁文件);

    // The controls.
    platform::controls::WebPane* WebBrowser_广告 = nullptr;
    QTabWidget* TabControl_Main = nullptr;
    platform::controls::ListView* ListView_Quillet = nullptr;
    查找栏* 查找栏_ = nullptr;  // shown over the list only while the user finds a note
    // The list's container on the tab control: a control inserted at 0 sits above the list.
    QVBoxLayout* 列表区 = nullptr;
    QTimer* Timer_自动升级 = nullptr;
    // Looks every few minutes whether the day has changed, for the day's backup.
    QTimer* Timer_每日备份 = nullptr;
    QSystemTrayIcon* TrayIcon = nullptr;

    // The menus: four in the menu bar, three opened only as popups.
    QMenu* 文件 = nullptr;
    QMenu* 编辑 = nullptr;
    QMenu* 工具 = nullptr;
    QMenu* 帮助 = nullptr;
    QMenu* 托盘菜单 = nullptr;
    QMenu* 列表菜单 = nullptr;
    QMenu* 便签菜单 = nullptr;
    QAction* 编辑_全选 = nullptr;
    QAction* 工具_开机启动 = nullptr;
    QAction* 工具_桌面菜单 = nullptr;
    QAction* 工具_记住便签位置 = nullptr;
    QAction* 工具_全局快捷键 = nullptr;

    // A menu item (or separator) by its name, such as "文件_新建"; nullptr for none.
    QAction* 菜单项(const QString& 名称) const;

    // The list controller, created on first use.
    Class_主窗体& 主窗体对象();
    // The note whose desktop window last opened 便签菜单.
    std::int32_t 当前便签编号 = 0;

    bool 退出标志() const { return 退出标志_; }

    // Whether a notification area is there to hold the tray icon; looked at each time the
    // window is closed. Replaceable, so both cases can be exercised anywhere.
    std::function<bool()> 托盘可用;
    // The update check handed to the update library; by default 自定义方法::DoUpdate.
    std::function<void(std::int32_t 窗口句柄, const QByteArray& 地址)> 升级检查;
    // 全部显示 opens the note windows in turns of about this many milliseconds (at least one
    // window a turn) and lets the event loop run between them, so that the program keeps
    // answering while thousands of windows appear.
    int 全部显示每批毫秒 = 25;

    // Commands of the menus.
    void 文件_新建_Click();
    void 文件_退出_Click();
    void 编辑_删除_Click();
    void 编辑_修改_Click();
    void 编辑_撤销删除_Click();
    void 编辑_查找_Click();
    void 编辑_刷新列表_Click() override;
    void 工具_开机启动_Click();
    void 工具_记住便签位置_Click();
    void 工具_全局快捷键_Click();
    void 帮助_关于_Click();
    void 托盘菜单_新建_Click();
    void 托盘菜单_显示窗口_Click();
    void 托盘菜单_全部隐藏_Click();
    void 托盘菜单_全部显示_Click();
    void 托盘菜单_退出程序_Click();
    void 列表菜单_新建_Click();
    void 列表菜单_全部隐藏_Click();
    void 列表菜单_全部显示_Click();
    void 列表菜单_删除_Click();
    void 列表菜单_修改_Click();
    void 列表菜单_撤销删除_Click();
    void 列表菜单_刷新列表_Click();
    void 便签菜单_修改_Click();
    void 便签菜单_删除_Click();
    void 便签菜单_关闭窗口_Click();

    // Notifications of the list, the tray icon and the timer.
    void ListView_Quillet_ItemCheck(int 行);
    void ListView_Quillet_MouseButton(Qt::MouseButton 按键, QPoint 全局位置);
    void ListView_Quillet_DblClick(int 行);
    void TrayIcon_Activate();
    void TrayIcon_MouseButton(Qt::MouseButton 按键);
    void Timer_自动升级_Timer();
    void Form_Resize();
    // The global shortcut of show or hide: hides every note when any is on the screen, else
    // shows them all.
    void 全部显示或隐藏();

    // Ends the program without a question: every window closes in load order, then the main
    // window and the database, then the event loop. The exit command runs it after a Yes.
    void 结束程序();

    // 便签菜单宿主
    void 设置当前便签编号(const QString& 编号文字) override;
    void 弹出便签菜单(QWidget* 窗口, std::optional<QPoint> 键盘位置) override;

    // 编辑器宿主 (编辑_刷新列表_Click above)
    void 刷新便签() override;
    void 选中便签(std::int32_t 编号) override;

  protected:
    void closeEvent(QCloseEvent* 事件) override;
    void changeEvent(QEvent* 事件) override;
    bool eventFilter(QObject* 对象, QEvent* 事件) override;

  private:
    void 创建控件();
    void 布置控件();        // the layouts that place the controls and follow the window
    void 设置无障碍说明();  // names and descriptions a screen reader gives the controls
    void 创建菜单();
    QAction* 添加项(QMenu* 菜单, const QString& 名称, const QString& 标题,
                    void (Form_Main::*处理)() = nullptr, const QKeySequence& 快捷键 = {});
    QAction* 添加分隔符(QMenu* 菜单, const QString& 名称);
    void 隐藏到托盘();
    // The selected row for the delete and edit commands; 0 when the command is to stop.
    int 选中便签行();
    // Finds the row of 当前便签编号 (of its text, for an id that is no number); 0 when no row
    // holds it.
    int 当前便签行() const;
    // The row of the note with this id text; 0 when no row holds it.
    int 便签行(const QString& 编号) const;
    // Reloads the list (see Class_主窗体::重新载入), keeps the notes whose rows went so that
    // their delete can be undone, and keeps the selected note selected.
    Class_主窗体::重新载入结果 重新载入列表(const QSet<QString>& 不显示 = {});
    // A note-menu command for a note whose row is gone: says so, and closes its windows or not.
    void 便签不在列表中(bool 关闭窗口);
    QWidget* 消息框父窗口();
    // Shows the next turn of 全部显示; a hide-all, a reload or the exit ends it.
    void 继续全部显示();
    void 停止全部显示() { 全部显示下一行_ = 0; }
    // The start's work that no window needs for its first picture: run from the event loop
    // once the windows have been shown.
    void 显示后启动(const QString& 数据库路径);
    // Takes the global shortcuts of the setting; tells the user of those that cannot be had.
    void 应用全局快捷键(const 全局快捷键设置::设定& 设定);

    主窗体启动选项 选项_;
    std::unique_ptr<Class_主窗体> 主窗体对象_;
    std::shared_ptr<便签位置::记录器> 便签位置_;
    std::unique_ptr<全局快捷键设置::管理器> 全局快捷键_;
    QWidget* 客户区_ = nullptr;
    bool 退出标志_ = false;
    bool 正在退出_ = false;
    bool 开机启动勾选_ = false;
    bool 曾经最小化_ = false;
    // The Tag of the note window that last opened 便签菜单: the id text, a number or not.
    QString 当前便签文字_;
    // Closed without a tray, so minimised instead of hidden.
    bool 关闭时已最小化_ = false;
    int 全部显示下一行_ = 0;  // the row 全部显示 goes on from; 0 when it is not running
    QTimer* 全部显示计时器_ = nullptr;
};
