// SPDX-License-Identifier: MIT
#pragma once

namespace platform::startup {

// All the program's work is done on the one user-interface thread; the few helper threads (the
// X connection's reader, name lookups) need no memory pools of their own, each of which would
// keep pages for the program's whole life. Keeps the C library to one pool where it has several
// (glibc); does nothing elsewhere. Call first thing in main(), before any thread starts.
void 只用一个内存池();

}  // namespace platform::startup
