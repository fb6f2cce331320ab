// SPDX-License-Identifier: MIT
// A test-only library that the start-up tests load into the real program with LD_PRELOAD.
// It reports on stderr every message box and every window the program shows, one line each:
//
//   probe: message-box icon=<QMessageBox::Icon> title=<caption> text=<text, newlines as \n>
//   probe: window class=<class name> title=<caption>
//
// It answers a message box with its OK button (or closes it), and ends the event loop half a
// second after the first other window appeared, so that a program that started normally ends
// too. Nothing of it is part of the program.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <cstdio>

namespace {

QByteArray 一行(QString 文字) {
    文字.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return 文字.toUtf8();
}

void 观察() {
    auto* 计时 = new QTimer(QCoreApplication::instance());
    static QSet<QWidget*> 已见集;
    QObject::connect(计时, &QTimer::timeout, [已见 = &已见集] {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
            return;
        }
        for (QWidget* 窗口 : QApplication::topLevelWidgets()) {
            if (!窗口->isVisible()) {
                continue;
            }
            if (auto* 消息 = qobject_cast<QMessageBox*>(窗口)) {
                std::fprintf(stderr, "probe: message-box icon=%d title=%s text=%s\n",
                             static_cast<int>(消息->icon()), 一行(消息->windowTitle()).constData(),
                             一行(消息->text()).constData());
                std::fflush(stderr);
                if (QAbstractButton* 按钮 = 消息->button(QMessageBox::Ok)) {
                    按钮->click();
                } else {
                    消息->reject();
                }
            } else if (!已见->contains(窗口)) {
                已见->insert(窗口);
                std::fprintf(stderr, "probe: window class=%s title=%s\n",
                             窗口->metaObject()->className(),
                             一行(窗口->windowTitle()).constData());
                std::fflush(stderr);
                QTimer::singleShot(500, [] { QCoreApplication::exit(0); });
            }
        }
    });
    计时->start(50);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(观察)
