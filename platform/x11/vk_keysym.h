// Windows virtual-key codes to X keysyms: the lookup through which every key event of a macro
// reaches the X server, read from the key table shared with the hook library
// (platform/x11/key_table.h). The keysym is the one the key produces without modifiers on a US
// keyboard layout (letters are lower case: no shift state is ever added).
#pragma once

namespace orv::x11 {

// The keysym for a virtual-key code, or 0 when the code has no key (mouse buttons, unassigned
// and reserved codes, anything outside 0-255).
unsigned long keysymForVk(int vk);

}  // namespace orv::x11
