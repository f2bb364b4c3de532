// The hotkey seam: key combinations that act anywhere on the desktop, whichever window has
// the focus. A combination is Ctrl, Alt, Shift and Super (any of them) with one key, named as
// the program writes it: a letter "A".."Z", a digit, "F1".."F24", "Esc", "Enter", "Tab",
// "Space", "Backspace", "Ins", "Del", "Home", "End", "PgUp", "PgDown", "Up", "Down", "Left",
// "Right", "Pause", "Print", or another key by its X keysym name. Backend: platform/x11.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orv {

enum HotkeyMod : unsigned {
    kModCtrl = 1,
    kModAlt = 2,
    kModShift = 4,
    kModSuper = 8,
};

struct KeyChord {
    unsigned mods = 0;  // HotkeyMod bits
    std::string key;    // the key's name
    bool operator==(const KeyChord&) const = default;
};

enum class GrabResult {
    Grabbed,
    Busy,        // another program holds the combination
    UnknownKey,  // no key of this keyboard has that name
};

class HotkeySource {
  public:
    virtual ~HotkeySource() = default;
    // Releases every combination grabbed so far, then grabs `chords` (each works with Caps
    // Lock and Num Lock on or off); one result per chord, in order.
    virtual std::vector<GrabResult> grab(const std::vector<KeyChord>& chords) = 0;
    virtual void release() = 0;
    // Called with the index (into the last grab) of a combination that was pressed; once per
    // press, however long the key is held. Called on the source's own thread. Set it before
    // the first grab.
    virtual void setOnPressed(std::function<void(int index)> onPressed) = 0;
    // The key name of a hardware key code (the key pressed, whatever the modifiers), or "".
    virtual std::string keyNameOfCode(unsigned code) = 0;
};

}  // namespace orv
