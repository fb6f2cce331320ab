// SPDX-License-Identifier: MIT
// A test-only program: a window on the offscreen platform that hands one update check to the
// update library through the program's bridge, then watches for a while how regularly a 20 ms
// timer fires and whether a dialog appears.
//
//   reliability-update-probe LIBRARY_FOLDER LIST_ADDRESS MILLISECONDS
//
// It prints one line at the end:
//   reached=<0|1> call_ms=<how long DoUpdate took> ticks=<n> max_gap_ms=<largest gap> dialogs=<n>
// A dialog is answered with "No" (or closed) as soon as it is seen.

#include "services/update_bridge.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication 程序(argc, argv);
    const QStringList 参数 = QApplication::arguments();
    if (参数.size() != 4) {
        std::fprintf(stderr, "usage: reliability-update-probe LIBRARY_FOLDER LIST_ADDRESS MS\n");
        return 2;
    }
    QWidget 窗口;
    窗口.setWindowTitle(QStringLiteral("Quillet-4862"));
    窗口.resize(400, 300);
    窗口.show();

    qint64 最大间隔 = 0;
    long 次数 = 0;
    QSet<QWidget*> 见过的对话框;
    QElapsedTimer 上次;
    QTimer 节拍;
    节拍.setTimerType(Qt::PreciseTimer);
    QObject::connect(&节拍, &QTimer::timeout, [&] {
        if (上次.isValid()) {
            最大间隔 = qMax(最大间隔, 上次.elapsed());
        }
        上次.start();
        ++次数;
        for (QWidget* 顶层 : QApplication::topLevelWidgets()) {
            auto* 对话框 = qobject_cast<QDialog*>(顶层);
            if (对话框 == nullptr || !对话框->isVisible()) {
                continue;
            }
            见过的对话框.insert(对话框);
            auto* 消息 = qobject_cast<QMessageBox*>(对话框);
            if (QAbstractButton* 否 = 消息 ? 消息->button(QMessageBox::No) : nullptr) {
                否->click();
            } else {
                对话框->reject();
            }
        }
    });

    bool 到达 = false;
    qint64 调用毫秒 = -1;
    QTimer::singleShot(100, [&] {
        节拍.start(20);
        上次.start();
        QElapsedTimer 调用;
        调用.start();
        到达 = 自定义方法::DoUpdate(static_cast<std::int32_t>(窗口.winId()), 参数[2].toUtf8(),
                                    参数[1]);
        调用毫秒 = 调用.elapsed();
    });
    QTimer::singleShot(100 + 参数[3].toInt(), [&] {
        if (上次.isValid()) {
            最大间隔 = qMax(最大间隔, 上次.elapsed());
        }
        QApplication::exit(0);
    });
    QApplication::exec();
    std::printf("reached=%d call_ms=%lld ticks=%ld max_gap_ms=%lld dialogs=%lld\n", 到达 ? 1 : 0,
                调用毫秒, 次数, 最大间隔, 见过的对话框.size());
    return 0;
}
