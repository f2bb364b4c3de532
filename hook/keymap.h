// Virtual-key codes for X keysyms, as the recorder's procedures expect them (read from the
// key table shared with the X11 desktop, platform/x11/key_table.h).
#pragma once

#include <cstdint>

namespace orv::hook {

// The virtual key of a key whose keysyms at shift levels 0 and 1 are `level0` and `level1`
// (0 when absent); `numLock` is the Num Lock state at the time of the event. Returns 0 for
// keys without a virtual key. Keypad keys give the numeric-pad codes with Num Lock on and
// the navigation codes with it off, as a PC keypad does.
int vkForKeysyms(std::uint32_t level0, std::uint32_t level1, bool numLock);

}  // namespace orv::hook
