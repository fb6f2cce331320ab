// SPDX-License-Identifier: MIT
#pragma once

// Checks a window's layout by how its controls relate to the window and to each other, not
// by their rectangles: as the window goes from its design size up to large and down to
// a single pixel, every control keeps its top-left corner, never has a negative size, and each one
// that grows with the window grows or shrinks by exactly as much as the window; from the
// design size up, every control lies inside its parent and none overlaps another.

#include <QCoreApplication>
#include <QRect>
#include <QSize>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <vector>

namespace 测试 {

struct 布局控件 {
    QWidget* 控件;
    Qt::Orientations 伸展;  // the directions it grows in with the window; none for fixed
};

// 调整 resizes the window so that 参照, the area the controls follow, takes the given size.
inline void 检查布局关系(QWidget* 参照, const std::function<void(QSize)>& 调整,
                         const std::vector<布局控件>& 控件表) {
    const QSize 设计 = 参照->size();
    std::vector<QRect> 设计位置;
    for (const 布局控件& 项 : 控件表) {
        设计位置.push_back(项.控件->geometry());
    }
    const QSize 尺寸表[] = {设计 + QSize(1, 1), 设计 + QSize(250, 130),
                            设计 * 3,           设计 / 2,
                            QSize(40, 30),      QSize(3, 3),
                            QSize(1, 1),        设计};
    for (const QSize 尺寸 : 尺寸表) {
        调整(尺寸);
        QCoreApplication::processEvents();
        QCOMPARE(参照->size(), 尺寸);
        const QSize 增量 = 尺寸 - 设计;
        const bool 不小于设计 = 尺寸.width() >= 设计.width() && 尺寸.height() >= 设计.height();
        for (std::size_t i = 0; i < 控件表.size(); ++i) {
            QWidget* 控件 = 控件表[i].控件;
            const QRect 位置 = 控件->geometry();
            const QByteArray 说明 = 控件->objectName().toUtf8() + " at " +
                                    QByteArray::number(尺寸.width()) + "x" +
                                    QByteArray::number(尺寸.height());
            QVERIFY2(位置.width() >= 0 && 位置.height() >= 0, 说明.constData());
            QVERIFY2(位置.topLeft() == 设计位置[i].topLeft(), 说明.constData());
            const auto 应有 = [&](Qt::Orientation 方向, int 设计值, int 增加) {
                return 控件表[i].伸展.testFlag(方向) ? std::max(0, 设计值 + 增加) : 设计值;
            };
            QVERIFY2(位置.width() == 应有(Qt::Horizontal, 设计位置[i].width(), 增量.width()),
                     说明.constData());
            QVERIFY2(位置.height() == 应有(Qt::Vertical, 设计位置[i].height(), 增量.height()),
                     说明.constData());
            if (!不小于设计) {
                continue;
            }
            QVERIFY2(控件->parentWidget()->rect().contains(位置), 说明.constData());
            for (std::size_t j = 0; j < i; ++j) {
                QWidget* 另一个 = 控件表[j].控件;
                QVERIFY2(另一个->parentWidget() != 控件->parentWidget() ||
                             !另一个->geometry().intersects(位置),
                         (说明 + " overlaps " + 另一个->objectName().toUtf8()).constData());
            }
        }
    }
}

}  // namespace 测试
