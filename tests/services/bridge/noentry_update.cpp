// SPDX-License-Identifier: MIT
// An update library that lacks DoUpdate.

#include "update/update.h"

#include <cstdint>

extern "C" std::int32_t BeginUpdate() {
    return 0;
}
