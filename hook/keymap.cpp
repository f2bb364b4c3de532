#include "hook/keymap.h"

#include <X11/keysym.h>

namespace orv::hook {

namespace {

int keypadVk(std::uint32_t ks) {
    if (ks >= XK_KP_0 && ks <= XK_KP_9) return 96 + static_cast<int>(ks - XK_KP_0);
    switch (ks) {
        case XK_KP_Multiply:
            return 106;
        case XK_KP_Add:
            return 107;
        case XK_KP_Separator:
            return 108;
        case XK_KP_Subtract:
            return 109;
        case XK_KP_Decimal:
            return 110;
        case XK_KP_Divide:
            return 111;
        case XK_KP_Enter:
            return 13;
        case XK_KP_Home:
            return 36;
        case XK_KP_End:
            return 35;
        case XK_KP_Prior:
            return 33;
        case XK_KP_Next:
            return 34;
        case XK_KP_Left:
            return 37;
        case XK_KP_Up:
            return 38;
        case XK_KP_Right:
            return 39;
        case XK_KP_Down:
            return 40;
        case XK_KP_Insert:
            return 45;
        case XK_KP_Delete:
            return 46;
        case XK_KP_Begin:
            return 12;
        case XK_KP_Space:
            return 32;
        case XK_KP_Tab:
            return 9;
        default:
            return 0;
    }
}

}  // namespace

int vkForKeysyms(std::uint32_t level0, std::uint32_t level1, bool numLock) {
    std::uint32_t ks = level0;
    // Keypad keys: the digit level when Num Lock is on, the navigation level otherwise.
    if (ks >= XK_KP_Space && ks <= XK_KP_Equal) {
        if (numLock && level1 >= XK_KP_Space && level1 <= XK_KP_Equal) ks = level1;
        return keypadVk(ks);
    }
    if (ks >= XK_a && ks <= XK_z) return 65 + static_cast<int>(ks - XK_a);
    if (ks >= XK_A && ks <= XK_Z) return 65 + static_cast<int>(ks - XK_A);
    if (ks >= XK_0 && ks <= XK_9) return 48 + static_cast<int>(ks - XK_0);
    if (ks >= XK_F1 && ks <= XK_F24) return 112 + static_cast<int>(ks - XK_F1);
    switch (ks) {
        case XK_BackSpace:
            return 8;
        case XK_Tab:
        case XK_ISO_Left_Tab:
            return 9;
        case XK_Return:
            return 13;
        case XK_Shift_L:
        case XK_Shift_R:
            return 16;
        case XK_Control_L:
        case XK_Control_R:
            return 17;
        case XK_Alt_L:
        case XK_Alt_R:
        case XK_Meta_L:
        case XK_Meta_R:
        case XK_ISO_Level3_Shift:
            return 18;
        case XK_Pause:
            return 19;
        case XK_Caps_Lock:
            return 20;
        case XK_Escape:
            return 27;
        case XK_space:
            return 32;
        case XK_Prior:
            return 33;
        case XK_Next:
            return 34;
        case XK_End:
            return 35;
        case XK_Home:
            return 36;
        case XK_Left:
            return 37;
        case XK_Up:
            return 38;
        case XK_Right:
            return 39;
        case XK_Down:
            return 40;
        case XK_Print:
            return 44;
        case XK_Insert:
            return 45;
        case XK_Delete:
            return 46;
        case XK_Super_L:
            return 91;
        case XK_Super_R:
            return 92;
        case XK_Menu:
            return 93;
        case XK_Num_Lock:
            return 144;
        case XK_Scroll_Lock:
            return 145;
        case XK_semicolon:
            return 186;
        case XK_equal:
            return 187;
        case XK_comma:
            return 188;
        case XK_minus:
            return 189;
        case XK_period:
            return 190;
        case XK_slash:
            return 191;
        case XK_grave:
            return 192;
        case XK_bracketleft:
            return 219;
        case XK_backslash:
            return 220;
        case XK_bracketright:
            return 221;
        case XK_apostrophe:
            return 222;
        default:
            return 0;
    }
}

}  // namespace orv::hook
