// Virtual keys of X keysyms.
#include "hook/keymap.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace {

TEST(Keymap, VirtualKeysOfKeysyms) {
    struct Case {
        unsigned level0, level1;
        bool numLock;
        int vk;
    };
    const Case cases[] = {{XK_a, XK_A, false, 65},
                          {XK_z, XK_Z, false, 90},
                          {XK_0, XK_parenright, false, 48},
                          {XK_9, XK_parenleft, false, 57},
                          {XK_Return, 0, false, 13},
                          {XK_Tab, XK_ISO_Left_Tab, false, 9},
                          {XK_Shift_L, 0, false, 16},
                          {XK_Shift_R, 0, false, 16},
                          {XK_Control_L, 0, false, 17},
                          {XK_Control_R, 0, false, 17},
                          {XK_Alt_L, XK_Meta_L, false, 18},
                          {XK_Escape, 0, false, 27},
                          {XK_space, 0, false, 32},
                          {XK_Prior, 0, false, 33},
                          {XK_Next, 0, false, 34},
                          {XK_End, 0, false, 35},
                          {XK_Home, 0, false, 36},
                          {XK_Left, 0, false, 37},
                          {XK_Up, 0, false, 38},
                          {XK_Right, 0, false, 39},
                          {XK_Down, 0, false, 40},
                          {XK_Insert, 0, false, 45},
                          {XK_Delete, 0, false, 46},
                          {XK_F1, 0, false, 112},
                          {XK_F12, 0, false, 123},
                          {XK_BackSpace, 0, false, 8},
                          {XK_Caps_Lock, 0, false, 20},
                          {XK_Super_L, 0, false, 91},
                          {XK_comma, XK_less, false, 188},
                          {XK_VoidSymbol, 0, false, 0},
                          {0, 0, false, 0},
                          // Keypad: digits with Num Lock, navigation without.
                          {XK_KP_Home, XK_KP_7, true, 103},
                          {XK_KP_Home, XK_KP_7, false, 36},
                          {XK_KP_Begin, XK_KP_5, true, 101},
                          {XK_KP_Insert, XK_KP_0, false, 45},
                          {XK_KP_Add, XK_KP_Add, false, 107},
                          {XK_KP_Multiply, 0, true, 106},
                          {XK_KP_Subtract, 0, false, 109},
                          {XK_KP_Divide, 0, false, 111},
                          {XK_KP_Delete, XK_KP_Decimal, true, 110},
                          {XK_KP_Enter, 0, false, 13}};
    for (const Case& c : cases)
        EXPECT_EQ(orv::hook::vkForKeysyms(c.level0, c.level1, c.numLock), c.vk)
            << std::hex << c.level0;
}

}  // namespace
