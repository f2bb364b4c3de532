// The hotkeys that start macros: the ten rows of the dialog "ホットキー設定" (on/off, the key
// combination, the macro file), stored in Orvane.ini, section HOTKEY: HOTUSE0-9 (0/1),
// HOTKEY0-9 (the combination as text, "Ctrl+Alt+1") and HOTMCR0-9 (the path, CP932). A
// combination is written as its modifiers in the order Ctrl, Alt, Shift, Super, then the key,
// joined by "+" (key names: platform/hotkeys.h).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hotkeys.h"

namespace orv {
class ProfileFile;
}

namespace orv::tools {

inline constexpr int kHotkeyRows = 10;
inline constexpr const char* kHotkeySection = "HOTKEY";

struct HotkeyRow {
    bool enabled = false;
    std::string chord;  // as text, "" for none
    std::string macro;  // CP932 path
};
using HotkeyTable = std::array<HotkeyRow, kHotkeyRows>;

// Reads the rows (missing keys: an empty row). The rows whose combination is there but cannot
// be read go to `unreadable` (their key names, "HOTKEY3") and come back switched off.
HotkeyTable loadHotkeys(const ProfileFile& ini, std::vector<std::string>* unreadable = nullptr);
void saveHotkeys(ProfileFile& ini, const HotkeyTable& rows);

std::optional<KeyChord> parseChord(std::string_view text);
std::string chordText(const KeyChord& chord);

// Why a combination cannot start macros.
enum class ChordProblem {
    None,
    NoKey,
    ProgramKey,  // Esc alone and F1-F10 without a modifier: the program's own keys
    TypingKey,   // a key that types or moves without Ctrl, Alt or Super
};
ChordProblem checkChord(const KeyChord& chord);
// The message for a problem (UTF-8), empty for None.
std::string_view chordProblemText(ChordProblem p);

}  // namespace orv::tools
