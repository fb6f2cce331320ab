// SPDX-License-Identifier: MIT
#include "main_window/main_form.h"

#include "editor/drafts.h"
#include "main_window/busy_wait.h"
#include "main_window/find_bar.h"
#include "main_window/list_sort.h"
#include "main_window/main_controller.h"
#include "main_window/menu_style.h"
#include "main_window/note_places.h"
#include "main_window/shortcut_dialog.h"
#include "platform/controls/colorpicker.h"
#include "platform/controls/listview.h"
#include "platform/controls/menu_key.h"
#include "platform/controls/webpane.h"
#include "platform/dao/dao.h"
#include "platform/forms/layouts.h"
#include "platform/forms/pixel_buffer.h"
#include "platform/forms/twips.h"
#include "platform/forms/window_look.h"
#include "platform/forms/window_system.h"
#include "platform/forms/x11_hints.h"
#include "platform/log/log.h"
#include "platform/shell/shell.h"
#include "services/about_dialog.h"
#include "services/autostart.h"
#include "services/message_box.h"
#include "services/site.h"
#include "services/update_bridge.h"
#include "store/backup.h"
#include "store/deleted_notes.h"
#include "store/globals.h"
#include "store/note_record.h"
#include "store/statements.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>

namespace {

using platform::缇转像素;

constexpr int 设计宽度缇 = 9480;
constexpr int 设计高度缇 = 7140;

// The program's icon is given to each of its windows rather than to the whole application,
// because the desktop note windows have none (on X11 each of them would otherwise carry a copy
// that the window manager reads). A message box without a parent window gets it here.
int 显示消息框(QMessageBox& 消息框) {
    消息框.setWindowIcon(程序图标());
    return 消息框.exec();
}

void 显示错误(const QString& 文字, QWidget* 父窗口 = nullptr) {
    消息::显示(父窗口, QMessageBox::Critical, 文字);
}

// Why the program cannot start; also on the error stream, for a start from a terminal or a
// log-on script.
void 显示启动错误(const QString& 全文) {
    std::fprintf(stderr, "%s\n", 全文.toLocal8Bit().constData());
    显示错误(全文);
}

// The log-on start: the whole argument text is "mini".
bool 隐藏启动(const QStringList& 参数) {
    return 参数 == QStringList{QStringLiteral("mini")};
}

// Runs a command from an event of the window system: nothing may escape into Qt's own code.
template <class 动作类型>
void 保护执行(动作类型&& 动作) {
    platform::log::异常边界(lcMain, "a command failed, nothing shown", [&] {
        try {
            动作();
        } catch (const dao::Error& 错误) {
            消息::数据库错误(nullptr, QStringLiteral("命令没有完成。"), 错误);
        } catch (const std::exception& 错误) {
            显示错误(QStringLiteral("命令没有完成：%1").arg(QString::fromLocal8Bit(错误.what())));
        }
    });
}

}  // namespace

Form_Main::Form_Main(主窗体启动选项 选项)
    : QMainWindow(nullptr), platform::Form(this), 选项_(std::move(选项)) {
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(platform::应用程序标题());
    setWindowIcon(程序图标());
    // Mostly the window waits hidden in the tray, where it needs no pixels.
    platform::隐藏时释放像素缓冲(this);
    setFont(platform::窗体字体());

    托盘可用 = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    升级检查 = [](std::int32_t 句柄, const QByteArray& 地址) { 自定义方法::DoUpdate(句柄, 地址); };

    创建控件();
    创建菜单();

    // The design's client area, centred on the screen.
    客户区_->resize(缇转像素(设计宽度缇), 缇转像素(设计高度缇));
    resize(缇转像素(设计宽度缇), 缇转像素(设计高度缇) + menuBar()->sizeHint().height());
    platform::移到屏幕中央(*this);
    Form_Resize();

    qApp->installEventFilter(this);
    // Log-out: what the editors hold is on disk before the session ends the program.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, this,
                     [](QSessionManager&) { 草稿::全部立即保存(); });
}

Form_Main::~Form_Main() {
    if (ListView_Quillet) {
        ListView_Quillet->勾选已改变 = nullptr;
        ListView_Quillet->鼠标按键 = nullptr;
    }
}

