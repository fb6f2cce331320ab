// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace platform::controls {

// The start of a text, at most 最多字符 characters long and never ending in half a surrogate
// pair: what a control lays out of a text that may be megabytes long, however little of it
// the control can show.
QString 文字开头(const QString& 文字, qsizetype 最多字符);

}  // namespace platform::controls
