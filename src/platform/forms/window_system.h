// SPDX-License-Identifier: MIT
#pragma once

namespace platform {

// Whether the program may place its own windows on the screen. A Wayland compositor places
// every window itself and tells no program where its windows are.
bool 可以放置窗口();

}  // namespace platform
