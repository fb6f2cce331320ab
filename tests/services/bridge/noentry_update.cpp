// An update library that lacks DoUpdate.

#include <QtGlobal>

#include <cstdint>

#define PROBE_API Q_DECL_EXPORT

extern "C" PROBE_API std::int32_t BeginUpdate() {
    return 0;
}
