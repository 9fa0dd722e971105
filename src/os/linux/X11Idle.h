// Time since the last input on the X display, from the MIT-SCREEN-SAVER extension. Every kind
// of input resets it (keys, buttons, relative and absolute pointer motion, synthetic input).
#pragma once

#include <cstdint>

namespace os {

// False when the display or the extension cannot be reached. Safe from any thread.
bool QueryX11IdleMs(std::uint64_t& idleMs);

} // namespace os
