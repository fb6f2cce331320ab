// SPDX-License-Identifier: MIT
// quillet-render-icon SVG SIZE PNG: renders the program icon at one size, at build time.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication 程序(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: quillet-render-icon SVG SIZE PNG\n");
        return 2;
    }
    QSvgRenderer 图(QString::fromLocal8Bit(argv[1]));
    const int 尺寸 = QByteArray(argv[2]).toInt();
    if (!图.isValid() || 尺寸 <= 0) {
        std::fprintf(stderr, "quillet-render-icon: cannot render %s at %s\n", argv[1], argv[2]);
        return 1;
    }
    QImage 像(尺寸, 尺寸, QImage::Format_ARGB32_Premultiplied);
    像.fill(Qt::transparent);
    QPainter 画(&像);
    画.setRenderHint(QPainter::Antialiasing);
    图.render(&画);
    画.end();
    return 像.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}
