// SPDX-License-Identifier: MIT
#pragma once

#include "platform/forms/forms.h"

#include <QLabel>
#include <QString>
#include <QWidget>

class QPushButton;

// The version as the About dialog shows it: major.minor.0.revision.
QString 版本文字(int 主版本, int 次版本, int 修订号);

// The link to the product page: opens its address on a press of the left button.
class 链接标签 : public QLabel {
  public:
    explicit 链接标签(QWidget* 父 = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* 事件) override;
};

// frmAbout: title, version, description and the link to the product page.
// One instance at a time, shown non-modally; it deletes itself when closed.
class frmAbout : public QWidget, public platform::Form {
  public:
    frmAbout();

    QLabel* picIcon() const { return picIcon_; }
    QLabel* lblTitle() const { return lblTitle_; }
    QLabel* lblVersion() const { return lblVersion_; }
    QLabel* lblDisclaimer() const { return lblDisclaimer_; }
    链接标签* Label_链接官方网站() const { return 链接_; }
    QPushButton* cmdOK() const { return cmdOK_; }

    void cmdOK_Click();

  protected:
    void keyPressEvent(QKeyEvent* 事件) override;

  private:
    void Form_Load();
    void 布置控件();

    QLabel* picIcon_;
    QLabel* lblTitle_;
    QLabel* lblVersion_;
    QLabel* lblDescription_;
    QWidget* Line1_;
    QWidget* Line2_;
    QLabel* lblDisclaimer_;
    链接标签* 链接_;
    QPushButton* cmdOK_;
};

namespace 关于 {
// Shows the About dialog, creating the one instance on first use.
void 显示();
// The open instance, or nullptr when the dialog is not loaded.
frmAbout* 当前实例();
}  // namespace 关于
