// SPDX-License-Identifier: MIT
#include "platform/forms/pixel_buffer.h"

#include <QBackingStore>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {

enum class 时机 { 绘制后, 隐藏时 };

constexpr int 空闲毫秒 = 1000;

// Watches the widget (for its paints, shows and hides) and, once it has one, its native window
// (for the server's redraw requests).
class 缓冲释放器 : public QObject {
  public:
    缓冲释放器(QWidget* 窗口, 时机 何时) : QObject(窗口), 窗口_(窗口), 何时_(何时) {
        窗口->installEventFilter(this);
        空闲计时_.setSingleShot(true);
        空闲计时_.setInterval(空闲毫秒);
        connect(&空闲计时_, &QTimer::timeout, this, [this] {
            if (窗口_->isVisible()) {
                释放();
            }
        });
    }

  protected:
    bool eventFilter(QObject* 对象, QEvent* 事件) override {
        if (对象 == 窗口_) {
            switch (事件->type()) {
                case QEvent::Show:
                    if (QWindow* 原生 = 窗口_->windowHandle(); 原生 && 原生 != 已看原生窗口_) {
                        原生->installEventFilter(this);
                        已看原生窗口_ = 原生;
                    }
                    break;
                case QEvent::Paint:
                    // The buffer goes once the window has not been painted for a while: the
                    // redraw requests that come in bursts (a window being mapped and framed,
                    // moved across others) are still answered from the buffer.
                    if (何时_ == 时机::绘制后) {
                        空闲计时_.start();
                    }
                    break;
                case QEvent::Hide:
                    if (何时_ == 时机::隐藏时) {
                        释放();
                    }
                    break;
                default:
                    break;
            }
        } else if (事件->type() == QEvent::Expose && 已释放_) {
            // Without a buffer Qt would send an empty picture for the exposed area; marking
            // the window dirty makes it paint first.
            窗口_->update();
        }
        return false;
    }

  private:
    void 释放() {
        if (QBackingStore* 存储 = 窗口_->backingStore()) {
            // A zero size (not an invalid one) differs from the window's, so the next paint
            // resizes the buffer back and paints the whole window into it.
            存储->resize(QSize(0, 0));
            已释放_ = true;
        }
    }

    QWidget* 窗口_;
    时机 何时_;
    QPointer<QWindow> 已看原生窗口_;
    QTimer 空闲计时_;
    bool 已释放_ = false;
};

bool 可以释放() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

}  // namespace

void 绘制后释放像素缓冲(QWidget* 窗口) {
    if (可以释放()) {
        new 缓冲释放器(窗口, 时机::绘制后);
    }
}

void 隐藏时释放像素缓冲(QWidget* 窗口) {
    if (可以释放()) {
        new 缓冲释放器(窗口, 时机::隐藏时);
    }
}

}  // namespace platform
