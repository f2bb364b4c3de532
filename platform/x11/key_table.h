// The one key table between virtual-key codes and X keysyms. The X11 desktop reads it from
// code to keysym (the key a macro's code sends: the keysym the key produces without modifiers
// on a US layout, letters lower case); the hook library reads it from keysym to code (the code
// a key the user pressed is recorded as). Header-only and constexpr, so that the hook library,
// which links nothing but X11, shares it without linking the desktop backend.
//
// A code appears once among the entries read from code to keysym, and a keysym once among
// those read from keysym to code.
#pragma once

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <cstddef>
#include <cstdint>

namespace orv::x11keys {

struct KeyEntry {
    int vk;
    std::uint32_t keysym;
};

// Which way a range is read.
enum Use : std::uint8_t {
    kSend = 1,    // code to keysym only (the desktop)
    kRecord = 2,  // keysym to code only (the hook library)
    kBoth = kSend | kRecord,
};

// `count` consecutive codes from `vk` and consecutive keysyms from `keysym`.
struct KeyRange {
    int vk;
    std::uint32_t keysym;
    int count;
    Use use;
};

inline constexpr KeyRange kRanges[] = {
    {48, XK_0, 10, kBoth},     // '0'-'9'
    {65, XK_a, 26, kBoth},     // 'A'-'Z': the letter keys, no shift state added
    {65, XK_A, 26, kRecord},   // a letter typed with Shift is still its key
    {96, XK_KP_0, 10, kBoth},  // VK_NUMPAD0-9
    {112, XK_F1, 24, kBoth},   // VK_F1-F24
};

// Keys read both ways.
inline constexpr KeyEntry kBothWays[] = {
    {8, XK_BackSpace},       // VK_BACK
    {9, XK_Tab},             // VK_TAB
    {13, XK_Return},         // VK_RETURN
    {16, XK_Shift_L},        // VK_SHIFT
    {17, XK_Control_L},      // VK_CONTROL
    {18, XK_Alt_L},          // VK_MENU
    {19, XK_Pause},          // VK_PAUSE
    {20, XK_Caps_Lock},      // VK_CAPITAL
    {27, XK_Escape},         // VK_ESCAPE
    {32, XK_space},          // VK_SPACE
    {33, XK_Prior},          // VK_PRIOR
    {34, XK_Next},           // VK_NEXT
    {35, XK_End},            // VK_END
    {36, XK_Home},           // VK_HOME
    {37, XK_Left},           // VK_LEFT
    {38, XK_Up},             // VK_UP
    {39, XK_Right},          // VK_RIGHT
    {40, XK_Down},           // VK_DOWN
    {44, XK_Print},          // VK_SNAPSHOT
    {45, XK_Insert},         // VK_INSERT
    {46, XK_Delete},         // VK_DELETE
    {91, XK_Super_L},        // VK_LWIN
    {92, XK_Super_R},        // VK_RWIN
    {93, XK_Menu},           // VK_APPS
    {106, XK_KP_Multiply},   // VK_MULTIPLY
    {107, XK_KP_Add},        // VK_ADD
    {108, XK_KP_Separator},  // VK_SEPARATOR
    {109, XK_KP_Subtract},   // VK_SUBTRACT
    {110, XK_KP_Decimal},    // VK_DECIMAL
    {111, XK_KP_Divide},     // VK_DIVIDE
    {144, XK_Num_Lock},      // VK_NUMLOCK
    {145, XK_Scroll_Lock},   // VK_SCROLL
    {186, XK_semicolon},     // VK_OEM_1
    {187, XK_equal},         // VK_OEM_PLUS
    {188, XK_comma},         // VK_OEM_COMMA
    {189, XK_minus},         // VK_OEM_MINUS
    {190, XK_period},        // VK_OEM_PERIOD
    {191, XK_slash},         // VK_OEM_2
    {192, XK_grave},         // VK_OEM_3
    {219, XK_bracketleft},   // VK_OEM_4
    {220, XK_backslash},     // VK_OEM_5
    {221, XK_bracketright},  // VK_OEM_6
    {222, XK_apostrophe},    // VK_OEM_7
};

// Codes whose keysym records as another code (or as none).
inline constexpr KeyEntry kSendOnly[] = {
    {3, XK_Cancel},                  // VK_CANCEL
    {12, XK_Clear},                  // VK_CLEAR
    {21, XK_Hiragana_Katakana},      // VK_KANA
    {25, XK_Kanji},                  // VK_KANJI
    {28, XK_Henkan},                 // VK_CONVERT
    {29, XK_Muhenkan},               // VK_NONCONVERT
    {31, XK_Mode_switch},            // VK_MODECHANGE
    {41, XK_Select},                 // VK_SELECT
    {42, XK_Print},                  // VK_PRINT
    {43, XK_Execute},                // VK_EXECUTE
    {47, XK_Help},                   // VK_HELP
    {95, XF86XK_Sleep},              // VK_SLEEP
    {160, XK_Shift_L},               // VK_LSHIFT
    {161, XK_Shift_R},               // VK_RSHIFT
    {162, XK_Control_L},             // VK_LCONTROL
    {163, XK_Control_R},             // VK_RCONTROL
    {164, XK_Alt_L},                 // VK_LMENU
    {165, XK_Alt_R},                 // VK_RMENU
    {166, XF86XK_Back},              // VK_BROWSER_BACK
    {167, XF86XK_Forward},           // VK_BROWSER_FORWARD
    {168, XF86XK_Refresh},           // VK_BROWSER_REFRESH
    {169, XF86XK_Stop},              // VK_BROWSER_STOP
    {170, XF86XK_Search},            // VK_BROWSER_SEARCH
    {171, XF86XK_Favorites},         // VK_BROWSER_FAVORITES
    {172, XF86XK_HomePage},          // VK_BROWSER_HOME
    {173, XF86XK_AudioMute},         // VK_VOLUME_MUTE
    {174, XF86XK_AudioLowerVolume},  // VK_VOLUME_DOWN
    {175, XF86XK_AudioRaiseVolume},  // VK_VOLUME_UP
    {176, XF86XK_AudioNext},         // VK_MEDIA_NEXT_TRACK
    {177, XF86XK_AudioPrev},         // VK_MEDIA_PREV_TRACK
    {178, XF86XK_AudioStop},         // VK_MEDIA_STOP
    {179, XF86XK_AudioPlay},         // VK_MEDIA_PLAY_PAUSE
    {180, XF86XK_Mail},              // VK_LAUNCH_MAIL
    {181, XF86XK_AudioMedia},        // VK_LAUNCH_MEDIA_SELECT
    {182, XF86XK_MyComputer},        // VK_LAUNCH_APP1
    {183, XF86XK_Calculator},        // VK_LAUNCH_APP2
    {226, XK_less},                  // VK_OEM_102
    {240, XK_Eisu_toggle},           // VK_OEM_ATTN (Eisu on Japanese keyboards)
    {242, XK_Hiragana_Katakana},     // VK_OEM_COPY (Hiragana/Katakana)
    {243, XK_Zenkaku_Hankaku},       // VK_OEM_AUTO (Zenkaku/Hankaku)
    {244, XK_Zenkaku_Hankaku},       // VK_OEM_ENLW
    {246, 0xFD0E},                   // VK_ATTN (3270_Attn)
    {250, XF86XK_AudioPlay},         // VK_PLAY
};

// Keysyms that record as the code of another key: Shift+Tab, the right-hand modifiers, Meta
// and AltGr (ISO_Level3_Shift), and the numeric pad's Tab, Enter, Space and navigation level
// (KP_Begin is its 5 without Num Lock).
inline constexpr KeyEntry kRecordOnly[] = {
    {9, XK_ISO_Left_Tab}, {9, XK_KP_Tab},
    {12, XK_KP_Begin},    {13, XK_KP_Enter},
    {16, XK_Shift_R},     {17, XK_Control_R},
    {18, XK_Alt_R},       {18, XK_Meta_L},
    {18, XK_Meta_R},      {18, XK_ISO_Level3_Shift},
    {32, XK_KP_Space},    {33, XK_KP_Prior},
    {34, XK_KP_Next},     {35, XK_KP_End},
    {36, XK_KP_Home},     {37, XK_KP_Left},
    {38, XK_KP_Up},       {39, XK_KP_Right},
    {40, XK_KP_Down},     {45, XK_KP_Insert},
    {46, XK_KP_Delete},
};

// The index of the entry of `table` that `match` accepts, -1 when none does.
template <std::size_t N, class Match>
constexpr int findEntry(const KeyEntry (&table)[N], Match match) {
    for (std::size_t i = 0; i < N; ++i)
        if (match(table[i])) return static_cast<int>(i);
    return -1;
}

// The keysym a code sends, 0 when the code has no key.
constexpr std::uint32_t keysymForVk(int vk) {
    for (const KeyRange& r : kRanges)
        if ((r.use & kSend) != 0 && vk >= r.vk && vk < r.vk + r.count)
            return r.keysym + static_cast<std::uint32_t>(vk - r.vk);
    const auto sends = [vk](const KeyEntry& e) { return e.vk == vk; };
    if (const int i = findEntry(kBothWays, sends); i >= 0) return kBothWays[i].keysym;
    if (const int i = findEntry(kSendOnly, sends); i >= 0) return kSendOnly[i].keysym;
    return 0;
}

// The code a keysym records as, 0 when it has none.
constexpr int vkForKeysym(std::uint32_t keysym) {
    for (const KeyRange& r : kRanges) {
        const std::uint32_t offset = keysym - r.keysym;  // wraps below the range
        if ((r.use & kRecord) != 0 && offset < static_cast<std::uint32_t>(r.count))
            return r.vk + static_cast<int>(offset);
    }
    const auto records = [keysym](const KeyEntry& e) { return e.keysym == keysym; };
    if (const int i = findEntry(kBothWays, records); i >= 0) return kBothWays[i].vk;
    if (const int i = findEntry(kRecordOnly, records); i >= 0) return kRecordOnly[i].vk;
    return 0;
}

// Keysyms of the numeric pad (XK_KP_Space .. XK_KP_Equal).
constexpr bool isKeypadKeysym(std::uint32_t keysym) {
    return keysym >= XK_KP_Space && keysym <= XK_KP_Equal;
}

}  // namespace orv::x11keys
