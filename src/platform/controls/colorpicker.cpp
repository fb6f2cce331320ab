// SPDX-License-Identifier: MIT
#include "platform/controls/colorpicker.h"

#include "platform/controls/colour.h"
#include "platform/controls/shared_icon.h"

#include <QColorDialog>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace platform::controls {

namespace {
constexpr int 色块边长 = 16;

// One swatch per colour for the program's life (see 共享图标).
QIcon 色块(const QColor& 颜色) {
    return 共享图标(QStringLiteral("色块 ") + 颜色.name(QColor::HexArgb), [&颜色] {
        QPixmap 图(色块边长, 色块边长);
        图.fill(颜色);
        QPainter 画笔(&图);
        画笔.setPen(QColor(0x80, 0x80, 0x80));
        画笔.drawRect(0, 0, 色块边长 - 1, 色块边长 - 1);
        return QIcon(图);
    });
}
}  // namespace

ColorPicker::ColorPicker(const QString& 标题, QWidget* 父) : QPushButton(标题, 父) {
    setIconSize(QSize(色块边长, 色块边长));
    setAutoDefault(false);
    setIcon(色块(转为颜色(颜色_)));
    connect(this, &QPushButton::clicked, this, [this] {
        // One chooser at a time; a second click only brings the open one forward.
        auto* 已开 = findChild<QColorDialog*>();
        if (已开 && 已开->isVisible()) {
            已开->raise();
            已开->activateWindow();
            return;
        }
        // Window-modal and without a nested event loop: the window that owns the picker may
        // close while the chooser is open, and the chooser then goes with it.
        auto* 对话框 = new QColorDialog(转为颜色(颜色_), this);
        对话框->setAttribute(Qt::WA_DeleteOnClose);
        对话框->setOption(QColorDialog::DontUseNativeDialog);
        对话框->setWindowTitle(text());
        connect(对话框, &QColorDialog::colorSelected, this, [this](const QColor& 选中) {
            if (!选中.isValid()) {
                return;
            }
            设置颜色(转为颜色值(选中));
            if (已选颜色) {
                已选颜色(颜色_);
            }
        });
        对话框->open();
    });
}

void ColorPicker::设置颜色(std::int32_t 颜色) {
    颜色_ = 颜色;
    setIcon(色块(转为颜色(颜色_)));
}

}  // namespace platform::controls