void Form_Main::创建控件() {
    客户区_ = new QWidget(this);
    客户区_->setObjectName(QStringLiteral("客户区"));
    setCentralWidget(客户区_);

    WebBrowser_广告 = new platform::controls::WebPane(客户区_);
    WebBrowser_广告->setObjectName(QStringLiteral("WebBrowser_广告"));
    WebBrowser_广告->设置占位文字(QStringLiteral("Quillet 桌面便签"));

    TabControl_Main = new QTabWidget(客户区_);
    TabControl_Main->setObjectName(QStringLiteral("TabControl_Main"));
    auto* 页 = new QWidget;
    页->setObjectName(QStringLiteral("TabControl_Main_页0"));
    TabControl_Main->addTab(页, QStringLiteral("Quillet"));

    // The list sits on the tab control at its own position, above the tab's page.
    ListView_Quillet = new platform::controls::ListView(TabControl_Main);
    ListView_Quillet->setObjectName(QStringLiteral("ListView_Quillet"));
    ListView_Quillet->raise();
    ListView_Quillet->勾选已改变 = [this](int 行) { ListView_Quillet_ItemCheck(行); };
    ListView_Quillet->鼠标按键 = [this](Qt::MouseButton 按键, QPoint 位置) {
        ListView_Quillet_MouseButton(按键, 位置);
    };
    ListView_Quillet->菜单键 = [this](QPoint 位置) {
        platform::controls::键盘弹出(*列表菜单, 位置);
    };
    // A double click on a row opens it; one in the first column, the check box's, only toggles
    // the mark.
    QObject::connect(
        ListView_Quillet, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& 索引) {
            if (索引.column() != 0) {
                保护执行(
                    [this, 行 = ListView_Quillet->索引行(索引)] { ListView_Quillet_DblClick(行); });
            }
        });

    布置控件();
    setTabOrder(TabControl_Main, ListView_Quillet);
    setTabOrder(ListView_Quillet, WebBrowser_广告);
    // The find bar opens above the list, which gives up its top for it; closed, it is no part
    // of the layout at all.
    查找栏_ = new 查找栏(*ListView_Quillet, TabControl_Main);
    查找栏_->已开关 = [this](bool 打开) {
        if (打开) {
            列表区->insertWidget(0, 查找栏_);
        } else {
            列表区->removeWidget(查找栏_);
        }
    };
    setTabOrder(查找栏_->输入框(), ListView_Quillet);
    // The keyboard starts in the list, the control the window is for.
    ListView_Quillet->setFocus();
    设置无障碍说明();

    全部显示计时器_ = new QTimer(this);
    全部显示计时器_->setSingleShot(true);
    全部显示计时器_->setInterval(0);
    QObject::connect(全部显示计时器_, &QTimer::timeout, this, [this] { 继续全部显示(); });
    Timer_自动升级 = new QTimer(this);
    Timer_自动升级->setObjectName(QStringLiteral("Timer_自动升级"));
    Timer_自动升级->setInterval(2000);
    // One tick only, even if the update library were to wait inside its call.
    Timer_自动升级->setSingleShot(true);
    QObject::connect(Timer_自动升级, &QTimer::timeout, this,
                     [this] { 保护执行([this] { Timer_自动升级_Timer(); }); });

    // A program that runs for days in the tray still makes each day's backup.
    Timer_每日备份 = new QTimer(this);
    Timer_每日备份->setObjectName(QStringLiteral("Timer_每日备份"));
    Timer_每日备份->setInterval(std::chrono::minutes(5));
    QObject::connect(Timer_每日备份, &QTimer::timeout, this, [] {
        数据库操作模块& 库 = 自定义变量::全局数据库();
        自动备份::每日备份(库, 库.路径(), store::现在().date());
    });
    数据库等待::安装();

    TrayIcon = new QSystemTrayIcon(程序图标(), this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setToolTip(QStringLiteral("Quillet"));
    QObject::connect(TrayIcon, &QSystemTrayIcon::activated, this,
                     [this](QSystemTrayIcon::ActivationReason 原因) {
                         switch (原因) {
                             case QSystemTrayIcon::Trigger:
                             case QSystemTrayIcon::DoubleClick:
                                 TrayIcon_Activate();
                                 break;
                             case QSystemTrayIcon::Context:
                                 保护执行([this] { TrayIcon_MouseButton(Qt::RightButton); });
                                 break;
                             default:
                                 break;
                         }
                     });
}

void Form_Main::布置控件() {
    // The advertisement pane spans the top at its own height; the tab control fills the rest,
    // a gap below the pane. Both share the client area's one cell, the tab control held off
    // the pane by its margins rather than stacked below it: a stack would squeeze the pane
    // and pull the tab control up once the client area is lower than the pane, where now
    // the tab control's height stops at zero and the pane keeps its own.
    auto* 客户区布局 = new QGridLayout(客户区_);
    客户区布局->setContentsMargins(0, 0, 0, 0);
    WebBrowser_广告->setFixedHeight(缇转像素(1005));
    WebBrowser_广告->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    客户区布局->addWidget(WebBrowser_广告, 0, 0, Qt::AlignTop);
    auto* 标签区 = new QVBoxLayout;
    标签区->setContentsMargins(platform::缇边距(30, 1050, 0, 0));
    标签区->addWidget(TabControl_Main);
    客户区布局->addLayout(标签区, 0, 0);

    // The list sits on the tab control, inset from its edges.
    列表区 = new QVBoxLayout(TabControl_Main);
    列表区->setContentsMargins(platform::缇边距(30, 330, 60, 45));
    列表区->setSpacing(缇转像素(45));
    列表区->addWidget(ListView_Quillet);

    for (QWidget* 控件 : {客户区_, static_cast<QWidget*>(TabControl_Main),
                          static_cast<QWidget*>(ListView_Quillet)}) {
        platform::可缩至零(控件);
    }
}

void Form_Main::设置无障碍说明() {
    ListView_Quillet->setAccessibleName(QStringLiteral("便签列表"));
    ListView_Quillet->setAccessibleDescription(
        QStringLiteral("每行一条便签。空格键勾选或取消行首的复选框，决定便签是否显示在桌面上；"
                       "菜单键或 Shift+F10 打开列表菜单"));
    ListView_Quillet->设置勾选说明(QStringLiteral("已显示在桌面"), QStringLiteral("未显示在桌面"),
                                   QStringLiteral("勾选时这条便签显示在桌面上"));
    WebBrowser_广告->setAccessibleName(QStringLiteral("广告"));
    WebBrowser_广告->setAccessibleDescription(
        QStringLiteral("程序网站上的广告页，其中的链接在浏览器中打开"));
}

QAction* Form_Main::添加项(QMenu* 菜单, const QString& 名称, const QString& 标题,
                           void (Form_Main::*处理)(), const QKeySequence& 快捷键) {
    QAction* 项 = 菜单->addAction(标题);
    项->setObjectName(名称);
    if (!快捷键.isEmpty()) {
        项->setShortcut(快捷键);
        项->setShortcutContext(Qt::WindowShortcut);
    }
    if (处理) {
        QObject::connect(项, &QAction::triggered, this,
                         [this, 处理] { 保护执行([this, 处理] { (this->*处理)(); }); });
    }
    return 项;
}

QAction* Form_Main::添加分隔符(QMenu* 菜单, const QString& 名称) {
    QAction* 项 = 菜单->addSeparator();
    项->setObjectName(名称);
    return 项;
}

