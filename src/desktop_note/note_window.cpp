// SPDX-License-Identifier: MIT
#include "desktop_note/note_window.h"

#include "desktop_note/zones.h"
#include "platform/controls/colour.h"
#include "platform/controls/menu_key.h"
#include "platform/controls/text_prefix.h"
#include "platform/forms/layouts.h"
#include "platform/forms/pixel_buffer.h"
#include "platform/forms/twips.h"
#include "platform/forms/window_look.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

using platform::缇转像素;

Form_Quillet::Form_Quillet(便签菜单宿主& 宿主)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint),
      platform::Form(this),
      宿主_(宿主),
      Label_Quillet_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Quillet"));
    // The caption is never seen; a screen reader says what the window is instead. The note's
    // text is the label's own.
    setAccessibleName(QStringLiteral("桌面便签"));
    setAccessibleDescription(QStringLiteral("按菜单键或 Shift+F10 打开这条便签的菜单"));
    QFont 字体 = platform::窗体字体();
    字体.setStyleHint(QFont::SansSerif);
    setFont(字体);
    setAutoFillBackground(true);
    // Hovering over the margin changes the pointer shape, so moves arrive without a button.
    setMouseTracking(true);
    // Client size of the design; the position is left to the window system.
    resize(缇转像素(2550), 缇转像素(1800));

    Label_Quillet_->setTextFormat(Qt::PlainText);
    Label_Quillet_->setWordWrap(true);
    Label_Quillet_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_Quillet_->setAutoFillBackground(false);  // the window's colour shows behind the text
    Label_Quillet_->setCursor(Qt::ArrowCursor);
    // The text fills the window inside a margin; the window keeps whatever size it is given.
    auto* 布局 = new QVBoxLayout(this);
    布局->setSizeConstraint(QLayout::SetNoConstraint);
    布局->setContentsMargins(platform::缇边距(60, 60, 60, 60));
    布局->addWidget(Label_Quillet_);
    platform::可缩至零(Label_Quillet_);
    // The label handles its own mouse events; none of them reach the window's margin handlers.
    Label_Quillet_->setAttribute(Qt::WA_NoMousePropagation);
    Label_Quillet_->installEventFilter(this);

    Form_Load();
    platform::绘制后释放像素缓冲(this);
}

void Form_Quillet::设置背景颜色(std::int32_t 颜色) {
    背景颜色_ = 颜色;
    QPalette 调色板 = palette();
    调色板.setColor(QPalette::Window, platform::controls::转为颜色(颜色));
    setPalette(调色板);
}

void Form_Quillet::设置文字(const QString& 文字) {
    Label_Quillet_->setText(platform::controls::文字开头(文字, 8192));
}

void Form_Quillet::设置文字颜色(std::int32_t 颜色) {
    文字颜色_ = 颜色;
    QPalette 调色板 = Label_Quillet_->palette();
    调色板.setColor(QPalette::WindowText, platform::controls::转为颜色(颜色));
    Label_Quillet_->setPalette(调色板);
}

void Form_Quillet::Form_Load() {
    边框宽度_ = desktop_note::计算边框宽度();
}

QPointF Form_Quillet::缇坐标(QMouseEvent* 事件) const {
    return 事件->position() * platform::每像素缇数;
}

void Form_Quillet::记录按下(QMouseEvent* 事件) {
    已按下_ = true;
    已交接_ = false;
    手动拖动_ = false;
    等待起拖_ = false;
    按下全局位置_ = 事件->globalPosition().toPoint();
}

// A press in the band along the edge resizes the window from that edge or corner.
void Form_Quillet::Form_MouseDown(QMouseEvent* 事件) {
    const QPointF 点 = 缇坐标(事件);
    const auto 区 = desktop_note::按下调整区(static_cast<float>(点.x()), static_cast<float>(点.y()),
                                             static_cast<float>(platform::像素转缇(width())),
                                             static_cast<float>(platform::像素转缇(height())),
                                             static_cast<float>(边框宽度_));
    if (区 == desktop_note::调整区::无) {
        return;
    }
    const Qt::Edges 边 = desktop_note::调整边(区);
    已交接_ = true;
    // The window system's resize follows the left button only (X11 window managers end it on
    // the release of button 1), so a resize with another button is done here.
    QWindow* 窗口 = windowHandle();
    if (事件->button() != Qt::LeftButton || 窗口 == nullptr || !窗口->startSystemResize(边)) {
        开始手动拖动(边);
        // With another button the press may still be a click (a right click opens the note
        // menu here as anywhere on the note): the resize waits until the pointer really moves.
        等待起拖_ = 事件->button() != Qt::LeftButton;
    }
}

