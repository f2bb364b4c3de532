// Hotkeys on an X display: the combinations are grabbed on the root window over a connection
// of their own, whose events a thread of its own reads. Free of X11 includes.
#pragma once

#include <memory>
#include <string>

#include "platform/hotkeys.h"

namespace orv {

// Connects to the display (empty: $DISPLAY); null with the reason in `why`.
std::unique_ptr<HotkeySource> connectX11Hotkeys(const std::string& displayName, std::string& why);

// The X keysym name of a key name ("PgUp" -> "Prior", "A" -> "a"), and the key name of a
// keysym name ("Prior" -> "PgUp", "a" -> "A"); other names pass unchanged.
std::string keysymNameOfKey(const std::string& key);
std::string keyOfKeysymName(const std::string& keysym);

}  // namespace orv