void Form_Main::创建菜单() {
    QMenuBar* 菜单栏 = menuBar();
    auto 新菜单 = [](const QString& 名称, const QString& 标题, QWidget* 父) {
        auto* 菜单 = new QMenu(标题, 父);
        菜单->setObjectName(名称);
        菜单->menuAction()->setObjectName(名称);
        return 菜单;
    };

    文件 = 新菜单(QStringLiteral("文件"), QStringLiteral("文件[&F]"), 菜单栏);
    添加项(文件, QStringLiteral("文件_新建"), QStringLiteral("新建便签[&N]"),
           &Form_Main::文件_新建_Click, QKeySequence(Qt::CTRL | Qt::Key_N));
    添加分隔符(文件, QStringLiteral("文件_分隔符0"));
    添加项(文件, QStringLiteral("文件_退出"), QStringLiteral("退出程序[&X]"),
           &Form_Main::文件_退出_Click);

    编辑 = 新菜单(QStringLiteral("编辑"), QStringLiteral("编辑[&E]"), 菜单栏);
    编辑_全选 = 添加项(编辑, QStringLiteral("编辑_全选"), QStringLiteral("全选便签[&A]"), nullptr,
                       QKeySequence(Qt::CTRL | Qt::Key_A));
    编辑_全选->setVisible(false);
    添加项(编辑, QStringLiteral("编辑_删除"), QStringLiteral("删除便签[&D]"),
           &Form_Main::编辑_删除_Click, QKeySequence(Qt::Key_Delete));
    添加项(编辑, QStringLiteral("编辑_修改"), QStringLiteral("修改便签[&E]"),
           &Form_Main::编辑_修改_Click, QKeySequence(Qt::CTRL | Qt::Key_E));
    添加项(编辑, QStringLiteral("编辑_撤销删除"), QStringLiteral("撤销删除[&U]"),
           &Form_Main::编辑_撤销删除_Click, QKeySequence(Qt::CTRL | Qt::Key_Z));
    添加项(编辑, QStringLiteral("编辑_查找"), QStringLiteral("查找便签[&S]"),
           &Form_Main::编辑_查找_Click, QKeySequence(Qt::CTRL | Qt::Key_F));
    添加分隔符(编辑, QStringLiteral("编辑_分隔符0"));
    添加项(编辑, QStringLiteral("编辑_刷新列表"), QStringLiteral("刷新列表[&F]"),
           &Form_Main::编辑_刷新列表_Click, QKeySequence(Qt::Key_F5));

    工具 = 新菜单(QStringLiteral("工具"), QStringLiteral("工具[&T]"), 菜单栏);
    工具_开机启动 = 添加项(工具, QStringLiteral("工具_开机启动"),
                           QStringLiteral("开机自动启动程序[&R]"), &Form_Main::工具_开机启动_Click);
    工具_开机启动->setCheckable(true);
    工具_记住便签位置 =
        添加项(工具, QStringLiteral("工具_记住便签位置"), QStringLiteral("记住便签位置[&P]"),
               &Form_Main::工具_记住便签位置_Click);
    工具_记住便签位置->setCheckable(true);
    工具_全局快捷键 = 添加项(工具, QStringLiteral("工具_全局快捷键"),
                             QStringLiteral("全局快捷键[&K]…"), &Form_Main::工具_全局快捷键_Click);
    if (!全局快捷键设置::可用()) {
        工具_全局快捷键->setEnabled(false);
        工具_全局快捷键->setToolTip(
            QStringLiteral("在 Wayland 桌面上，程序无法登记在任何窗口中都能使用的快捷键"
                           "（桌面不提供这项服务），所以此项不可用。"));
    }
    工具->setToolTipsVisible(true);
    工具_桌面菜单 =
        添加项(工具, QStringLiteral("工具_桌面菜单"), QStringLiteral("添加桌面菜单便签[&D]"));
    工具_桌面菜单->setCheckable(true);
    工具_桌面菜单->setChecked(true);
    工具_桌面菜单->setVisible(false);

    帮助 = 新菜单(QStringLiteral("帮助"), QStringLiteral("帮助[&H]"), 菜单栏);
    添加项(帮助, QStringLiteral("帮助_关于"), QStringLiteral("关于[&A]"),
           &Form_Main::帮助_关于_Click);

    for (QMenu* 菜单 : {文件, 编辑, 工具, 帮助}) {
        菜单栏->addMenu(菜单);
    }

    // The popup-only menus never enter the menu bar.
    托盘菜单 = 新菜单(QStringLiteral("托盘菜单"), QStringLiteral("托盘菜单"), this);
    添加项(托盘菜单, QStringLiteral("托盘菜单_新建"), QStringLiteral("新建便签[&N]"),
           &Form_Main::托盘菜单_新建_Click);
    添加项(托盘菜单, QStringLiteral("托盘菜单_显示窗口"), QStringLiteral("显示窗口[&W]"),
           &Form_Main::托盘菜单_显示窗口_Click);
    添加分隔符(托盘菜单, QStringLiteral("托盘菜单_分隔符0"));
    添加项(托盘菜单, QStringLiteral("托盘菜单_全部隐藏"), QStringLiteral("全部隐藏[&H]"),
           &Form_Main::托盘菜单_全部隐藏_Click);
    添加项(托盘菜单, QStringLiteral("托盘菜单_全部显示"), QStringLiteral("全部显示[&S]"),
           &Form_Main::托盘菜单_全部显示_Click);
    添加分隔符(托盘菜单, QStringLiteral("托盘菜单_分隔符1"));
    添加项(托盘菜单, QStringLiteral("托盘菜单_退出程序"), QStringLiteral("退出程序[&X]"),
           &Form_Main::托盘菜单_退出程序_Click);

    列表菜单 = 新菜单(QStringLiteral("列表菜单"), QStringLiteral("列表菜单"), this);
    添加项(列表菜单, QStringLiteral("列表菜单_新建"), QStringLiteral("新建便签[&N]"),
           &Form_Main::列表菜单_新建_Click);
    添加分隔符(列表菜单, QStringLiteral("列表菜单_分隔符0"));
    添加项(列表菜单, QStringLiteral("列表菜单_全部隐藏"), QStringLiteral("全部隐藏[&H]"),
           &Form_Main::列表菜单_全部隐藏_Click);
    添加项(列表菜单, QStringLiteral("列表菜单_全部显示"), QStringLiteral("全部显示[&S]"),
           &Form_Main::列表菜单_全部显示_Click);
    添加分隔符(列表菜单, QStringLiteral("列表菜单_分隔符1"));
    添加项(列表菜单, QStringLiteral("列表菜单_删除"), QStringLiteral("删除便签[&D]"),
           &Form_Main::列表菜单_删除_Click);
    添加项(列表菜单, QStringLiteral("列表菜单_修改"), QStringLiteral("修改便签[&E]"),
           &Form_Main::列表菜单_修改_Click);
    添加项(列表菜单, QStringLiteral("列表菜单_撤销删除"), QStringLiteral("撤销删除[&U]"),
           &Form_Main::列表菜单_撤销删除_Click);
    添加分隔符(列表菜单, QStringLiteral("列表菜单_分隔符2"));
    添加项(列表菜单, QStringLiteral("列表菜单_刷新列表"), QStringLiteral("刷新列表[&F]"),
           &Form_Main::列表菜单_刷新列表_Click);

    便签菜单 = 新菜单(QStringLiteral("便签菜单"), QStringLiteral("便签菜单"), this);
    添加项(便签菜单, QStringLiteral("便签菜单_修改"), QStringLiteral("修改便签[&E]"),
           &Form_Main::便签菜单_修改_Click);
    添加项(便签菜单, QStringLiteral("便签菜单_删除"), QStringLiteral("删除便签[&D]"),
           &Form_Main::便签菜单_删除_Click);
    添加项(便签菜单, QStringLiteral("便签菜单_关闭窗口"), QStringLiteral("关闭窗口[&C]"),
           &Form_Main::便签菜单_关闭窗口_Click);

    // Menu look: the bar carries the sheet to its menus; the popups get it when first shown.
    const 菜单样式设置& 样式 = 主菜单样式();
    const QString 样式表 = 生成菜单样式表(样式);
    菜单栏->setStyleSheet(样式表);
    for (QMenu* 菜单 : {托盘菜单, 列表菜单, 便签菜单}) {
        显示前应用样式表(菜单, 样式表);
    }
    应用项目图像(样式, {文件, 编辑, 工具, 帮助, 托盘菜单, 列表菜单, 便签菜单});
}