// Over the margin the pointer shows where a press would resize; a held left button moves.
void Form_Quillet::Form_MouseMove(QMouseEvent* 事件) {
    const QPointF 点 = 缇坐标(事件);
    const auto 形状 = desktop_note::指针区域(static_cast<float>(点.x()), static_cast<float>(点.y()),
                                             static_cast<float>(platform::像素转缇(width())),
                                             static_cast<float>(platform::像素转缇(height())),
                                             static_cast<float>(边框宽度_));
    setCursor(desktop_note::光标形状(形状));
    移动交接(事件);
}

void Form_Quillet::Form_MouseUp(QMouseEvent* 事件) {
    if (事件->button() == Qt::RightButton) {
        打开便签菜单();
    }
}

void Form_Quillet::Label_Quillet_MouseMove(QMouseEvent* 事件) {
    移动交接(事件);
}

void Form_Quillet::Label_Quillet_MouseUp(QMouseEvent* 事件) {
    if (事件->button() == Qt::RightButton) {
        打开便签菜单();
    }
}

// Hands a left-button drag to the window system's move; only while the button that was
// pressed on this window is still held, once per press.
void Form_Quillet::移动交接(QMouseEvent* 事件) {
    if (!已按下_ || 已交接_ || !(事件->buttons() & Qt::LeftButton)) {
        return;
    }
    已交接_ = true;
    // The window system takes over from where the pointer is now.
    QWindow* 窗口 = windowHandle();
    if (窗口 != nullptr && 窗口->startSystemMove()) {
        return;
    }
    开始手动拖动({});
    跟随指针(事件);
}

void Form_Quillet::开始手动拖动(Qt::Edges 边) {
    手动拖动_ = true;
    手动边_ = 边;
    拖动起始几何_ = geometry();
}

void Form_Quillet::跟随指针(QMouseEvent* 事件) {
    const QPoint 位移 = 事件->globalPosition().toPoint() - 按下全局位置_;
    if (等待起拖_) {
        if (位移.manhattanLength() < QApplication::startDragDistance()) {
            return;
        }
        等待起拖_ = false;
    }
    const QSize 最小(std::max(1, minimumWidth()), std::max(1, minimumHeight()));
    const QRect 新几何 = desktop_note::拖动后几何(拖动起始几何_, 手动边_, 位移, 最小);
    if (新几何 != geometry()) {
        setGeometry(新几何);
    }
}

bool Form_Quillet::结束按下(QMouseEvent* 事件) {
    const bool 已用于拖动 = 已交接_ && !等待起拖_;
    if (事件->buttons() == Qt::NoButton) {
        忘记按下();
    }
    return 已用于拖动;
}

void Form_Quillet::忘记按下() {
    已按下_ = false;
    已交接_ = false;
    手动拖动_ = false;
    等待起拖_ = false;
}

void Form_Quillet::打开便签菜单(std::optional<QPoint> 键盘位置) {
    宿主_.设置当前便签编号(Tag);
    // The menu may close this window; nothing here touches it afterwards.
    宿主_.弹出便签菜单(this, 键盘位置);
}

void Form_Quillet::keyPressEvent(QKeyEvent* 事件) {
    if (platform::controls::是菜单键(*事件)) {
        打开便签菜单(Label_Quillet_->mapToGlobal(QPoint(0, 0)));
        return;
    }
    QWidget::keyPressEvent(事件);
}

void Form_Quillet::mousePressEvent(QMouseEvent* 事件) {
    记录按下(事件);
    Form_MouseDown(事件);
}

void Form_Quillet::mouseMoveEvent(QMouseEvent* 事件) {
    if (事件->buttons() == Qt::NoButton) {
        忘记按下();  // a release this window never saw (the window system had the pointer)
    } else if (手动拖动_) {
        跟随指针(事件);
        return;
    }
    Form_MouseMove(事件);
}

void Form_Quillet::mouseReleaseEvent(QMouseEvent* 事件) {
    if (结束按下(事件)) {
        return;
    }
    Form_MouseUp(事件);
}

bool Form_Quillet::eventFilter(QObject* 对象, QEvent* 事件) {
    if (对象 != Label_Quillet_) {
        return QWidget::eventFilter(对象, 事件);
    }
    switch (事件->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            记录按下(static_cast<QMouseEvent*>(事件));
            return true;
        case QEvent::MouseMove: {
            auto* 鼠标 = static_cast<QMouseEvent*>(事件);
            if (鼠标->buttons() == Qt::NoButton) {
                忘记按下();
            } else if (手动拖动_) {
                跟随指针(鼠标);
                return true;
            }
            Label_Quillet_MouseMove(鼠标);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* 鼠标 = static_cast<QMouseEvent*>(事件);
            if (!结束按下(鼠标)) {
                Label_Quillet_MouseUp(鼠标);
            }
            return true;
        }
        default:
            return QWidget::eventFilter(对象, 事件);
    }
}
