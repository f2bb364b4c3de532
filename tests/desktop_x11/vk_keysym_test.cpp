// The virtual-key table: every code a macro can send maps to the key it names, and codes
// without a key map to nothing.
#include "platform/x11/vk_keysym.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace {

using orv::x11::keysymForVk;

struct Case {
    int vk;
    unsigned long sym;
};

TEST(X11KeyTable, NamedKeysOfTheLanguage) {
    // The key names of KEY and their codes.
    const Case cases[] = {
        {16, XK_Shift_L}, {17, XK_Control_L}, {18, XK_Alt_L},    {13, XK_Return}, {45, XK_Insert},
        {46, XK_Delete},  {36, XK_Home},      {35, XK_End},      {33, XK_Prior},  {34, XK_Next},
        {27, XK_Escape},  {38, XK_Up},        {40, XK_Down},     {39, XK_Right},  {37, XK_Left},
        {32, XK_space},   {9, XK_Tab},        {8, XK_BackSpace},
    };
    for (const Case& c : cases) EXPECT_EQ(keysymForVk(c.vk), c.sym) << "vk " << c.vk;
}

TEST(X11KeyTable, RangesMapOneToOne) {
    struct Range {
        int firstVk;
        int count;
        unsigned long firstSym;
    };
    const Range ranges[] = {
        {'0', 10, XK_0},    // digits type themselves
        {'A', 26, XK_a},    // letter keys, no shift state added
        {96, 10, XK_KP_0},  // numeric pad: 'a' (97) is KP_1
        {112, 24, XK_F1},   // F1-F24: 'p' (112) is F1
    };
    for (const Range& r : ranges)
        for (int i = 0; i < r.count; ++i)
            EXPECT_EQ(keysymForVk(r.firstVk + i), r.firstSym + static_cast<unsigned long>(i))
                << "vk " << r.firstVk + i;
}

TEST(X11KeyTable, NumericPadOperatorsPunctuationAndSidedModifiers) {
    const Case cases[] = {
        {106, XK_KP_Multiply},  {107, XK_KP_Add},      {108, XK_KP_Separator},
        {109, XK_KP_Subtract},  {110, XK_KP_Decimal},  {111, XK_KP_Divide},
        {186, XK_semicolon},    {187, XK_equal},       {188, XK_comma},
        {189, XK_minus},        {190, XK_period},      {191, XK_slash},
        {192, XK_grave},        {219, XK_bracketleft}, {220, XK_backslash},
        {221, XK_bracketright}, {222, XK_apostrophe},  {160, XK_Shift_L},
        {161, XK_Shift_R},      {162, XK_Control_L},   {163, XK_Control_R},
        {164, XK_Alt_L},        {165, XK_Alt_R},       {144, XK_Num_Lock},
        {20, XK_Caps_Lock},     {91, XK_Super_L},      {173, XF86XK_AudioMute},
    };
    for (const Case& c : cases) EXPECT_EQ(keysymForVk(c.vk), c.sym) << "vk " << c.vk;
}

TEST(X11KeyTable, CodesWithoutAKeyGiveNothing) {
    // Mouse buttons, unassigned and reserved codes, and anything outside a byte.
    for (int vk : {-1, 0, 1, 2, 4, 5, 6, 7, 10, 11, 14, 15, 58, 64, 94, 136, 255, 256, 1 << 20})
        EXPECT_EQ(keysymForVk(vk), 0u) << "vk " << vk;
}

TEST(X11KeyTable, TypedTextBytesReachTheirKeys) {
    // KEY 'abc' sends 97-99: the numeric pad's 1-3; KEY 'A1' sends the A key and the 1 key.
    EXPECT_EQ(keysymForVk('a'), static_cast<unsigned long>(XK_KP_1));
    EXPECT_EQ(keysymForVk('c'), static_cast<unsigned long>(XK_KP_3));
    EXPECT_EQ(keysymForVk('A'), static_cast<unsigned long>(XK_a));
    EXPECT_EQ(keysymForVk('1'), static_cast<unsigned long>(XK_1));
    EXPECT_EQ(keysymForVk(' '), static_cast<unsigned long>(XK_space));
    // Bytes of a double-byte character (0x82 0xA0) have no key: 130 is F19, 160 Shift_L.
    EXPECT_EQ(keysymForVk(0x82), static_cast<unsigned long>(XK_F19));
}

}  // namespace
