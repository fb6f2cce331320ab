// SPDX-License-Identifier: MIT
#include "platform/controls/text_prefix.h"

namespace platform::controls {

QString 文字开头(const QString& 文字, qsizetype 最多字符) {
    if (文字.size() <= 最多字符) {
        return 文字;
    }
    QString 开头 = 文字.left(最多字符);
    if (!开头.isEmpty() && 开头.back().isHighSurrogate()) {
        开头.chop(1);
    }
    return 开头;
}

}  // namespace platform::controls
