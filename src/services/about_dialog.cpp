// SPDX-License-Identifier: MIT
#include "services/about_dialog.h"

#include "platform/forms/layouts.h"
#include "platform/forms/window_look.h"
#include "platform/shell/shell.h"
#include "services/message_box.h"
#include "services/site.h"

#include <QBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>

#ifndef QUILLET_VERSION_MAJOR
#error "the build passes the program's version numbers"
#endif

using platform::缇转像素;

QString 版本文字(int 主版本, int 次版本, int 修订号) {
    return QStringLiteral("版本 %1.%2.0.%3").arg(主版本).arg(次版本).arg(修订号);
}

namespace {

void 设置文字颜色(QWidget* 控件, const QColor& 颜色) {
    QPalette 调色板 = 控件->palette();
    调色板.setColor(QPalette::WindowText, 颜色);
    控件->setPalette(调色板);
}

QWidget* 线条(QWidget* 父, const QColor& 颜色) {
    auto* 线 = new QWidget(父);
    QPalette 调色板 = 线->palette();
    调色板.setColor(QPalette::Window, 颜色);
    线->setPalette(调色板);
    线->setAutoFillBackground(true);
    return 线;
}

constexpr int 客户区宽 = 5730;
constexpr int 客户区高 = 3090;

QPointer<frmAbout>& 实例() {
    static QPointer<frmAbout> 唯一;
    return 唯一;
}

}  // namespace

链接标签::链接标签(QWidget* 父) : QLabel(父) {
    QFont 字体(QStringLiteral("宋体"));
    字体.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    字体.setPointSizeF(9);
    字体.setUnderline(true);
    setFont(字体);
    设置文字颜色(this, QColor(0, 0, 255));
    setAutoFillBackground(false);
    setCursor(Qt::PointingHandCursor);
}

void 链接标签::mousePressEvent(QMouseEvent* 事件) {
    // The page opens on the press itself; other buttons do nothing.
    if (事件->button() == Qt::LeftButton) {
        platform::shell::打开(text());
    }
    QLabel::mousePressEvent(事件);
}

frmAbout::frmAbout()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      platform::Form(this) {
    picIcon_ = new QLabel(this);
    picIcon_->setFixedSize(缇转像素(480), 缇转像素(480));

    lblTitle_ = new QLabel(QStringLiteral("应用程序标题"), this);
    QFont 标题字体 = lblTitle_->font();
    标题字体.setBold(true);
    lblTitle_->setFont(标题字体);
    设置文字颜色(lblTitle_, Qt::black);
    lblTitle_->setFixedHeight(缇转像素(285));

    lblVersion_ = new QLabel(QStringLiteral("版本"), this);
    lblVersion_->setFixedHeight(缇转像素(255));

    lblDescription_ = new QLabel(
        QStringLiteral(
            "现在就丢掉传统纸质便笺，改用完全免费的Quillet软件！\n"
            "把您的便签“粘”在您的电脑桌面上，随时都能够在电脑屏幕上看到您的重要信息，"
            "既节约您的金钱，又节约您的时间！\n"
            "Quillet允许设定多种背景颜色，背景颜色可设置为渐进效果，便笺字体可自行定义。"),
        this);
    lblDescription_->setWordWrap(true);
    lblDescription_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    设置文字颜色(lblDescription_, Qt::black);
    lblDescription_->setFixedHeight(缇转像素(1440));

    // The etched separator: a grey line with a white line of width 2 just below it.
    Line1_ = 线条(this, QColor(0x80, 0x80, 0x80));
    Line1_->setFixedHeight(缇转像素(15));
    Line2_ = 线条(this, Qt::white);
    Line2_->setFixedHeight(缇转像素(30));

    lblDisclaimer_ = new QLabel(QStringLiteral("官方网站："), this);
    设置文字颜色(lblDisclaimer_, Qt::black);
    链接_ = new 链接标签(this);
    链接_->setText(站点::官方网站地址());

    cmdOK_ = new QPushButton(QStringLiteral("确定"), this);
    cmdOK_->setDefault(true);
    cmdOK_->setFixedSize(缇转像素(1125), 缇转像素(345));
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });

    布置控件();
    setFixedSize(缇转像素(客户区宽), 缇转像素(客户区高));
    Form_Load();
    cmdOK_->setFocus();
}

void frmAbout::布置控件() {
    // The icon beside the title and version; the description and the separator below them;
    // the last row holds the site's label and link at its top and 确定 at its bottom right.
    auto* 标题列 = new QVBoxLayout;
    标题列->setSpacing(缇转像素(30));
    标题列->addWidget(lblTitle_);
    标题列->addWidget(lblVersion_);
    auto* 标题行 = new QHBoxLayout;
    标题行->setSpacing(缇转像素(180));
    标题行->addWidget(picIcon_, 0, Qt::AlignTop);
    标题行->addLayout(标题列);

    auto* 网站行 = new QHBoxLayout;
    网站行->setSpacing(缇转像素(60));
    网站行->addWidget(lblDisclaimer_, 0, Qt::AlignLeft | Qt::AlignTop);
    网站行->addWidget(链接_, 0, Qt::AlignLeft | Qt::AlignTop);
    网站行->addStretch();
    网站行->addWidget(cmdOK_, 0, Qt::AlignBottom);

    auto* 布局 = new QVBoxLayout(this);
    布局->setSizeConstraint(QLayout::SetNoConstraint);  // the dialog's size is fixed below
    布局->setContentsMargins(platform::缇边距(120, 120, 120, 90));
    布局->setSpacing(0);
    布局->addLayout(标题行);
    布局->addSpacing(缇转像素(30));
    布局->addWidget(lblDescription_);
    布局->addSpacing(缇转像素(90));
    布局->addWidget(Line1_);
    布局->addWidget(Line2_);
    布局->addSpacing(缇转像素(105));
    布局->addLayout(网站行, 1);
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("关于 ") + platform::应用程序标题());
    lblVersion_->setText(
        版本文字(QUILLET_VERSION_MAJOR, QUILLET_VERSION_MINOR, QUILLET_VERSION_REVISION));
    lblTitle_->setText(platform::应用程序标题());
    const QIcon 图标 = 程序图标();
    setWindowIcon(图标);
    picIcon_->setPixmap(图标.pixmap(picIcon_->size()));
}

void frmAbout::cmdOK_Click() {
    卸载();
}

void frmAbout::keyPressEvent(QKeyEvent* 事件) {
    // 确定 is both the default and the cancel button.
    switch (事件->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            cmdOK_->click();
            return;
        default:
            QWidget::keyPressEvent(事件);
    }
}

namespace 关于 {

void 显示() {
    if (实例().isNull()) {
        实例() = new frmAbout;
        platform::移到屏幕中央(*实例());
    }
    实例()->show();
    实例()->raise();
    实例()->activateWindow();
}

frmAbout* 当前实例() {
    return 实例().data();
}

}  // namespace 关于