QAction* Form_Main::菜单项(const QString& 名称) const {
    for (QMenu* 菜单 : {文件, 编辑, 工具, 帮助, 托盘菜单, 列表菜单, 便签菜单}) {
        for (QAction* 项 : 菜单->actions()) {
            if (项->objectName() == 名称) {
                return 项;
            }
        }
    }
    return nullptr;
}

Class_主窗体& Form_Main::主窗体对象() {
    if (!主窗体对象_) {
        主窗体对象_ = std::make_unique<Class_主窗体>(*ListView_Quillet, *this);
        主窗体对象_->窗口打开前 = [this](Form_Quillet& 窗口) {
            if (便签位置_) {
                便签位置_->安放(窗口);
            }
        };
    }
    return *主窗体对象_;
}

namespace {

// What the user can do about a database that stops the start, by its cause. Restoring a backup
// throws away every change since it was made: it is offered only for a file that is damaged or
// missing, never for one that is merely busy or read-only.
QString 启动失败建议(dao::错误类别 类别, const QString& 路径) {
    switch (类别) {
        case dao::错误类别::已锁定:
            return QStringLiteral(
                "\n\n数据库正被另一个程序使用。请等它完成，或关闭那个程序"
                "（也可能是另一个正在运行的Quillet），然后重新启动Quillet。数据库没有损坏，"
                "不需要恢复备份。");
        case dao::错误类别::只读:
            return QStringLiteral(
                "\n\n数据库文件或它所在的文件夹是只读的。请让它们可以写入（例如去掉文件的"
                "只读属性，或给当前用户写入权限），然后重新启动Quillet。数据库没有损坏，"
                "不需要恢复备份。");
        case dao::错误类别::文件已移动:
        case dao::错误类别::读写失败:
        case dao::错误类别::结构不符:
            return {};
        case dao::错误类别::已损坏:
        case dao::错误类别::其他:
            break;
    }
    const QString 备份 = 自动备份::最新备份(路径);
    return 备份.isEmpty()
               ? QStringLiteral("\n\n没有自动备份。")
               : QStringLiteral("\n\n最新的自动备份：") + QDir::toNativeSeparators(备份) +
                     QStringLiteral("\n（程序退出后，用它替换数据库文件即可恢复便签。）");
}

}  // namespace

