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

// Watches the widget (for its paints) and its native window (for the server's redraw
// requests).
class 缓冲释放器 : public QObject {
  public:
    explicit 缓冲释放器(QWidget* 窗口) : QObject(窗口), 窗口_(窗口) {}

  protected:
    bool eventFilter(QObject* 对象, QEvent* 事件) override {
        switch (事件->type()) {
            case QEvent::Paint:
                // Queued: the painted picture is sent to the server after the paint events
                // of the window and its children, within the same call.
                if (对象 == 窗口_ && !已排队_) {
                    已排队_ = true;
                    QTimer::singleShot(0, this, [this] { 释放(); });
                }
                break;
            case QEvent::Expose:
                // Without a buffer, Qt would send an empty picture for the exposed area;
                // marking the window dirty makes it paint first.
                if (对象 == 窗口_->windowHandle() && 已释放_) {
                    窗口_->update();
                }
                break;
            default:
                break;
        }
        return false;
    }

  private:
    void 释放() {
        已排队_ = false;
        QBackingStore* 存储 = 窗口_->backingStore();
        if (存储 == nullptr || !窗口_->isVisible()) {
            return;
        }
        // A zero size (not an invalid one) differs from the window's, so the next paint
        // resizes the buffer back and paints the whole window into it.
        存储->resize(QSize(0, 0));
        已释放_ = true;
    }

    QWidget* 窗口_;
    bool 已排队_ = false;
    bool 已释放_ = false;
};

}  // namespace

void 绘制后释放像素缓冲(QWidget* 窗口) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    auto* 释放器 = new 缓冲释放器(窗口);
    窗口->installEventFilter(释放器);
    窗口->winId();  // the native window must exist to be watched
    窗口->windowHandle()->installEventFilter(释放器);
}

}  // namespace platform
