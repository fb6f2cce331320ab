// A stand-in update library that only records how it was called.

#include <QtGlobal>

#include <cstdint>
#include <cstring>
#include <string>

#define PROBE_API Q_DECL_EXPORT

namespace {
int calls = 0;
std::int32_t lastHandle = 0;
std::string lastAddress;
}  // namespace

extern "C" {

PROBE_API std::int32_t DoUpdate(std::int32_t windowHandle, const char* updateListAddress) {
    ++calls;
    lastHandle = windowHandle;
    lastAddress = updateListAddress != nullptr ? updateListAddress : "(null)";
    return 1;
}

PROBE_API int ProbeCalls() {
    return calls;
}
PROBE_API std::int32_t ProbeLastHandle() {
    return lastHandle;
}
PROBE_API const char* ProbeLastAddress() {
    return lastAddress.c_str();
}
}
