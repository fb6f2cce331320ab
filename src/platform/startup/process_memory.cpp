// SPDX-License-Identifier: MIT
#include "platform/startup/process_memory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform::startup {

void 只用一个内存池() {
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace platform::startup
