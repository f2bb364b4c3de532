// The monitor's event translation: double-clicks, decoration presses, the moves fed before
// button events and the physical-key flag, then the same events through the procedures.
#include "hook/translator.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "hook/hook_state.h"
#include "hook/orvhook.h"

namespace {

using orv::hook::InjectedKeyNotes;
using orv::hook::ProcInput;
using orv::hook::Translator;

// Raw events, blank-separated: "mX,Y@T" a motion, "pB:X,Y@T" / "rB:X,Y@T" a press / release
// of button B, "dB:X,Y@T" a press on a decoration; T is the server time (decimal or 0x hex).
struct Raw {
    char what;
    int button;
    int x, y;
    unsigned time;
};

std::vector<Raw> parseRaws(const std::string& events) {
    std::vector<Raw> raws;
    std::istringstream in(events);
    for (std::string tok; in >> tok;) {
        Raw r{tok[0], 0, 0, 0, 0};
        const std::size_t at = tok.find('@');
        const std::size_t from = r.what == 'm' ? 1 : tok.find(':') + 1;
        const std::string where = tok.substr(from, at - from);
        if (r.what != 'm') r.button = std::stoi(tok.substr(1));
        r.x = std::stoi(where);
        r.y = std::stoi(where.substr(where.find(',') + 1));
        r.time = static_cast<unsigned>(std::stoul(tok.substr(at + 1), nullptr, 0));
        raws.push_back(r);
    }
    return raws;
}

std::string name(const ProcInput& in) {
    static const char* const kNames[] = {"move", "ldown", "lup", "ldbl", "rdown", "rup",
                                         "rdbl", "mdown", "mup", "mdbl", "wheel"};
    std::string n = in.message >= 512 && in.message <= 522 ? kNames[in.message - 512]
                    : in.message == ORV_WM_MOUSEHWHEEL     ? "hwheel"
                                                           : "?";
    return n + " " + std::to_string(in.point.x) + "," + std::to_string(in.point.y);
}

std::vector<std::string> translate(const std::string& events) {
    InjectedKeyNotes notes;
    Translator t(notes);
    std::vector<ProcInput> out;
    for (const Raw& r : parseRaws(events)) {
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
        const char* raws;
        V expected;
    };
    const Case cases[] = {
        {"same point",
         "m5,5@0 p1:5,5@100 r1:5,5@150 p1:5,5@300 r1:5,5@350",
         {"move 5,5", "ldown 5,5", "lup 5,5", "ldbl 5,5", "lup 5,5"}},
        {"500 ms and 4 px each way still pair",
         "m10,10@0 p1:10,10@1000 r1:10,10@1010 p1:14,6@1500",
         {"move 10,10", "ldown 10,10", "lup 10,10", "move 14,6", "ldbl 14,6"}},
        {"501 ms is too slow",
         "m1,1@0 p1:1,1@0 r1:1,1@1 p1:1,1@501",
         {"move 1,1", "ldown 1,1", "lup 1,1", "ldown 1,1"}},
        {"5 px is too far",
         "m1,1@0 p1:1,1@0 r1:1,1@1 p1:6,1@2",
         {"move 1,1", "ldown 1,1", "lup 1,1", "move 6,1", "ldown 6,1"}},
        {"a third press starts a new pair",
         "m2,2@0 p1:2,2@0 r1:2,2@1 p1:2,2@2 r1:2,2@3 p1:2,2@4 r1:2,2@5 p1:2,2@6",
         {"move 2,2", "ldown 2,2", "lup 2,2", "ldbl 2,2", "lup 2,2", "ldown 2,2", "lup 2,2",
          "ldbl 2,2"}},
        {"another button in between breaks the pair",
         "m3,3@0 p1:3,3@0 r1:3,3@1 p3:3,3@2 r3:3,3@3 p1:3,3@4",
         {"move 3,3", "ldown 3,3", "lup 3,3", "rdown 3,3", "rup 3,3", "ldown 3,3"}},
        {"right and middle buttons",
         "m0,0@0 p3:0,0@0 r3:0,0@1 p3:0,0@2 p2:0,0@3 r2:0,0@4 p2:0,0@5",
         {"move 0,0", "rdown 0,0", "rup 0,0", "rdbl 0,0", "mdown 0,0", "mup 0,0", "mdbl 0,0"}},
        {"server time wraps around",
         "m4,4@0 p1:4,4@0xFFFFFF00 r1:4,4@0xFFFFFF10 p1:4,4@0x20",
         {"move 4,4", "ldown 4,4", "lup 4,4", "ldbl 4,4"}},
    };
    for (const Case& c : cases) EXPECT_EQ(translate(c.raws), c.expected) << c.what;
}

TEST(Translator, DecorationPressesAreDroppedWithTheirRelease) {
    EXPECT_EQ(translate("m50,5@0 d1:50,5@10 m80,40@20 r1:80,40@30 p1:80,40@40 r1:80,40@50"),
              (V{"move 50,5", "move 80,40", "ldown 80,40", "lup 80,40"}));
    // A press on a decoration does not become the first half of a double-click.
    EXPECT_EQ(translate("p1:7,7@0 r1:7,7@1 d1:7,7@2 r1:7,7@3 p1:7,7@4"),
              (V{"move 7,7", "ldown 7,7", "lup 7,7", "ldown 7,7"}));
}

TEST(Translator, FeedsAMoveBeforeButtonEventsWhereThePointerWasNotSeen) {
    // The motion to the release point was lost: the drag is still recognised.
    EXPECT_EQ(translate("m10,10@0 p1:10,10@1 r1:50,60@2"),
              (V{"move 10,10", "ldown 10,10", "move 50,60", "lup 50,60"}));
    // Repeated motion to the same point is fed once.
    EXPECT_EQ(translate("m1,1@0 m1,1@1 m2,1@2"), (V{"move 1,1", "move 2,1"}));
}

TEST(Translator, WheelGivesOneMessagePerNotch) {
    EXPECT_EQ(translate("m0,0@0 p4:0,0@1 r4:0,0@2 p7:0,0@3 r7:0,0@4 p9:0,0@5"),
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
    t.key(27, true, 0, t0, out);                                    // noted
    t.key(27, false, 10, t0 + std::chrono::milliseconds(10), out);  // noted
    t.key(27, false, 20, t0 + std::chrono::milliseconds(20), out);  // the note was used up
    notes.note(65, false, t0);
    t.key(65, true, 30, t0, out);  // a note for the release does not cover the press
    t.key(65, false, 1031, t0 + std::chrono::milliseconds(1001), out);  // the note expired
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