int Form_Main::Form_Load() {
    const QString 目录 =
        选项_.程序目录.isEmpty() ? QCoreApplication::applicationDirPath() : 选项_.程序目录;
    const QString 路径 = 自定义变量::数据库路径(目录);
    bool 已打开 = false;
    QString 错误文字;
    dao::错误类别 错误类别 = dao::错误类别::其他;
    try {
        QDir::setCurrent(目录);
        if (选项_.程序目录.isEmpty()) {
            自定义变量::初始化数据库();
        } else {
            自定义变量::全局数据库().打开数据库(路径, QString());
        }
        已打开 = true;
        草稿::启用(路径);
        便签位置_ = std::make_shared<便签位置::记录器>(路径);
        if (便签位置_->可用()) {
            工具_记住便签位置->setChecked(便签位置_->已开启());
        } else {
            工具_记住便签位置->setEnabled(false);
            工具_记住便签位置->setToolTip(
                QStringLiteral("在 Wayland 桌面上，窗口的位置由桌面决定，程序无法把便签放回原处，"
                               "所以此项不可用。"));
        }
        主窗体对象().初始化界面(*ListView_Quillet);
        列表排序::恢复并记住(*ListView_Quillet);
        主窗体对象().初始化便签显示(*ListView_Quillet);
        开机启动勾选_ = 开机启动::已登记();
        工具_开机启动->setChecked(开机启动勾选_);
    } catch (const dao::Error& 错误) {
        错误文字 = QStringLiteral("错误 %1：%2").arg(错误.Number()).arg(错误.Description());
        错误类别 = 错误.类别();
    } catch (const std::exception& 错误) {
        错误文字 = QString::fromLocal8Bit(错误.what());
    }
    if (!错误文字.isNull()) {
        const QString 说明 = 已打开 ? QStringLiteral("无法读取便签数据库，程序将退出。")
                                    : QStringLiteral("无法打开便签数据库，程序将退出。");
        const QString 全文 = 说明 + QStringLiteral("\n\n") + 错误文字 +
                             QStringLiteral("\n\n数据库文件：") + QDir::toNativeSeparators(路径) +
                             启动失败建议(错误类别, 路径);
        显示启动错误(全文);
        return 1;
    }

    TrayIcon->show();
    if (隐藏启动(选项_.参数)) {
        // Hidden in the tray; without a tray the window waits minimised instead.
        if (!托盘可用()) {
            showMinimized();
        }
    } else {
        show();
    }
    Timer_自动升级->start();
    Timer_每日备份->start();
    QTimer::singleShot(0, this, [this, 路径] { 显示后启动(路径); });
    // Drafts an earlier run left behind are offered once the program runs.
    QTimer::singleShot(0, this,
                       [this] { 保护执行([this] { 草稿::提供恢复(*this, 消息框父窗口()); }); });
    return 0;
}

void Form_Main::显示后启动(const QString& 数据库路径) {
    if (正在退出_) {
        return;
    }
    WebBrowser_广告->导航(站点::广告页地址());
    // The notes have been read: the day's backup is of a database known to be good. Nothing
    // has written to it since.
    自动备份::每日备份(自定义变量::全局数据库(), 数据库路径, store::现在().date());
    if (全局快捷键设置::可用()) {
        全局快捷键_ = std::make_unique<全局快捷键设置::管理器>(
            std::array<std::function<void()>, 全局快捷键设置::命令数>{
                [this] { 保护执行([this] { 文件_新建_Click(); }); },
                [this] { 保护执行([this] { 全部显示或隐藏(); }); }});
        应用全局快捷键(全局快捷键设置::读取());
    }
}

