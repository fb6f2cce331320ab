// SPDX-License-Identifier: MIT
// A stand-in update library that only records how it was called.

#include "update/update.h"

#include <cstdint>
#include <cstring>
#include <string>

// What the test reads back, beside the real library's entry points.
extern "C" {
QUILLET_UPDATE_API int ProbeCalls();
QUILLET_UPDATE_API std::int32_t ProbeLastHandle();
QUILLET_UPDATE_API const char* ProbeLastAddress();
}

namespace {
int calls = 0;
std::int32_t lastHandle = 0;
std::string lastAddress;
}  // namespace

extern "C" {

std::int32_t DoUpdate(std::int32_t windowHandle, const char* updateListAddress) {
    ++calls;
    lastHandle = windowHandle;
    lastAddress = updateListAddress != nullptr ? updateListAddress : "(null)";
    return 1;
}

int ProbeCalls() {
    return calls;
}
std::int32_t ProbeLastHandle() {
    return lastHandle;
}
const char* ProbeLastAddress() {
    return lastAddress.c_str();
}
}
