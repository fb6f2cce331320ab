// An update library that lacks DoUpdate.

#include <cstdint>

#if defined(_WIN32)
#define PROBE_API __declspec(dllexport)
#else
#define PROBE_API __attribute__((visibility("default")))
#endif

extern "C" PROBE_API std::int32_t BeginUpdate() {
    return 0;
}
