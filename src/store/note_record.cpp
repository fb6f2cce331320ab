// SPDX-License-Identifier: MIT
#include "store/note_record.h"

#include "platform/log/log.h"

#include <optional>

namespace store {

namespace {

// One column of the current row through a conversion that may fail; a value it cannot read
// gives 默认值, with a warning naming the column and the value.
template <typename 类型>
类型 读取(const dao::Recordset& 记录集, const char* 列名,
          std::optional<类型> (dao::Value::*转换)() const, 类型 默认值) {
    const dao::Value& 值 = 记录集.Fields(QLatin1String(列名));
    if (const std::optional<类型> 结果 = (值.*转换)()) {
        return *结果;
    }
    qCWarning(lcStore).noquote()
        << QStringLiteral(
               "Tips.%1 holds %2, which cannot be read; a new note's value %3 is "
               "used instead and the row is left unchanged")
               .arg(QLatin1String(列名), 值.IsNull()
                                             ? QStringLiteral("NULL")
                                             : QLatin1Char('\'') + 值.ToText() + QLatin1Char('\''))
               .arg(默认值);
    return 默认值;
}

}  // namespace

std::int32_t 背景颜色(const dao::Recordset& 记录集) {
    return 读取(记录集, "BackColor", &dao::Value::AsInt32, 新便签背景颜色);
}

std::int32_t 字体颜色(const dao::Recordset& 记录集) {
    return 读取(记录集, "FontColor", &dao::Value::AsInt32, 新便签字体颜色);
}

bool 显示(const dao::Recordset& 记录集) {
    return 读取(记录集, "Visual", &dao::Value::AsBool, true);
}

}  // namespace store
