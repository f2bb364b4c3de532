// The monitor's event translation: double-clicks, decoration presses, the moves fed before
// button events and the physical-key flag, then the same events through the procedures.
#include "hook/translator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hook/hook_state.h"
#include "hook/orvhook.h"

namespace {

using orv::hook::InjectedKeyNotes;
using orv::hook::ProcInput;
using orv::hook::Translator;

// One raw event: m = motion, p/r = press/release of button b, d = press on a decoration.
struct Raw {
    char what;
    int button;
    int x, y;
    unsigned time;
};

std::string name(const ProcInput& in) {
    static const char* const kNames[] = {"move", "ldown", "lup", "ldbl", "rdown", "rup",
                                         "rdbl", "mdown", "mup", "mdbl", "wheel"};
    std::string n = in.message >= 512 && in.message <= 522 ? kNames[in.message - 512]
                    : in.message == ORV_WM_MOUSEHWHEEL     ? "hwheel"
                                                           : "?";
    return n + " " + std::to_string(in.point.x) + "," + std::to_string(in.point.y);
}

std::vector<std::string> translate(const std::vector<Raw>& raws) {
    InjectedKeyNotes notes;
    Translator t(notes);
    std::vector<ProcInput> out;
    for (const Raw& r : raws) {
        if (r.what == 'm')
            t.motion(r.x, r.y, r.time, out);
        else
            t.button(r.button, r.what == 'p' || r.what == 'd', r.x, r.y, r.time, r.what != 'd',
                     out);
    }
    std::vector<std::string> names;
    for (const auto& in : out) names.push_back(name(in));
    return names;
}

using V = std::vector<std::string>;

TEST(Translator, DoubleClickWithinTimeAndDistance) {
    struct Case {
        const char* what;
        std::vector<Raw> raws;
        V expected;
    };
    const Case cases[] = {
        {"same point",
         {{'m', 0, 5, 5, 0},
          {'p', 1, 5, 5, 100},
          {'r', 1, 5, 5, 150},
          {'p', 1, 5, 5, 300},
          {'r', 1, 5, 5, 350}},
         {"move 5,5", "ldown 5,5", "lup 5,5", "ldbl 5,5", "lup 5,5"}},
        {"500 ms and 4 px each way still pair",
         {{'m', 0, 10, 10, 0},
          {'p', 1, 10, 10, 1000},
          {'r', 1, 10, 10, 1010},
          {'p', 1, 14, 6, 1500}},
         {"move 10,10", "ldown 10,10", "lup 10,10", "move 14,6", "ldbl 14,6"}},
        {"501 ms is too slow",
         {{'m', 0, 1, 1, 0}, {'p', 1, 1, 1, 0}, {'r', 1, 1, 1, 1}, {'p', 1, 1, 1, 501}},
         {"move 1,1", "ldown 1,1", "lup 1,1", "ldown 1,1"}},
        {"5 px is too far",
         {{'m', 0, 1, 1, 0}, {'p', 1, 1, 1, 0}, {'r', 1, 1, 1, 1}, {'p', 1, 6, 1, 2}},
         {"move 1,1", "ldown 1,1", "lup 1,1", "move 6,1", "ldown 6,1"}},
        {"a third press starts a new pair",
         {{'m', 0, 2, 2, 0},
          {'p', 1, 2, 2, 0},
          {'r', 1, 2, 2, 1},
          {'p', 1, 2, 2, 2},
          {'r', 1, 2, 2, 3},
          {'p', 1, 2, 2, 4},
          {'r', 1, 2, 2, 5},
          {'p', 1, 2, 2, 6}},
         {"move 2,2", "ldown 2,2", "lup 2,2", "ldbl 2,2", "lup 2,2", "ldown 2,2", "lup 2,2",
          "ldbl 2,2"}},
        {"another button in between breaks the pair",
         {{'m', 0, 3, 3, 0},
          {'p', 1, 3, 3, 0},
          {'r', 1, 3, 3, 1},
          {'p', 3, 3, 3, 2},
          {'r', 3, 3, 3, 3},
          {'p', 1, 3, 3, 4}},
         {"move 3,3", "ldown 3,3", "lup 3,3", "rdown 3,3", "rup 3,3", "ldown 3,3"}},
        {"right and middle buttons",
         {{'m', 0, 0, 0, 0},
          {'p', 3, 0, 0, 0},
          {'r', 3, 0, 0, 1},
          {'p', 3, 0, 0, 2},
          {'p', 2, 0, 0, 3},
          {'r', 2, 0, 0, 4},
          {'p', 2, 0, 0, 5}},
         {"move 0,0", "rdown 0,0", "rup 0,0", "rdbl 0,0", "mdown 0,0", "mup 0,0", "mdbl 0,0"}},
        {"server time wraps around",
         {{'m', 0, 4, 4, 0},
          {'p', 1, 4, 4, 0xFFFFFF00u},
          {'r', 1, 4, 4, 0xFFFFFF10u},
          {'p', 1, 4, 4, 0x20u}},
         {"move 4,4", "ldown 4,4", "lup 4,4", "ldbl 4,4"}},
    };
    for (const Case& c : cases) EXPECT_EQ(translate(c.raws), c.expected) << c.what;
}

TEST(Translator, DecorationPressesAreDroppedWithTheirRelease) {
    EXPECT_EQ(translate({{'m', 0, 50, 5, 0},
                         {'d', 1, 50, 5, 10},
                         {'m', 0, 80, 40, 20},
                         {'r', 1, 80, 40, 30},
                         {'p', 1, 80, 40, 40},
                         {'r', 1, 80, 40, 50}}),
              (V{"move 50,5", "move 80,40", "ldown 80,40", "lup 80,40"}));
    // A press on a decoration does not become the first half of a double-click.
    EXPECT_EQ(translate({{'p', 1, 7, 7, 0},
                         {'r', 1, 7, 7, 1},
                         {'d', 1, 7, 7, 2},
                         {'r', 1, 7, 7, 3},
                         {'p', 1, 7, 7, 4}}),
              (V{"move 7,7", "ldown 7,7", "lup 7,7", "ldown 7,7"}));
}

TEST(Translator, FeedsAMoveBeforeButtonEventsWhereThePointerWasNotSeen) {
    // The motion to the release point was lost: the drag is still recognised.
    EXPECT_EQ(translate({{'m', 0, 10, 10, 0}, {'p', 1, 10, 10, 1}, {'r', 1, 50, 60, 2}}),
              (V{"move 10,10", "ldown 10,10", "move 50,60", "lup 50,60"}));
    // Repeated motion to the same point is fed once.
    EXPECT_EQ(translate({{'m', 0, 1, 1, 0}, {'m', 0, 1, 1, 1}, {'m', 0, 2, 1, 2}}),
              (V{"move 1,1", "move 2,1"}));
}

TEST(Translator, WheelGivesOneMessagePerNotch) {
    EXPECT_EQ(translate({{'m', 0, 0, 0, 0},
                         {'p', 4, 0, 0, 1},
                         {'r', 4, 0, 0, 2},
                         {'p', 7, 0, 0, 3},
                         {'r', 7, 0, 0, 4},
                         {'p', 9, 0, 0, 5}}),
              (V{"move 0,0", "wheel 0,0", "hwheel 0,0"}));
}

TEST(Translator, KeysArePhysicalUnlessNotedByTheProgram) {
    using Clock = InjectedKeyNotes::Clock;
    const Clock::time_point t0{};
    InjectedKeyNotes notes;
    Translator t(notes);
    std::vector<ProcInput> out;
    notes.note(27, true, t0);
    notes.note(27, false, t0);
    t.key(27, true, t0, out);                                   // noted
    t.key(27, false, t0 + std::chrono::milliseconds(10), out);  // noted
    t.key(27, false, t0 + std::chrono::milliseconds(20), out);  // the note was used up
    notes.note(65, false, t0);
    t.key(65, true, t0, out);  // a note for the release does not cover the press
    t.key(65, false, t0 + std::chrono::milliseconds(1001), out);  // the note expired
    ASSERT_EQ(out.size(), 5u);
    const uint32_t expected[] = {0u, ORV_KF_RELEASE, ORV_KF_RELEASE | ORV_KF_PHYSICAL,
                                 ORV_KF_PHYSICAL, ORV_KF_RELEASE | ORV_KF_PHYSICAL};
    for (std::size_t i = 0; i < out.size(); ++i) {
        EXPECT_TRUE(out[i].isKey);
        EXPECT_EQ(out[i].keyFlags, expected[i]) << i;
    }
    EXPECT_EQ(out[0].message, 27);
    EXPECT_EQ(out[3].message, 65);
}

TEST(Translator, NotesAreBounded) {
    using Clock = InjectedKeyNotes::Clock;
    const Clock::time_point t0{};
    InjectedKeyNotes notes;
    notes.note(1, true, t0);
    for (std::size_t i = 0; i < InjectedKeyNotes::kMaxNotes; ++i) notes.note(2, true, t0);
    EXPECT_FALSE(notes.consume(1, true, t0));  // the oldest note made room
    EXPECT_TRUE(notes.consume(2, true, t0));
}

// The translated events through the procedures: what the recorder writes for a double
// click, a drag and a click on a window frame.
TEST(Translator, ThroughTheProcedures) {
    orv::hook::resetForTests();
    std::string text;
    OrvHookSetDelivery(
        [](void* ctx, const OrvHookDelivery* d) {
            if (d->kind == ORV_DELIVER_TEXT) *static_cast<std::string*>(ctx) += d->text;
        },
        &text);
    SetMainHwnd(1, 2);
    InjectedKeyNotes notes;
    Translator t(notes);
    std::vector<ProcInput> out;
    t.button(1, true, 5, 5, 100, true, out);
    t.button(1, false, 5, 5, 120, true, out);
    t.button(1, true, 5, 5, 300, true, out);
    t.button(1, false, 5, 5, 320, true, out);
    t.button(1, true, 300, 20, 2000, false, out);  // title bar
    t.motion(400, 60, 2010, out);
    t.button(1, false, 400, 60, 2020, true, out);
    t.button(1, true, 10, 10, 3000, true, out);
    t.motion(11, 10, 3010, out);
    t.button(1, false, 40, 50, 3020, true, out);
    for (const auto& in : out) CallMouseHookProc(0, in.message, &in.point);
    OrvHookSetDelivery(nullptr, nullptr);
    EXPECT_EQ(text,
              "\tMMOVE 5,5\r\n\tMCLK L\r\n\tMMOVE 5,5\r\n\tMDCLK L\r\n\tMMOVE 5,5\r\n\tMCLK L\r\n"
              "\tMMOVE 10,10\r\n\tMDOWN L\r\n\tMMOVE 40,50\r\n\tMUP L\r\n");
}

}  // namespace
