// SPDX-License-Identifier: MIT
#pragma once

namespace platform::controls {
class ListView;
}

namespace 列表排序 {

// Sorts the list as the user last sorted it (kept in the settings store) and keeps every sort
// the user picks from now on. A stored value the list has no column for leaves the rows in
// their own order.
void 恢复并记住(platform::controls::ListView& 列表);

}  // namespace 列表排序