void Form_Main::再次启动(const QStringList& 参数) {
    if (隐藏启动(参数)) {
        return;
    }
    if (isMinimized() || 关闭时已最小化_) {
        // Not every window system lets a program restore a window it minimised (Wayland has
        // no such request, and its compositor may not even report the window as minimised):
        // shown afresh, it comes back in its normal state everywhere.
        关闭时已最小化_ = false;
        hide();
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    TrayIcon_Activate();
}

void Form_Main::报告程序无应答(const QString& 数据库路径) {
    const QString 全文 = QStringLiteral(
                             "Quillet已在运行（也可能是在另一次登录中或由另一个用户启动的），"
                             "但没有响应，本次启动已结束。") +
                         QStringLiteral("\n\n数据库文件：") + QDir::toNativeSeparators(数据库路径);
    显示启动错误(全文);
}

void Form_Main::报告无法加锁(const QString& 数据库路径, const QString& 锁文件) {
    const QString 全文 = QStringLiteral(
                             "无法锁定便签数据库：程序文件夹中不能创建锁文件（文件夹不可写入，"
                             "或磁盘已满）。为免两个程序同时写入同一个数据库，本次启动已结束。") +
                         QStringLiteral("\n\n数据库文件：") + QDir::toNativeSeparators(数据库路径) +
                         QStringLiteral("\n锁文件：") + QDir::toNativeSeparators(锁文件);
    显示启动错误(全文);
}

void Form_Main::Form_Resize() {
    platform::最小化时冻结(*客户区_->layout(), isMinimized());
}

void Form_Main::changeEvent(QEvent* 事件) {
    QMainWindow::changeEvent(事件);
    if (事件->type() == QEvent::WindowStateChange) {
        if (isMinimized()) {
            曾经最小化_ = true;
        }
        Form_Resize();
    }
}

void Form_Main::隐藏到托盘() {
    hide();
}

bool Form_Main::eventFilter(QObject* 对象, QEvent* 事件) {
    switch (事件->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            // Ctrl+A belongs to the hidden item 编辑_全选, which does nothing: no control of
            // this window may act on it either.
            auto* 键 = static_cast<QKeyEvent*>(事件);
            auto* 部件 = qobject_cast<QWidget*>(对象);
            if (键->key() == Qt::Key_A &&
                (键->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier && 部件 &&
                部件->window() == this) {
                事件->accept();
                return true;
            }
            break;
        }
        case QEvent::Quit:
            // The session ends or the process was asked to stop: end as the exit command does,
            // without its question. A window that refuses to close must not keep it alive.
            if (对象 == qApp && !退出标志_) {
                结束程序();
                return true;
            }
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(对象, 事件);
}

void Form_Main::closeEvent(QCloseEvent* 事件) {
    if (!退出标志_) {
        事件->ignore();
        if (正在退出_ || 托盘可用()) {
            隐藏到托盘();
        } else {
            // Nothing would bring a hidden window back without a tray.
            showMinimized();
            关闭时已最小化_ = true;
        }
        return;
    }
    事件->accept();
    TrayIcon->hide();
    platform::log::异常边界(lcMain, "closing the note database failed",
                            [] { 自定义变量::全局数据库().关闭数据库(); });
}

QWidget* Form_Main::消息框父窗口() {
    return isVisible() && !isMinimized() ? this : nullptr;
}

void Form_Main::文件_退出_Click() {
    QMessageBox 问题(QMessageBox::Question, QStringLiteral("确定退出"),
                     QStringLiteral("退出本程序后Quillet将不再显示，是否确定？"),
                     QMessageBox::Yes | QMessageBox::No, 消息框父窗口());
    问题.setDefaultButton(QMessageBox::Yes);
    if (显示消息框(问题) != QMessageBox::Yes) {
        return;
    }
    结束程序();
}

void Form_Main::结束程序() {
    正在退出_ = true;
    // What the editors hold outlives them: it is offered again at the next start.
    草稿::保存全部并保留();
    停止全部显示();
    for (const auto& 条目 : platform::Forms::快照()) {
        if (!条目.存在()) {
            continue;
        }
        platform::log::异常边界(lcMain, "exit: closing a window failed, going on",
                                [&] { 条目.窗体->卸载(); });
    }
    退出标志_ = true;
    platform::log::异常边界(lcMain, "exit: closing the main window failed, ending anyway",
                            [this] { close(); });
    // Qt 6 lets a refused close cancel quit(); the loop is ended explicitly.
    QCoreApplication::exit(0);
}

void Form_Main::文件_新建_Click() {
    auto* 编辑器 = new Form_添加便签(*this);
    草稿::守护(*编辑器, QString());
    编辑器->show();
}

int Form_Main::选中便签行() {
    // An empty list ends the command without a word; rows without a selection get the message.
    if (ListView_Quillet->行数() == 0) {
        return 0;
    }
    const int 行 = ListView_Quillet->选中行();
    if (行 == 0) {
        显示错误(QStringLiteral("未选中任何便签！"), 消息框父窗口());
    }
    return 行;
}

void Form_Main::编辑_删除_Click() {
    auto& 列表 = *ListView_Quillet;
    const int 行 = 选中便签行();
    if (行 == 0) {
        return;
    }
    try {
        已删除便签::列表所知 便签 = Class_主窗体::行所知(列表, 行);
        主窗体对象().填入窗口颜色(便签);
        数据库操作模块& 库 = 自定义变量::全局数据库();
        自动备份::删除前备份(库, 库.路径(), store::现在());
        // The note is kept for 撤销删除 in the same transaction that deletes it.
        已删除便签::删除(库, 便签, store::现在());
        列表.设置勾选(行, false);
        const int 接替 = 列表.接替行(行);
        列表.删除行(行);
        // The row that took its place in the view is selected, or the new last one, so a second
        // Del or Ctrl+E acts at once.
        列表.选中(接替);
    } catch (const store::编号错误& 错误) {
        显示错误(错误.Description(), 消息框父窗口());
    } catch (const dao::Error& 错误) {
        // The steps done stay done: a note the database kept keeps its row and its mark.
        消息::数据库错误(消息框父窗口(), QStringLiteral("便签没有删除，它仍在列表中。"), 错误);
    }
}

void Form_Main::编辑_修改_Click() {
    auto& 列表 = *ListView_Quillet;
    const int 行 = 选中便签行();
    if (行 == 0) {
        return;
    }
    // Until it is shown the editor belongs to this call: one that is not shown must not linger
    // unseen, and it is gone before a message is shown.
    auto 编辑器 = std::make_unique<Form_添加便签>(*this);
    try {
        const QString 编号文字 = 列表.子项(行, 1);
        编辑器->便签编号 = store::便签编号(编号文字);
        const dao::Recordset 记录 =
            自定义变量::全局数据库().数据库_查找_语句(store::单个便签语句(编号文字));
        if (记录.Eof()) {
            编辑器.reset();
            显示错误(QStringLiteral("这条便签已不在便签数据库中（可能已被其他程序删除），"
                                    "无法修改。按 F5 可刷新列表。"),
                     消息框父窗口());
            return;
        }
        编辑器->便签创建时间 = 记录.Fields(QStringLiteral("CreateTime")).ToText();
        const std::int32_t 背景 = store::背景颜色(记录);
        编辑器->设置内容背景颜色(背景);
        编辑器->ColorPicker_背景颜色()->设置颜色(背景);
        const std::int32_t 字色 = store::字体颜色(记录);
        编辑器->设置内容字体颜色(字色);
        编辑器->ColorPicker_字体颜色()->设置颜色(字色);
        // The draft keeper starts from the text as the box holds it, once all of it is there.
        编辑器->载入文字(列表.子项(行, 2), [编辑器 = 编辑器.get()] {
            草稿::守护(*编辑器, 编辑框文字(*编辑器->FlatEdit_内容()), *编辑器->便签创建时间);
        });
        编辑器.release()->show();
    } catch (const store::编号错误& 错误) {
        编辑器.reset();
        显示错误(错误.Description(), 消息框父窗口());
    } catch (const dao::Error& 错误) {
        编辑器.reset();
        消息::数据库错误(消息框父窗口(), QStringLiteral("无法打开这条便签进行修改。"), 错误);
    }
}

void Form_Main::编辑_查找_Click() {
    查找栏_->打开();
}

void Form_Main::编辑_刷新列表_Click() {
    重新载入列表();
}

Class_主窗体::重新载入结果 Form_Main::重新载入列表(const QSet<QString>& 不显示) {
    // The rows are read again: a 全部显示 still under way would go on over rows that are gone.
    停止全部显示();
    auto& 列表 = *ListView_Quillet;
    const int 选中 = 列表.选中行();
    const QString 选中编号 = 选中 != 0 ? 列表.子项(选中, 1) : QString();
    // The rows go only once the notes have been read again: a reload that fails keeps them.
    Class_主窗体::重新载入结果 结果 = 主窗体对象().重新载入(列表, 不显示);
    if (!选中编号.isNull()) {
        列表.选中(便签行(选中编号));
    }
    if (!结果.已消失.empty()) {
        // Deleted by another program: kept as a delete here is, so it can be undone.
        try {
            已删除便签::记录已消失(自定义变量::全局数据库(), 结果.已消失, store::现在());
        } catch (const dao::Error& 错误) {
            qCWarning(lcMain).noquote()
                << 结果.已消失.size()
                << "notes deleted by another program could not be kept for undo:" << 错误.Number()
                << 错误.Description();
        }
    }
    return 结果;
}

void Form_Main::编辑_撤销删除_Click() {
    std::optional<已删除便签::已恢复> 恢复;
    try {
        恢复 = 已删除便签::恢复最近(自定义变量::全局数据库());
    } catch (const dao::Error& 错误) {
        消息::数据库错误(消息框父窗口(),
                         QStringLiteral("删除没有撤销，已删除的便签仍保留着，可以再试。"), 错误);
        return;
    }
    if (!恢复) {
        消息::显示(消息框父窗口(), QMessageBox::Information,
                   QStringLiteral("没有可以撤销的删除。"));
        return;
    }
    const QString 编号 = QString::number(恢复->编号);
    QSet<QString> 不显示;
    if (!恢复->显示) {
        不显示.insert(编号);
    }
    try {
        重新载入列表(不显示);
    } catch (const dao::Error& 错误) {
        消息::数据库错误(消息框父窗口(),
                         QStringLiteral("便签已恢复，但无法重新读取便签列表，它还没有出现在列表中。"
                                        "按 F5 可再试。"),
                         错误);
        return;
    }
    ListView_Quillet->选中(便签行(编号));
}

void Form_Main::工具_开机启动_Click() {
    // The mark shows whether an entry is stored after the click; a click on the item has already
    // toggled the action itself, so the state before the click is kept here.
    const 开机启动::切换结果 结果 = 开机启动::切换(开机启动勾选_);
    开机启动勾选_ = 结果.勾选;
    工具_开机启动->setChecked(开机启动勾选_);
    if (!结果.成功) {
        显示错误(开机启动勾选_ ? QStringLiteral("无法取消开机自动启动：启动项没有删除。")
                               : QStringLiteral("无法设置开机自动启动：启动项没有写入，"
                                                "配置文件夹可能不可写。"),
                 消息框父窗口());
    }
}

void Form_Main::工具_记住便签位置_Click() {
    if (!便签位置_) {
        return;
    }
    // A click has already toggled the item: it shows what the user asked for.
    const bool 想要 = 工具_记住便签位置->isChecked();
    if (!便签位置_->设置开启(想要)) {
        工具_记住便签位置->setChecked(便签位置_->已开启());
        显示错误(
            QStringLiteral("无法保存“记住便签位置”的设置：配置文件夹可能不可写。设置没有改变。"),
            消息框父窗口());
    }
}

void Form_Main::工具_全局快捷键_Click() {
    if (!全局快捷键_) {
        return;
    }
    const std::optional<全局快捷键设置::设定> 新设定 =
        全局快捷键设置::询问(this, 全局快捷键_->当前());
    if (!新设定) {
        return;
    }
    if (!全局快捷键设置::保存(*新设定)) {
        显示错误(QStringLiteral("无法保存全局快捷键的设置：配置文件夹可能不可写。快捷键没有改变。"),
                 消息框父窗口());
        return;
    }
    应用全局快捷键(*新设定);
}

void Form_Main::应用全局快捷键(const 全局快捷键设置::设定& 设定) {
    const QString 问题 = 全局快捷键_->应用(设定);
    if (!问题.isEmpty()) {
        // Told from the event loop: the start, or the command, has finished its work.
        QTimer::singleShot(
            0, this, [this, 问题] { 消息::显示(消息框父窗口(), QMessageBox::Warning, 问题); });
    }
}

void Form_Main::全部显示或隐藏() {
    if (主窗体对象().有便签窗口显示()) {
        托盘菜单_全部隐藏_Click();
    } else {
        托盘菜单_全部显示_Click();
    }
}

void Form_Main::帮助_关于_Click() {
    关于::显示();
}

void Form_Main::托盘菜单_新建_Click() {
    文件_新建_Click();
}

void Form_Main::托盘菜单_显示窗口_Click() {
    TrayIcon_Activate();
}

void Form_Main::托盘菜单_全部隐藏_Click() {
    停止全部显示();
    const int 行数 = ListView_Quillet->行数();
    for (int 行 = 1; 行 <= 行数; ++行) {
        ListView_Quillet->设置勾选(行, false);
    }
}

void Form_Main::托盘菜单_全部显示_Click() {
    全部显示下一行_ = 1;
    继续全部显示();
}

void Form_Main::继续全部显示() {
    QElapsedTimer 计时;
    计时.start();
    // The rows are looked at again every time: the handler of a mark may change the list.
    while (全部显示下一行_ >= 1 && 全部显示下一行_ <= ListView_Quillet->行数()) {
        主窗体对象().全部显示一行(*ListView_Quillet, 全部显示下一行_++);
        if (计时.elapsed() >= 全部显示每批毫秒 && 全部显示下一行_ <= ListView_Quillet->行数()) {
            全部显示计时器_->start();
            return;
        }
    }
    停止全部显示();
}

void Form_Main::托盘菜单_退出程序_Click() {
    文件_退出_Click();
}

void Form_Main::列表菜单_新建_Click() {
    文件_新建_Click();
}

void Form_Main::列表菜单_全部隐藏_Click() {
    托盘菜单_全部隐藏_Click();
}

void Form_Main::列表菜单_全部显示_Click() {
    托盘菜单_全部显示_Click();
}

void Form_Main::列表菜单_删除_Click() {
    编辑_删除_Click();
}

void Form_Main::列表菜单_修改_Click() {
    编辑_修改_Click();
}

void Form_Main::列表菜单_撤销删除_Click() {
    编辑_撤销删除_Click();
}

void Form_Main::列表菜单_刷新列表_Click() {
    编辑_刷新列表_Click();
}

int Form_Main::当前便签行() const {
    bool 是编号 = false;
    当前便签文字_.toInt(&是编号);
    if (!是编号) {
        // Listed all the same; its row is found by the text the window knows it by.
        return 便签行(当前便签文字_);
    }
    const int 行数 = ListView_Quillet->行数();
    for (int 行 = 1; 行 <= 行数; ++行) {
        bool 是数 = false;
        const qlonglong 编号 = ListView_Quillet->子项(行, 1).trimmed().toLongLong(&是数);
        if (是数 && 编号 == 当前便签编号) {
            return 行;
        }
    }
    return 0;
}

int Form_Main::便签行(const QString& 编号) const {
    const int 行数 = ListView_Quillet->行数();
    for (int 行 = 1; 行 <= 行数; ++行) {
        if (ListView_Quillet->子项(行, 1) == 编号) {
            return 行;
        }
    }
    return 0;
}

void Form_Main::便签菜单_关闭窗口_Click() {
    if (const int 行 = 当前便签行()) {
        ListView_Quillet->设置勾选(行, false);
    } else {
        // A note no longer in the list (deleted by another program) may still have a window.
        主窗体对象().关闭便签窗口(当前便签文字_);
    }
}

void Form_Main::便签菜单_删除_Click() {
    if (const int 行 = 当前便签行()) {
        ListView_Quillet->选中(行);
        编辑_删除_Click();
    } else {
        便签不在列表中(true);
    }
}

void Form_Main::便签菜单_修改_Click() {
    if (const int 行 = 当前便签行()) {
        ListView_Quillet->选中(行);
        编辑_修改_Click();
    } else {
        便签不在列表中(false);
    }
}

void Form_Main::便签不在列表中(bool 关闭窗口) {
    // Only a window left behind can have opened the menu; without one there is nothing to say.
    const QString& 编号 = 当前便签文字_;
    if (!主窗体对象().有便签窗口(编号)) {
        return;
    }
    QString 文字 = QStringLiteral("这条便签已不在便签列表中，可能已被其他程序删除。\n");
    if (关闭窗口) {
        主窗体对象().关闭便签窗口(编号);
        文字 += QStringLiteral("它留在桌面上的窗口已关闭。");
    } else {
        文字 += QStringLiteral(
            "它留在桌面上的窗口仍然保留，不再需要时可在窗口的菜单中选择"
            "“关闭窗口”。");
    }
    消息::显示(消息框父窗口(), QMessageBox::Information, 文字);
}

void Form_Main::ListView_Quillet_ItemCheck(int 行) {
    // Raised from inside the list control: nothing may escape back into it.
    保护执行([this, 行] { 主窗体对象().便签显示(*ListView_Quillet, 行); });
}

void Form_Main::ListView_Quillet_MouseButton(Qt::MouseButton 按键, QPoint) {
    if (按键 == Qt::RightButton) {
        列表菜单->exec(QCursor::pos());
    }
}

void Form_Main::ListView_Quillet_DblClick(int 行) {
    ListView_Quillet->选中(行);
    编辑_修改_Click();
}

void Form_Main::TrayIcon_Activate() {
    platform::log::异常边界(lcMain, "showing the main window from the tray failed", [this] {
        if (!isVisible() && !isMinimized() && 曾经最小化_) {
            // The window system may still remember the window as starting minimised.
            platform::x11::恢复正常初始状态(this);
        }
        show();
        raise();
        activateWindow();
    });
}

void Form_Main::TrayIcon_MouseButton(Qt::MouseButton 按键) {
    if (按键 == Qt::RightButton) {
        // Opened without waiting for the pick: its commands then run after the tray icon's own
        // handler has returned, and the exit command may remove the icon.
        托盘菜单->popup(QCursor::pos());
    }
}

void Form_Main::Timer_自动升级_Timer() {
    if (升级检查) {
        升级检查(static_cast<std::int32_t>(winId()),
                 platform::shell::到本地代码页(站点::升级列表地址()));
    }
    Timer_自动升级->stop();
}

void Form_Main::设置当前便签编号(const QString& 编号文字) {
    当前便签编号 = 编号文字.toInt();
    当前便签文字_ = 编号文字;
}

void Form_Main::弹出便签菜单(QWidget* 窗口, std::optional<QPoint> 键盘位置) {
    // The menu belongs to the note it was opened from. Where a popup is placed relative to the
    // window it belongs to (Wayland), the main window would put it far from the note, or,
    // hidden or minimised, nowhere. Elsewhere the popup goes where it is asked to, and giving
    // it a parent window of its own there turns the main window's children into windows.
    if (!platform::可以放置窗口() && 窗口 && 窗口->windowHandle()) {
        便签菜单->winId();
        便签菜单->windowHandle()->setTransientParent(窗口->windowHandle());
    }
    if (键盘位置) {
        platform::controls::键盘弹出(*便签菜单, *键盘位置);
    } else {
        便签菜单->exec(QCursor::pos());
    }
}

void Form_Main::刷新便签() {
    主窗体对象().刷新便签();
}

void Form_Main::选中便签(std::int32_t 编号) {
    ListView_Quillet->选中(便签行(QString::number(编号)));
}
