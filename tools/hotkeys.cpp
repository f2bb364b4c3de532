#include "tools/hotkeys.h"

#include <charconv>

#include "platform/profile.h"

namespace orv::tools {

namespace {

struct ModName {
    HotkeyMod mod;
    std::string_view name;
};
constexpr ModName kModNames[] = {
    {kModCtrl, "Ctrl"}, {kModAlt, "Alt"}, {kModShift, "Shift"}, {kModSuper, "Super"}};

// Keys that may be a hotkey without Ctrl, Alt or Super: they neither type nor move.
constexpr std::string_view kKeysAlone[] = {"Pause", "Print"};

std::string rowKey(const char* prefix, int row) {
    return prefix + std::to_string(row);
}

// "F1".."F24" -> 1..24, else 0.
int functionKeyNumber(std::string_view key) {
    if (key.size() < 2 || key.size() > 3 || key[0] != 'F') return 0;
    int n = 0;
    auto [end, ec] = std::from_chars(key.data() + 1, key.data() + key.size(), n);
    return ec == std::errc() && end == key.data() + key.size() && n >= 1 && n <= 24 ? n : 0;
}

}  // namespace

std::optional<KeyChord> parseChord(std::string_view text) {
    KeyChord c;
    while (!text.empty()) {
        const std::size_t plus = text.find('+', 1);  // a key named "+" stands last
        const std::string_view part = text.substr(0, plus);
        const bool last = plus == std::string_view::npos;
        text = last ? std::string_view() : text.substr(plus + 1);
        if (!last && text.empty()) return std::nullopt;  // "Ctrl+": no key after the "+"
        const ModName* mod = nullptr;
        for (const ModName& m : kModNames)
            if (m.name == part) mod = &m;
        if (mod && last) return std::nullopt;  // a modifier is never the key
        if (mod) {
            if (c.mods & mod->mod) return std::nullopt;  // named twice
            c.mods |= mod->mod;
            continue;
        }
        if (!last || part.empty() || part.find(' ') != std::string_view::npos) return std::nullopt;
        c.key = std::string(part);
    }
    if (c.key.empty()) return std::nullopt;
    return c;
}

std::string chordText(const KeyChord& chord) {
    std::string out;
    for (const ModName& m : kModNames)
        if (chord.mods & m.mod) out += std::string(m.name) + "+";
    return out + chord.key;
}

ChordProblem checkChord(const KeyChord& chord) {
    if (chord.key.empty()) return ChordProblem::NoKey;
    const int fn = functionKeyNumber(chord.key);
    if (chord.mods == 0 && (chord.key == "Esc" || (fn >= 1 && fn <= 10)))
        return ChordProblem::ProgramKey;
    if (chord.mods & (kModCtrl | kModAlt | kModSuper)) return ChordProblem::None;
    if (fn >= 11 || (fn >= 1 && chord.mods != 0)) return ChordProblem::None;
    for (std::string_view k : kKeysAlone)
        if (chord.key == k) return ChordProblem::None;
    return ChordProblem::TypingKey;
}

std::string_view chordProblemText(ChordProblem p) {
    switch (p) {
        case ChordProblem::NoKey:
            return "キーを押して組み合わせを入力してください。";
        case ChordProblem::ProgramKey:
            return "EscとF1～F10はOrvaneが使用しているため、単独では設定できません。"
                   "Ctrl、Alt、Shift、Superと組み合わせてください。";
        case ChordProblem::TypingKey:
            return "文字や移動のキーは、Ctrl、Alt、Superのいずれかと組み合わせてください。";
        case ChordProblem::None:
            break;
    }
    return {};
}

HotkeyTable loadHotkeys(const ProfileFile& ini, std::vector<std::string>* unreadable) {
    HotkeyTable rows;
    for (int i = 0; i < kHotkeyRows; ++i) {
        HotkeyRow& r = rows[static_cast<std::size_t>(i)];
        const std::string chordKey = rowKey("HOTKEY", i);
        r.enabled = ini.readInt(kHotkeySection, rowKey("HOTUSE", i), 0) == 1;
        r.chord = ini.readText(kHotkeySection, chordKey, "");
        r.macro = ini.readText(kHotkeySection, rowKey("HOTMCR", i), "", 1024);
        if (r.chord.empty()) continue;
        const std::optional<KeyChord> c = parseChord(r.chord);
        if (c && checkChord(*c) == ChordProblem::None) continue;
        if (unreadable) unreadable->push_back(chordKey);
        r.enabled = false;
    }
    return rows;
}

void saveHotkeys(ProfileFile& ini, const HotkeyTable& rows) {
    ProfileFile::Entries keys;
    for (int i = 0; i < kHotkeyRows; ++i) {
        const HotkeyRow& r = rows[static_cast<std::size_t>(i)];
        keys.emplace_back(rowKey("HOTUSE", i), r.enabled ? "1" : "0");
        keys.emplace_back(rowKey("HOTKEY", i), r.chord);
        keys.emplace_back(rowKey("HOTMCR", i), r.macro);
    }
    ini.writeTexts(kHotkeySection, keys);
}

}  // namespace orv::tools
