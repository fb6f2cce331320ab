// SPDX-License-Identifier: MIT
#include "main_window/list_sort.h"

#include "platform/controls/listview.h"
#include "platform/log/log.h"
#include "services/registry_module.h"

#include <QStringList>

namespace 列表排序 {

namespace {

const QString 设置键 = QStringLiteral("SOFTWARE\\Quillet");
const QString 值名 = QStringLiteral("ListSort");

// "column,order": the column counted from 0, the order 0 rising or 1 falling.
void 保存(int 列, Qt::SortOrder 顺序) {
    const QString 值 = QStringLiteral("%1,%2").arg(列).arg(顺序 == Qt::DescendingOrder ? 1 : 0);
    if (!注册表操作::写入注册表值(注册表操作::HKEY_CURRENT_USER, 设置键, 值名, 注册表操作::REG_SZ,
                                  值)) {
        qCWarning(lcMain,
                  "the list's sort (%s) could not be stored; the next start shows the "
                  "rows unsorted or as sorted before",
                  qUtf8Printable(值));
    }
}

}  // namespace

void 恢复并记住(platform::controls::ListView& 列表) {
    if (const std::optional<QString> 值 = 注册表操作::读取文字设置(设置键, 值名)) {
        const QStringList 部分 = 值->split(u',');
        bool 列是数 = false;
        const int 列 = 部分.value(0).toInt(&列是数);
        const QString 顺序 = 部分.value(1);
        if (部分.size() == 2 && 列是数 && 列 >= 0 && 列 < 列表.列数() &&
            (顺序 == u"0" || 顺序 == u"1")) {
            列表.排序(列, 顺序 == u"1" ? Qt::DescendingOrder : Qt::AscendingOrder);
        } else {
            qCWarning(lcMain,
                      "the stored sort of the list, \"%s\", names no column; the rows "
                      "keep their order",
                      qUtf8Printable(*值));
        }
    }
    列表.排序已改变 = 保存;
}

}  // namespace 列表排序
