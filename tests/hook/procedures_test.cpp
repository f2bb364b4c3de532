// The hook procedures, driven through event lists as `orvane-cli hookreplay` feeds them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "hook/hook_state.h"
#include "hook/orvhook.h"
#include "lang/text.h"
#include "recorder/replay.h"

namespace {

struct Case {
    const char* name;
    std::string events;
    const char* expected;  // output lines, '\n' separated, record lines with their tab
};

// Each key pressed and released alone.
std::string taps(std::initializer_list<int> vks) {
    std::string events;
    for (int vk : vks)
        events += "key down " + std::to_string(vk) + "\nkey up " + std::to_string(vk) + "\n";
    return events;
}

std::string replay(const std::string& events) {
    orv::hook::resetForTests();
    std::string out, err;
    EXPECT_TRUE(orv::recorder::replayEvents(events, out, err)) << err;
    return out;
}

// One event list through the procedures, in the keyboard and the mouse families below.
class Procedures : public ::testing::TestWithParam<Case> {};

TEST_P(Procedures, WriteTheExpectedLines) {
    EXPECT_EQ(replay(GetParam().events), GetParam().expected);
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Keyboard, Procedures,
    ::testing::Values(
        Case{"CtrlC", "key down 17\nkey down 67\nkey up 67\nkey up 17\n", "\tKEY CTRL,C\n"},
        Case{"ShiftEmptiedByFirstRelease",
             "key down 16\nkey down 65\nkey up 65\nkey down 66\nkey up 66\nkey up 16\n",
             "\tKEY SFT,A\n\tKEY B\n"},
        Case{"FourKeysOnlyThreeNamed",
             "key down 17\nkey down 16\nkey down 18\nkey down 65\nkey up 65\nkey up 18\n"
             "key up 16\nkey up 17\n",
             "\tKEY CTRL,SFT,ALT\n"},
        Case{"AltTab", "key down 18\nkey down 9\nkey up 9\nkey up 18\n", "\tMTAB 1\n\tKEY ALT\n"},
        Case{"TabAloneOnRelease", "key down 9\nkey up 9\nkey up 9\n", "\tMTAB 1\n\tMTAB 1\n"},
        Case{"NumpadFive", taps({101}), "\tKEY 5\n"},
        Case{"NumpadPlusIsK", taps({107}), "\tKEY k\n"},
        Case{"NumpadOperators", taps({106, 108, 109, 110, 111}),
             "\tKEY j\n\tKEY l\n\tKEY m\n\tKEY n\n\tKEY o\n"},
        Case{"F1NotStoredWhileNotRecording", "setrec 0\n" + taps({112}), ""},
        Case{"F1StoredWhileRecording", "setrec 1\n" + taps({112}), "\tKEY F1\n"},
        Case{"F2StoredAlways", "setrec 0\n" + taps({113}), "\tKEY F2\n"},
        Case{"AutoRepeatChangesNothing",
             "key down 17\nkey down 65\nkey down 65\nkey down 65\nkey up 65\n", "\tKEY CTRL,A\n"},
        Case{"UnmappedKeyReleaseWritesHeldKeys", "key down 17\nkey down 8\nkey up 8\nkey up 17\n",
             "\tKEY CTRL\n"},
        Case{"UnmappedKeysAloneWriteNothing", "key down 20\nkey up 20\nkey up 91\n", ""},
        Case{"RecflgsetEmptiesTheSlots", "key down 17\nsetrec 1\nkey up 17\n", ""},
        Case{"LettersAndDigits", taps({90, 48}), "\tKEY Z\n\tKEY 0\n"},
        Case{"EscRecordedWhenNotRunning", "key down 27 physical\nkey up 27 physical\n",
             "\tKEY ESC\n"},
        Case{"RunEscSendsAbortOnceOnRelease", "run 1\nkey down 27 physical\nkey up 27 physical\n",
             "RUNABORT\n"},
        Case{"RunInjectedEscDoesNothing", "run 1\nkey down 27\nkey up 27\n", ""},
        Case{"RunRecordsNothing",
             "run 1\nkey down 17 physical\nkey down 65 physical\nkey up 65 physical\n"
             "key up 17 physical\nkey down 9\nkey up 9\n",
             ""},
        Case{"KeysPressedDuringARunAreNotHeld",
             "run 1\nkey down 17\nrun 0\nkey down 65\nkey up 65\nkey up 17\n", "\tKEY A\n"},
        Case{"RunOffAgainRecords", "run 1\nrun 0\nkey down 27\nkey up 27\n", "\tKEY ESC\n"}),
    caseName);

// Every virtual key of the mapping table, pressed and released alone.
TEST(KeyboardProcedure, MapsEveryVirtualKeyToItsName) {
    struct Vk {
        int vk;
        const char* name;
    };
    const Vk keys[] = {{13, "ENTER"}, {16, "SFT"}, {17, "CTRL"},  {18, "ALT"},  {27, "ESC"},
                       {32, "SPACE"}, {33, "PUP"}, {34, "PDN"},   {35, "END"},  {36, "HOME"},
                       {37, "LEFT"},  {38, "UP"},  {39, "RIGHT"}, {40, "DOWN"}, {45, "INS"},
                       {46, "DEL"},   {48, "0"},   {57, "9"},     {65, "A"},    {90, "Z"},
                       {96, "0"},     {105, "9"},  {112, "F1"},   {113, "F2"},  {123, "F12"}};
    for (const Vk& k : keys) {
        EXPECT_EQ(replay("setrec 1\n" + taps({k.vk})), std::string("\tKEY ") + k.name + "\n")
            << k.vk;
    }
    for (int vk : {8, 12, 19, 20, 44, 91, 124, 144, 186, 222})
        EXPECT_EQ(replay("key down " + std::to_string(vk) + "\nkey up 1\n"), "") << vk;
}

INSTANTIATE_TEST_SUITE_P(
    Mouse, Procedures,
    ::testing::Values(
        Case{"Click", "mouse ldown 100 200\nmouse lup 100 200\n", "\tMMOVE 100,200\n\tMCLK L\n"},
        Case{"Drag", "mouse ldown 10 10\nmouse move 50 60\nmouse lup 50 60\n",
             "\tMMOVE 10,10\n\tMDOWN L\n\tMMOVE 50,60\n\tMUP L\n"},
        Case{"DragBackToThePressPoint",
             "mouse ldown 10 10\nmouse move 50 60\nmouse move 10 10\nmouse lup 10 10\n",
             "\tMMOVE 10,10\n\tMDOWN L\n\tMMOVE 10,10\n\tMCLK L\n"},
        Case{"DoubleClick", "mouse ldown 5 5\nmouse lup 5 5\nmouse ldbl 5 5\nmouse lup 5 5\n",
             "\tMMOVE 5,5\n\tMCLK L\n\tMMOVE 5,5\n\tMDCLK L\n\tMMOVE 5,5\n\tMCLK L\n"},
        Case{"RightAndMiddleDoubleClicks", "mouse rdbl 1 2\nmouse mdbl 3 4\n",
             "\tMMOVE 1,2\n\tMDCLK R\n\tMMOVE 3,4\n\tMDCLK C\n"},
        Case{"RightDrag", "mouse rdown 0 0\nmouse move 0 1\nmouse move 9 9\nmouse rup 9 9\n",
             "\tMMOVE 0,0\n\tMDOWN R\n\tMMOVE 9,9\n\tMUP R\n"},
        Case{"MiddleClick", "mouse mdown 7 8\nmouse mup 7 8\n", "\tMMOVE 7,8\n\tMCLK C\n"},
        Case{"FreeMovementNotRecorded", "mouse move 1 1\nmouse move 2 2\n", ""},
        Case{"MoveToThePressPointIsNoDrag",
             "mouse ldown 10 10\nmouse move 10 10\nmouse lup 10 10\n", "\tMMOVE 10,10\n\tMCLK L\n"},
        Case{"ReleaseElsewhereWithoutMoves", "mouse ldown 10 10\nmouse lup 20 20\n",
             "\tMMOVE 20,20\n"},
        Case{"NegativeCoordinates", "mouse ldown -5 -7\nmouse lup -5 -7\n",
             "\tMMOVE -5,-7\n\tMCLK L\n"},
        Case{"LeftClickOnStopWindowIgnored",
             "stoprect 900 700 1000 740\nmouse ldown 950 720\nmouse lup 950 720\n", ""},
        Case{"StopWindowBoundsInclusive",
             "stoprect 900 700 1000 740\nmouse ldown 900 700\nmouse lup 900 700\n"
             "mouse ldown 1000 740\nmouse lup 1000 740\nmouse ldown 1001 740\n"
             "mouse lup 1001 740\n",
             "\tMMOVE 1001,740\n\tMCLK L\n"},
        Case{"StopWindowPressReleasedElsewhere",
             "stoprect 900 700 1000 740\nmouse ldown 950 720\nmouse move 10 10\n"
             "mouse lup 10 10\n",
             ""},
        Case{"RightClickOnStopWindowRecorded",
             "stoprect 900 700 1000 740\nmouse rdown 950 720\nmouse rup 950 720\n",
             "\tMMOVE 950,720\n\tMCLK R\n"},
        Case{"MouseIgnoresTheRunFlag", "run 1\nmouse ldown 3 4\nmouse lup 3 4\n",
             "\tMMOVE 3,4\n\tMCLK L\n"},
        Case{"KeysAndClicksInterleave", "key down 17\nmouse ldown 1 1\nmouse lup 1 1\nkey up 17\n",
             "\tMMOVE 1,1\n\tMCLK L\n\tKEY CTRL\n"}),
    caseName);

TEST(Replay, RejectsBadLinesWithTheirNumber) {
    struct Bad {
        const char* events;
        const char* error;
    };
    const Bad bad[] = {
        {"key down", "line 1: expected: key down|up VK [physical]"},
        {"\n\nkey sideways 5", "line 3: expected: key down|up VK [physical]"},
        {"key down 5 extra", "line 1: expected: key down|up VK [physical]"},
        {"key up x1", "line 1: expected: key down|up VK [physical]"},
        {"mouse wheel 1 2",
         "line 1: expected: mouse move|ldown|lup|ldbl|rdown|"
         "rup|rdbl|mdown|mup|mdbl X Y"},
        {"mouse ldown 1",
         "line 1: expected: mouse move|ldown|lup|ldbl|rdown|"
         "rup|rdbl|mdown|mup|mdbl X Y"},
        {"run 2", "line 1: run takes 0 or 1"},
        {"setrec", "line 1: setrec takes 0 or 1"},
        {"stoprect 1 2 3", "line 1: stoprect takes four integers L T R B"},
        {"stoprect 1 2 3 99999999999", "line 1: stoprect takes four integers L T R B"},
        {"click 1 2", "line 1: unknown event 'click'"}};
    for (const Bad& b : bad) {
        orv::hook::resetForTests();
        std::string out = "unchanged", err;
        EXPECT_FALSE(orv::recorder::replayEvents(b.events, out, err)) << b.events;
        EXPECT_EQ(err, b.error) << b.events;
        EXPECT_EQ(out, "unchanged");
    }
}

TEST(Replay, SkipsCommentsBlankLinesAndCarriageReturns) {
    EXPECT_EQ(replay("# a chord\r\n\r\n  key down 17\r\n\tkey down 86\r\nkey up 86\r\n"),
              "\tKEY CTRL,V\n");
}

// ---- The exported functions called directly -----------------------------------------

struct Captured {
    std::vector<OrvHookDelivery> all;
    std::vector<std::string> texts;
};

void capture(void* ctx, const OrvHookDelivery* d) {
    auto& c = *static_cast<Captured*>(ctx);
    c.all.push_back(*d);
    c.texts.push_back(d->text ? d->text : "");
}

class Exports : public ::testing::Test {
  protected:
    void SetUp() override {
        orv::hook::resetForTests();
        OrvHookSetDelivery(capture, &got);
    }
    void TearDown() override { OrvHookSetDelivery(nullptr, nullptr); }
    Captured got;
};

TEST_F(Exports, PickProcedureSendsThePointToTheMainWindow) {
    SetMainHwnd(41, 42);
    struct Pick {
        int message;
        unsigned sent;
    };
    const Pick picks[] = {{ORV_WM_LBUTTONDOWN, 1033}, {ORV_WM_LBUTTONDBLCLK, 1034},
                          {ORV_WM_RBUTTONDOWN, 1035}, {ORV_WM_RBUTTONDBLCLK, 1036},
                          {ORV_WM_MBUTTONDOWN, 1037}, {ORV_WM_MBUTTONDBLCLK, 1038},
                          {ORV_WM_MOUSEMOVE, 0},      {ORV_WM_LBUTTONUP, 0},
                          {ORV_WM_RBUTTONUP, 0},      {ORV_WM_MOUSEWHEEL, 0}};
    const OrvMouseRecord at{300, 400, 0};
    for (const Pick& p : picks) {
        got.all.clear();
        EXPECT_EQ(CallMouseHookProc2(0, p.message, &at), 0);
        if (p.sent == 0) {
            EXPECT_TRUE(got.all.empty()) << p.message;
            continue;
        }
        ASSERT_EQ(got.all.size(), 1u) << p.message;
        EXPECT_EQ(got.all[0].kind, ORV_DELIVER_MESSAGE);
        EXPECT_EQ(got.all[0].window, 41);
        EXPECT_EQ(got.all[0].message, p.sent);
        EXPECT_EQ(got.all[0].wparam, -1);  // no pick tag without MsetHook2
        EXPECT_EQ(got.all[0].lparam, (400 << 16) | 300);
    }
    // Negative x keeps to the low 16 bits.
    got.all.clear();
    const OrvMouseRecord left{-2, 5, 0};
    CallMouseHookProc2(0, ORV_WM_LBUTTONDOWN, &left);
    ASSERT_EQ(got.all.size(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(got.all[0].lparam), (5u << 16) | 0xFFFEu);
}

TEST_F(Exports, NothingIsSentWithoutAWindow) {
    const OrvMouseRecord at{1, 1, 0};
    CallMouseHookProc(0, ORV_WM_LBUTTONDOWN, &at);
    CallMouseHookProc(0, ORV_WM_LBUTTONUP, &at);
    CallMouseHookProc2(0, ORV_WM_LBUTTONDOWN, &at);
    KSetExe(1, 0);
    CallKeyboardHookProc(0, 27, ORV_KF_RELEASE | ORV_KF_PHYSICAL);
    EXPECT_TRUE(got.all.empty());
}

TEST_F(Exports, RunAbortCarriesEscAndTheKeyFlags) {
    KSetExe(1, 77);
    const uint32_t flags = ORV_KF_RELEASE | ORV_KF_PHYSICAL | 0x40000000u;
    CallKeyboardHookProc(0, 27, ORV_KF_PHYSICAL);  // the press sends nothing
    CallKeyboardHookProc(0, 27, flags);
    ASSERT_EQ(got.all.size(), 1u);
    EXPECT_EQ(got.all[0].window, 77);
    EXPECT_EQ(got.all[0].message, 1039u);
    EXPECT_EQ(got.all[0].wparam, 27);
    EXPECT_EQ(static_cast<uint32_t>(got.all[0].lparam), flags);
}

TEST_F(Exports, OtherHookCodesAreOnlyPassedOn) {
    SetMainHwnd(1, 2);
    const OrvMouseRecord at{1, 1, 0};
    for (int code : {-1, 1, 3}) {
        CallKeyboardHookProc(code, 65, 0);
        CallKeyboardHookProc(code, 65, ORV_KF_RELEASE);
        CallKeyboardHookProc(code, 9, ORV_KF_RELEASE);
        CallMouseHookProc(code, ORV_WM_LBUTTONDOWN, &at);
        CallMouseHookProc(code, ORV_WM_LBUTTONUP, &at);
        CallMouseHookProc2(code, ORV_WM_LBUTTONDOWN, &at);
    }
    CallMouseHookProc(0, ORV_WM_LBUTTONDOWN, nullptr);
    CallMouseHookProc2(0, ORV_WM_LBUTTONDOWN, nullptr);
    EXPECT_TRUE(got.all.empty());
}

TEST_F(Exports, FlagsAndTheirInitialValues) {
    EXPECT_EQ(ChkMHook(), 0);
    EXPECT_EQ(ChkMHook2(), 0);
    EXPECT_EQ(ChkKHook(), 0);
    EXPECT_EQ(Recflgset(1), 0);  // the record-mouse-hook flag
    EXPECT_EQ(SetMainHwnd(5, 6), 0);
    EXPECT_EQ(KSetExe(1, 9), 0);
    const auto& b = orv::hook::block();
    EXPECT_EQ(b.buttonState.load(), -1);
    EXPECT_EQ(b.pickTag.load(), -1);
    for (const auto& s : b.heldKey) EXPECT_EQ(s.load(), -1);
}

TEST_F(Exports, RemovingAHookThatIsNotInstalledFails) {
    SetMainHwnd(8, 9);
    struct Remove {
        int32_t (*fn)();
        const char* message;
    };
    const Remove removes[] = {{MendHook, "Mouse UnhookWindowsHookEx失敗です"},
                              {MendHook2, "Mouse UnhookWindowsHookEx失敗です"},
                              {KendHook, "Keybaord UnhookWindowsHookEx失敗です"}};
    for (const Remove& r : removes) {
        got.all.clear();
        got.texts.clear();
        EXPECT_EQ(r.fn(), -1);
        ASSERT_EQ(got.all.size(), 1u);
        EXPECT_EQ(got.all[0].kind, ORV_DELIVER_MSGBOX);
        EXPECT_EQ(got.all[0].window, 8);
        EXPECT_EQ(got.texts[0], orv::sj(r.message));
        EXPECT_STREQ(got.all[0].caption, "Orvane");
    }
    EXPECT_EQ(ChkMHook(), 0);
    EXPECT_EQ(ChkMHook2(), 0);
    EXPECT_EQ(ChkKHook(), 0);
}

TEST_F(Exports, InstallingWithoutADisplayFailsWithItsMessage) {
    const char* saved = std::getenv("DISPLAY");
    const std::string keep = saved ? saved : "";
    unsetenv("DISPLAY");
    struct Install {
        int32_t (*fn)();
        const char* message;
        int32_t (*check)();
    };
    const Install installs[] = {{MsetHook, "Mouse SetWindowsHookEx失敗です", ChkMHook},
                                {KsetHook, "Keybaord SetWindowsHookEx失敗です", ChkKHook}};
    for (const Install& i : installs) {
        got.all.clear();
        got.texts.clear();
        EXPECT_EQ(i.fn(), -1);
        ASSERT_EQ(got.all.size(), 1u);
        EXPECT_EQ(got.texts[0], orv::sj(i.message));
        EXPECT_EQ(i.check(), 0);
    }
    got.all.clear();
    EXPECT_EQ(MsetHook2(3), -1);
    EXPECT_EQ(ChkMHook2(), 0);
    EXPECT_EQ(orv::hook::block().pickTag.load(), -1);
    if (saved) setenv("DISPLAY", keep.c_str(), 1);
}

}  // namespace
