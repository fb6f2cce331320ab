// SPDX-License-Identifier: MIT
#pragma once

// The note texts the save driver writes, so that a test can tell a whole text from a torn one.

#include <QString>

namespace save_driver {

// The text of save number 序号 under 标记: a head naming it, then a body whose length varies
// from a few bytes to several database pages, so that saves touch overflow pages too.
inline QString 内容(const QString& 标记, long 序号) {
    const long 长度 = (序号 * 7919) % 9000;
    QString 文字 = 标记 + QLatin1Char(' ') + QString::number(序号) + QLatin1Char(':');
    文字.reserve(文字.size() + 长度 + 1);
    for (long i = 0; i < 长度; ++i) {
        文字 += QChar(static_cast<char16_t>(u'a' + (序号 + i) % 26));
    }
    return 文字 + QLatin1Char('.');
}

}  // namespace save_driver
