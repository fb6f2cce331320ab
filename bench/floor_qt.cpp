// SPDX-License-Identifier: MIT
// quillet-floor-qt N
//
// A reference for the start-up and memory benchmarks: a Qt Widgets program with nothing but
// windows. It shows one 632x500 window with a line of Chinese text and N frameless 170x120
// windows with a text each (the sizes of Quillet's main window and notes; the notes shown
// without taking the focus, like Quillet's), and no menus, list, database, tray, network or
// icons. What Quillet uses beyond these figures is its own.
#include <QApplication>
#include <QLabel>
#include <QString>

#include <memory>
#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int notes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    QLabel main(QStringLiteral("便签 Quillet 桌面便签"));
    main.resize(632, 500);
    main.show();
    std::vector<std::unique_ptr<QLabel>> windows;
    for (int i = 0; i < notes; ++i) {
        auto note = std::make_unique<QLabel>(
            QStringLiteral("%1. 明天上午十点开会 call Alice about the invoice").arg(i + 1), nullptr,
            Qt::Tool | Qt::FramelessWindowHint);
        note->setWordWrap(true);
        note->setAttribute(Qt::WA_ShowWithoutActivating);
        note->resize(170, 120);
        note->show();
        windows.push_back(std::move(note));
    }
    return QApplication::exec();
}
