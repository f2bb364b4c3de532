#include "hook/keymap.h"

#include "platform/x11/key_table.h"

namespace orv::hook {

int vkForKeysyms(std::uint32_t level0, std::uint32_t level1, bool numLock) {
    // Keypad keys: the digit level when Num Lock is on, the navigation level otherwise.
    const bool digitLevel =
        numLock && x11keys::isKeypadKeysym(level0) && x11keys::isKeypadKeysym(level1);
    return x11keys::vkForKeysym(digitLevel ? level1 : level0);
}

}  // namespace orv::hook
