// Virtual keys of X keysyms.
#include "hook/keymap.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace {

// A key's keysyms at levels 0 and 1, and its virtual key.
struct Levels {
    unsigned level0, level1;
    int vk;
};

TEST(Keymap, VirtualKeysOfKeysyms) {
    // Keys alone on their keycode: editing, control, modifier, navigation and function keys,
    // keysyms without a virtual key, and the numeric pad's operators and Enter.
    const struct {
        unsigned keysym;
        int vk;
    } alone[] = {
        {XK_Return, 13},       {XK_Escape, 27},     {XK_space, 32},     {XK_Insert, 45},
        {XK_Delete, 46},       {XK_BackSpace, 8},   {XK_Caps_Lock, 20}, {XK_Shift_L, 16},
        {XK_Shift_R, 16},      {XK_Control_L, 17},  {XK_Control_R, 17}, {XK_Super_L, 91},
        {XK_Prior, 33},        {XK_Next, 34},       {XK_End, 35},       {XK_Home, 36},
        {XK_Left, 37},         {XK_Up, 38},         {XK_Right, 39},     {XK_Down, 40},
        {XK_F1, 112},          {XK_F12, 123},       {XK_VoidSymbol, 0}, {0, 0},
        {XK_KP_Subtract, 109}, {XK_KP_Divide, 111}, {XK_KP_Enter, 13},
    };
    for (const auto& c : alone)
        EXPECT_EQ(orv::hook::vkForKeysyms(c.keysym, 0, false), c.vk) << std::hex << c.keysym;
    // Keys with a second level: letters and digits shifted, Tab, Alt, punctuation, and the
    // numeric pad's navigation level, which counts without Num Lock.
    const Levels levels[] = {
        {XK_a, XK_A, 65},
        {XK_z, XK_Z, 90},
        {XK_0, XK_parenright, 48},
        {XK_9, XK_parenleft, 57},
        {XK_Tab, XK_ISO_Left_Tab, 9},
        {XK_Alt_L, XK_Meta_L, 18},
        {XK_comma, XK_less, 188},
        {XK_KP_Home, XK_KP_7, 36},
        {XK_KP_Insert, XK_KP_0, 45},
        {XK_KP_Add, XK_KP_Add, 107},
    };
    for (const auto& c : levels)
        EXPECT_EQ(orv::hook::vkForKeysyms(c.level0, c.level1, false), c.vk) << std::hex << c.level0;
    // With Num Lock the numeric pad gives its digit level.
    const Levels numLock[] = {
        {XK_KP_Home, XK_KP_7, 103},
        {XK_KP_Begin, XK_KP_5, 101},
        {XK_KP_Delete, XK_KP_Decimal, 110},
        {XK_KP_Multiply, 0, 106},
    };
    for (const auto& c : numLock)
        EXPECT_EQ(orv::hook::vkForKeysyms(c.level0, c.level1, true), c.vk) << std::hex << c.level0;
}

}  // namespace
