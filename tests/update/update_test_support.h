// SPDX-License-Identifier: MIT
#pragma once

// What the update tests share: finding the question the check shows, and catching the address
// the program would open in the browser.

#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QUrl>

// The visible message box among the top-level windows, or null.
inline QMessageBox* visibleQuestion() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

// Receives what the program would open in the browser.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> opened;
  public slots:
    void open(const QUrl& url) { opened.append(url); }
};
