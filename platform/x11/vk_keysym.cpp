#include "platform/x11/vk_keysym.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <array>

namespace orv::x11 {

namespace {

struct Entry {
    int vk;
    unsigned long sym;
};

// Codes whose key is not a letter, a digit, a numeric-pad key or a function key.
constexpr Entry kNamed[] = {
    {3, XK_Cancel},                  // VK_CANCEL
    {8, XK_BackSpace},               // VK_BACK
    {9, XK_Tab},                     // VK_TAB
    {12, XK_Clear},                  // VK_CLEAR
    {13, XK_Return},                 // VK_RETURN
    {16, XK_Shift_L},                // VK_SHIFT
    {17, XK_Control_L},              // VK_CONTROL
    {18, XK_Alt_L},                  // VK_MENU
    {19, XK_Pause},                  // VK_PAUSE
    {20, XK_Caps_Lock},              // VK_CAPITAL
    {21, XK_Hiragana_Katakana},      // VK_KANA
    {25, XK_Kanji},                  // VK_KANJI
    {27, XK_Escape},                 // VK_ESCAPE
    {28, XK_Henkan},                 // VK_CONVERT
    {29, XK_Muhenkan},               // VK_NONCONVERT
    {31, XK_Mode_switch},            // VK_MODECHANGE
    {32, XK_space},                  // VK_SPACE
    {33, XK_Prior},                  // VK_PRIOR
    {34, XK_Next},                   // VK_NEXT
    {35, XK_End},                    // VK_END
    {36, XK_Home},                   // VK_HOME
    {37, XK_Left},                   // VK_LEFT
    {38, XK_Up},                     // VK_UP
    {39, XK_Right},                  // VK_RIGHT
    {40, XK_Down},                   // VK_DOWN
    {41, XK_Select},                 // VK_SELECT
    {42, XK_Print},                  // VK_PRINT
    {43, XK_Execute},                // VK_EXECUTE
    {44, XK_Print},                  // VK_SNAPSHOT
    {45, XK_Insert},                 // VK_INSERT
    {46, XK_Delete},                 // VK_DELETE
    {47, XK_Help},                   // VK_HELP
    {91, XK_Super_L},                // VK_LWIN
    {92, XK_Super_R},                // VK_RWIN
    {93, XK_Menu},                   // VK_APPS
    {95, XF86XK_Sleep},              // VK_SLEEP
    {106, XK_KP_Multiply},           // VK_MULTIPLY
    {107, XK_KP_Add},                // VK_ADD
    {108, XK_KP_Separator},          // VK_SEPARATOR
    {109, XK_KP_Subtract},           // VK_SUBTRACT
    {110, XK_KP_Decimal},            // VK_DECIMAL
    {111, XK_KP_Divide},             // VK_DIVIDE
    {144, XK_Num_Lock},              // VK_NUMLOCK
    {145, XK_Scroll_Lock},           // VK_SCROLL
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
    {186, XK_semicolon},             // VK_OEM_1
    {187, XK_equal},                 // VK_OEM_PLUS
    {188, XK_comma},                 // VK_OEM_COMMA
    {189, XK_minus},                 // VK_OEM_MINUS
    {190, XK_period},                // VK_OEM_PERIOD
    {191, XK_slash},                 // VK_OEM_2
    {192, XK_grave},                 // VK_OEM_3
    {219, XK_bracketleft},           // VK_OEM_4
    {220, XK_backslash},             // VK_OEM_5
    {221, XK_bracketright},          // VK_OEM_6
    {222, XK_apostrophe},            // VK_OEM_7
    {226, XK_less},                  // VK_OEM_102
    {240, XK_Eisu_toggle},           // VK_OEM_ATTN (Eisu on Japanese keyboards)
    {242, XK_Hiragana_Katakana},     // VK_OEM_COPY (Hiragana/Katakana)
    {243, XK_Zenkaku_Hankaku},       // VK_OEM_AUTO (Zenkaku/Hankaku)
    {244, XK_Zenkaku_Hankaku},       // VK_OEM_ENLW
    {246, 0xFD0E},                   // VK_ATTN (3270_Attn)
    {250, XF86XK_AudioPlay},         // VK_PLAY
};

constexpr std::array<unsigned long, 256> buildTable() {
    std::array<unsigned long, 256> t{};
    for (int i = 0; i < 10; ++i) t[48 + i] = XK_0 + i;     // '0'-'9'
    for (int i = 0; i < 26; ++i) t[65 + i] = XK_a + i;     // 'A'-'Z': the letter key
    for (int i = 0; i < 10; ++i) t[96 + i] = XK_KP_0 + i;  // VK_NUMPAD0-9
    for (int i = 0; i < 24; ++i) t[112 + i] = XK_F1 + i;   // VK_F1-F24
    for (const Entry& e : kNamed) t[static_cast<std::size_t>(e.vk)] = e.sym;
    return t;
}

constexpr std::array<unsigned long, 256> kTable = buildTable();

}  // namespace

unsigned long keysymForVk(int vk) {
    if (vk < 0 || vk > 255) return 0;
    return kTable[static_cast<std::size_t>(vk)];
}

}  // namespace orv::x11
