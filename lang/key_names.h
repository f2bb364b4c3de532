// The key names of KEY and their virtual-key codes, in one table: the compiler and the
// executor read it from name to code, the hook library from code to name (what it records),
// and the toolbox lists it in its KEY combos, in this order.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace orv {

struct KeyName {
    std::string_view name;
    int vk;
};

namespace keynames {

// The keys with a name of their own, in list order.
inline constexpr KeyName kNamed[] = {
    {"F1", 112},  {"F2", 113},   {"F3", 114},  {"F4", 115},   {"F5", 116},  {"F6", 117},
    {"F7", 118},  {"F8", 119},   {"F9", 120},  {"F10", 121},  {"F11", 122}, {"F12", 123},
    {"SFT", 16},  {"CTRL", 17},  {"ALT", 18},  {"ENTER", 13}, {"INS", 45},  {"DEL", 46},
    {"HOME", 36}, {"END", 35},   {"PUP", 33},  {"PDN", 34},   {"ESC", 27},  {"UP", 38},
    {"DOWN", 40}, {"RIGHT", 39}, {"LEFT", 37}, {"SPACE", 32}};
// The single characters that name a key: its code is the character's byte.
inline constexpr char kCharacters[] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace keynames

inline constexpr std::size_t kKeyNameCount =
    std::size(keynames::kNamed) + std::size(keynames::kCharacters) - 1;

// Every key name: F1 to F12, the other named keys, the digits, A to Z, a to z.
inline constexpr std::array<KeyName, kKeyNameCount> kKeyNames = [] {
    std::array<KeyName, kKeyNameCount> t{};
    std::size_t i = 0;
    for (const KeyName& k : keynames::kNamed) t[i++] = k;
    for (std::size_t c = 0; keynames::kCharacters[c] != '\0'; ++c)
        t[i++] = {std::string_view(keynames::kCharacters + c, 1), keynames::kCharacters[c]};
    return t;
}();

// The index in kKeyNames of each single-character key name, by its byte; -1 for the others.
inline constexpr std::array<signed char, 256> kCharacterIndex = [] {
    std::array<signed char, 256> t{};
    t.fill(-1);
    for (std::size_t c = 0; keynames::kCharacters[c] != '\0'; ++c)
        t[static_cast<unsigned char>(keynames::kCharacters[c])] =
            static_cast<signed char>(std::size(keynames::kNamed) + c);
    return t;
}();

// The index of `name` in kKeyNames, or -1.
constexpr int keyNameIndex(std::string_view name) {
    if (name.size() == 1) return kCharacterIndex[static_cast<unsigned char>(name[0])];
    for (std::size_t i = 0; i < std::size(keynames::kNamed); ++i)
        if (keynames::kNamed[i].name == name) return static_cast<int>(i);
    return -1;
}

// The virtual-key code of a key name; -1 for a text that is not a key name.
constexpr int keyNameCode(std::string_view name) {
    const int i = keyNameIndex(name);
    return i < 0 ? -1 : kKeyNames[static_cast<std::size_t>(i)].vk;
}
constexpr bool isKeyName(std::string_view name) {
    return keyNameIndex(name) >= 0;
}

}  // namespace orv
