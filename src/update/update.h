// SPDX-License-Identifier: MIT
#pragma once

// The update library "update" (libupdate.so on Linux, update.dll on Windows). The program loads
// it at run time and calls DoUpdate once, shortly after start; it also works when linked.

#include <QtGlobal>

#include <cstdint>

#ifdef QUILLET_UPDATE_BUILDING
#define QUILLET_UPDATE_API Q_DECL_EXPORT
#else
#define QUILLET_UPDATE_API Q_DECL_IMPORT
#endif

extern "C" {

// Starts one update check and returns at once. windowHandle is the main window's native handle
// (0 for none): the question is shown over that window while it is visible. updateListAddress is
// the NUL-terminated address of the update list (format in update_list.h) in the locale's code
// page. The check runs on the calling thread's event loop, which must be the GUI thread of a
// QApplication. If a newer version is listed, the user is asked whether to open its download
// page in the browser; every failure (no network, bad list, timeout, ...) ends silently.
// Returns 1 when a check was started, 0 when not: no application or not its GUI thread,
// a null, overlong or non-web address, or another check still running in this process.
QUILLET_UPDATE_API std::int32_t DoUpdate(std::int32_t windowHandle, const char* updateListAddress);

// Kept for callers that expect the entry point. A check always needs the list's address, which
// only DoUpdate receives, so BeginUpdate does nothing and returns 0.
QUILLET_UPDATE_API std::int32_t BeginUpdate(void);
}
