// The one key table between virtual-key codes and X keysyms. The X11 desktop reads it from
// code to keysym (the key a macro's code sends: the keysym the key produces without modifiers
// on a US layout, letters lower case); the hook library reads it from keysym to code (the code
// a key the user pressed is recorded as). Header-only and constexpr, so that the hook library,
// which links nothing but X11, shares it without linking the desktop backend.
#pragma once

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <cstdint>

namespace orv::x11keys {

// Which way an entry is read.
enum Use : std::uint8_t {
    kSend = 1,    // code to keysym only (the desktop)
    kRecord = 2,  // keysym to code only (the hook library)
    kBoth = kSend | kRecord,
};

// `count` consecutive codes from `vk` and consecutive keysyms from `keysym`.
struct KeyEntry {
    int vk;
    std::uint32_t keysym;
    Use use;
    int count = 1;
};

// Where a code or a keysym appears more than once, the first entry that may be read that way
// wins: Print records as 44 (VK_SNAPSHOT), Shift_L as 16 rather than 160.
inline constexpr KeyEntry kKeyTable[] = {
    {48, XK_0, kBoth, 10},                  // '0'-'9'
    {65, XK_a, kBoth, 26},                  // 'A'-'Z': the letter keys, no shift state added
    {65, XK_A, kRecord, 26},                // a letter typed with Shift is still its key
    {96, XK_KP_0, kBoth, 10},               // VK_NUMPAD0-9
    {112, XK_F1, kBoth, 24},                // VK_F1-F24
    {3, XK_Cancel, kSend},                  // VK_CANCEL
    {8, XK_BackSpace, kBoth},               // VK_BACK
    {9, XK_Tab, kBoth},                     // VK_TAB
    {9, XK_ISO_Left_Tab, kRecord},          // Shift+Tab
    {9, XK_KP_Tab, kRecord},                //
    {12, XK_Clear, kSend},                  // VK_CLEAR
    {12, XK_KP_Begin, kRecord},             // the numeric pad's 5 without Num Lock
    {13, XK_Return, kBoth},                 // VK_RETURN
    {13, XK_KP_Enter, kRecord},             //
    {16, XK_Shift_L, kBoth},                // VK_SHIFT
    {16, XK_Shift_R, kRecord},              //
    {17, XK_Control_L, kBoth},              // VK_CONTROL
    {17, XK_Control_R, kRecord},            //
    {18, XK_Alt_L, kBoth},                  // VK_MENU
    {18, XK_Alt_R, kRecord},                //
    {18, XK_Meta_L, kRecord},               //
    {18, XK_Meta_R, kRecord},               //
    {18, XK_ISO_Level3_Shift, kRecord},     // AltGr
    {19, XK_Pause, kBoth},                  // VK_PAUSE
    {20, XK_Caps_Lock, kBoth},              // VK_CAPITAL
    {21, XK_Hiragana_Katakana, kSend},      // VK_KANA
    {25, XK_Kanji, kSend},                  // VK_KANJI
    {27, XK_Escape, kBoth},                 // VK_ESCAPE
    {28, XK_Henkan, kSend},                 // VK_CONVERT
    {29, XK_Muhenkan, kSend},               // VK_NONCONVERT
    {31, XK_Mode_switch, kSend},            // VK_MODECHANGE
    {32, XK_space, kBoth},                  // VK_SPACE
    {32, XK_KP_Space, kRecord},             //
    {33, XK_Prior, kBoth},                  // VK_PRIOR
    {33, XK_KP_Prior, kRecord},             //
    {34, XK_Next, kBoth},                   // VK_NEXT
    {34, XK_KP_Next, kRecord},              //
    {35, XK_End, kBoth},                    // VK_END
    {35, XK_KP_End, kRecord},               //
    {36, XK_Home, kBoth},                   // VK_HOME
    {36, XK_KP_Home, kRecord},              //
    {37, XK_Left, kBoth},                   // VK_LEFT
    {37, XK_KP_Left, kRecord},              //
    {38, XK_Up, kBoth},                     // VK_UP
    {38, XK_KP_Up, kRecord},                //
    {39, XK_Right, kBoth},                  // VK_RIGHT
    {39, XK_KP_Right, kRecord},             //
    {40, XK_Down, kBoth},                   // VK_DOWN
    {40, XK_KP_Down, kRecord},              //
    {41, XK_Select, kSend},                 // VK_SELECT
    {42, XK_Print, kSend},                  // VK_PRINT
    {43, XK_Execute, kSend},                // VK_EXECUTE
    {44, XK_Print, kBoth},                  // VK_SNAPSHOT
    {45, XK_Insert, kBoth},                 // VK_INSERT
    {45, XK_KP_Insert, kRecord},            //
    {46, XK_Delete, kBoth},                 // VK_DELETE
    {46, XK_KP_Delete, kRecord},            //
    {47, XK_Help, kSend},                   // VK_HELP
    {91, XK_Super_L, kBoth},                // VK_LWIN
    {92, XK_Super_R, kBoth},                // VK_RWIN
    {93, XK_Menu, kBoth},                   // VK_APPS
    {95, XF86XK_Sleep, kSend},              // VK_SLEEP
    {106, XK_KP_Multiply, kBoth},           // VK_MULTIPLY
    {107, XK_KP_Add, kBoth},                // VK_ADD
    {108, XK_KP_Separator, kBoth},          // VK_SEPARATOR
    {109, XK_KP_Subtract, kBoth},           // VK_SUBTRACT
    {110, XK_KP_Decimal, kBoth},            // VK_DECIMAL
    {111, XK_KP_Divide, kBoth},             // VK_DIVIDE
    {144, XK_Num_Lock, kBoth},              // VK_NUMLOCK
    {145, XK_Scroll_Lock, kBoth},           // VK_SCROLL
    {160, XK_Shift_L, kSend},               // VK_LSHIFT
    {161, XK_Shift_R, kSend},               // VK_RSHIFT
    {162, XK_Control_L, kSend},             // VK_LCONTROL
    {163, XK_Control_R, kSend},             // VK_RCONTROL
    {164, XK_Alt_L, kSend},                 // VK_LMENU
    {165, XK_Alt_R, kSend},                 // VK_RMENU
    {166, XF86XK_Back, kSend},              // VK_BROWSER_BACK
    {167, XF86XK_Forward, kSend},           // VK_BROWSER_FORWARD
    {168, XF86XK_Refresh, kSend},           // VK_BROWSER_REFRESH
    {169, XF86XK_Stop, kSend},              // VK_BROWSER_STOP
    {170, XF86XK_Search, kSend},            // VK_BROWSER_SEARCH
    {171, XF86XK_Favorites, kSend},         // VK_BROWSER_FAVORITES
    {172, XF86XK_HomePage, kSend},          // VK_BROWSER_HOME
    {173, XF86XK_AudioMute, kSend},         // VK_VOLUME_MUTE
    {174, XF86XK_AudioLowerVolume, kSend},  // VK_VOLUME_DOWN
    {175, XF86XK_AudioRaiseVolume, kSend},  // VK_VOLUME_UP
    {176, XF86XK_AudioNext, kSend},         // VK_MEDIA_NEXT_TRACK
    {177, XF86XK_AudioPrev, kSend},         // VK_MEDIA_PREV_TRACK
    {178, XF86XK_AudioStop, kSend},         // VK_MEDIA_STOP
    {179, XF86XK_AudioPlay, kSend},         // VK_MEDIA_PLAY_PAUSE
    {180, XF86XK_Mail, kSend},              // VK_LAUNCH_MAIL
    {181, XF86XK_AudioMedia, kSend},        // VK_LAUNCH_MEDIA_SELECT
    {182, XF86XK_MyComputer, kSend},        // VK_LAUNCH_APP1
    {183, XF86XK_Calculator, kSend},        // VK_LAUNCH_APP2
    {186, XK_semicolon, kBoth},             // VK_OEM_1
    {187, XK_equal, kBoth},                 // VK_OEM_PLUS
    {188, XK_comma, kBoth},                 // VK_OEM_COMMA
    {189, XK_minus, kBoth},                 // VK_OEM_MINUS
    {190, XK_period, kBoth},                // VK_OEM_PERIOD
    {191, XK_slash, kBoth},                 // VK_OEM_2
    {192, XK_grave, kBoth},                 // VK_OEM_3
    {219, XK_bracketleft, kBoth},           // VK_OEM_4
    {220, XK_backslash, kBoth},             // VK_OEM_5
    {221, XK_bracketright, kBoth},          // VK_OEM_6
    {222, XK_apostrophe, kBoth},            // VK_OEM_7
    {226, XK_less, kSend},                  // VK_OEM_102
    {240, XK_Eisu_toggle, kSend},           // VK_OEM_ATTN (Eisu on Japanese keyboards)
    {242, XK_Hiragana_Katakana, kSend},     // VK_OEM_COPY (Hiragana/Katakana)
    {243, XK_Zenkaku_Hankaku, kSend},       // VK_OEM_AUTO (Zenkaku/Hankaku)
    {244, XK_Zenkaku_Hankaku, kSend},       // VK_OEM_ENLW
    {246, 0xFD0E, kSend},                   // VK_ATTN (3270_Attn)
    {250, XF86XK_AudioPlay, kSend},         // VK_PLAY
};

// The keysym a code sends, 0 when the code has no key.
constexpr std::uint32_t keysymForVk(int vk) {
    for (const KeyEntry& e : kKeyTable)
        if ((e.use & kSend) != 0 && vk >= e.vk && vk < e.vk + e.count)
            return e.keysym + static_cast<std::uint32_t>(vk - e.vk);
    return 0;
}

// The code a keysym records as, 0 when it has none.
constexpr int vkForKeysym(std::uint32_t keysym) {
    for (const KeyEntry& e : kKeyTable)
        if ((e.use & kRecord) != 0 && keysym >= e.keysym &&
            keysym - e.keysym < static_cast<std::uint32_t>(e.count))
            return e.vk + static_cast<int>(keysym - e.keysym);
    return 0;
}

// Keysyms of the numeric pad (XK_KP_Space .. XK_KP_Equal).
constexpr bool isKeypadKeysym(std::uint32_t keysym) {
    return keysym >= XK_KP_Space && keysym <= XK_KP_Equal;
}

}  // namespace orv::x11keys
