// Recordings that keep their timing, through the program on a real X display: with RECWAIT on,
// F1, a click, a key, a click and a key on a test target with pauses of 0.3 s, 1 s and 2.5 s
// between them (xdotool), the stop button, then F4: the target receives the replayed events with
// the pauses it received while recording, within 50 ms or 10 % (whichever is larger), at COMTIME
// 0 and at COMTIME 100. The figures are printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/app_x11/app_session.h"

using namespace orv::x11test;

namespace {

// A key or button event of the target's log and its server time (the "time" line after it).
struct Event {
    std::string what;
    long time;
};

std::vector<Event> events(const Target& t, std::size_t from, std::size_t to = SIZE_MAX) {
    std::vector<Event> out;
    const auto lines = Session::logLines(t);
    for (std::size_t i = from; i + 1 < lines.size() && i < to; ++i) {
        const bool input = lines[i].rfind("Key", 0) == 0 || lines[i].rfind("Button", 0) == 0;
        if (input && lines[i + 1].rfind("time ", 0) == 0)
            out.push_back({lines[i], std::atol(lines[i + 1].c_str() + 5)});
    }
    return out;
}

// The program as startPlaced starts it, on an Orvane.ini of the test's own (the usual test
// settings put COMTIME first, and the first key of a name is the one read).
pid_t startWithSettings(Session& s, const fs::path& dir, const std::string& ini) {
    fs::create_directories(dir);
    writeBytes(dir / "Orvane.ini", "[SYSTEM]\r\nDMEX1ST=1\r\nSRCENDM=0\r\n" + ini + kFramePlace);
    writeBytes(dir / "m.ovm", "START\r\nEND\r\n");
    const pid_t app = s.spawn(
        {"sh", "-c",
         "cd '" + dir.string() + "' && chmod 700 . && exec env LC_ALL=C LANG=C XDG_RUNTIME_DIR='" +
             dir.string() + "' '" ORV_APP "' '" + (dir / "m.ovm").string() + "' 0"},
        "", (dir / "err.txt").string());
    if (waitWindow(s, "^Orvane$", true, 10000)) s.run("sleep 1");
    return app;
}

class RecordTiming : public OrvaneOnX11 {
  protected:
    // Records the actions at the interval `comTime`, replays them with F4 and gives the events
    // the target received both times.
    void roundTrip(int comTime, std::vector<Event>& recorded, std::vector<Event>& replayed);
    Target t;
};

void RecordTiming::roundTrip(int comTime, std::vector<Event>& recorded,
                             std::vector<Event>& replayed) {
    // The shortest pause at 50 ms: of the 0.3 s before a key, the lines themselves spend 200 ms
    // at COMTIME 100, and the rest must still be written.
    const fs::path dir = fs::path(s.dir()) / ("timing" + std::to_string(comTime));
    const pid_t app = startWithSettings(
        s, dir, "COMTIME=" + std::to_string(comTime) + "\r\nRECWAIT=1\r\nRECWMIN=50\r\n");
    focusWindow(s, "^Orvane$");
    s.run("xdotool key F1");
    ASSERT_TRUE(waitWindow(s, "マクロ記録停止")) << readFile((dir / "err.txt").string());
    s.run("sleep 0.5");
    const std::size_t start = Session::logLines(t).size();
    const auto at = [&](int dx, int dy) {
        return std::to_string(t.x + dx) + " " + std::to_string(t.y + dy);
    };
    s.run("xdotool mousemove --sync " + at(60, 50) + " click --delay 0 1 sleep 0.3 key a sleep 1 " +
          "mousemove " + at(150, 120) + " click --delay 0 1 sleep 2.5 key b sleep 0.3");
    const std::size_t end = Session::logLines(t).size();
    s.run(onWindow("マクロ記録停止", "xdotool mousemove --window {} 20 8 click 1"));
    ASSERT_TRUE(waitWindow(s, "マクロ記録停止", false, 8000));
    s.run("sleep 0.5; xdotool key F4");
    recorded = events(t, start, end);
    ASSERT_EQ(recorded.size(), 8u) << readFile(t.log);
    // The release of F4 reaches the target when the replay's first click gave it the focus
    // before the key came up.
    const auto replay = [&] {
        auto got = events(t, end);
        std::erase_if(got, [](const Event& e) { return e.what == "KeyRelease F4"; });
        return got;
    };
    EXPECT_TRUE(waitUntil([&] { return replay().size() >= recorded.size(); }, 20000))
        << readFile(t.log);
    replayed = replay();
    Session::stop(app);
}

// The gaps between consecutive events of both runs, printed, and each replayed one within its
// tolerance of the recorded one.
void compareGaps(int comTime, const std::vector<Event>& recorded,
                 const std::vector<Event>& replayed) {
    ASSERT_EQ(replayed.size(), recorded.size());
    for (std::size_t i = 1; i < recorded.size(); ++i) {
        EXPECT_EQ(replayed[i].what, recorded[i].what);
        const long was = recorded[i].time - recorded[i - 1].time;
        const long now = replayed[i].time - replayed[i - 1].time;
        const long tolerance = std::max(50L, was / 10);
        std::printf("COMTIME %3d: %-22s -> %-22s recorded %5ld ms, replayed %5ld ms\n", comTime,
                    recorded[i - 1].what.c_str(), recorded[i].what.c_str(), was, now);
        EXPECT_LE(std::labs(now - was), tolerance) << recorded[i].what;
    }
}

TEST_F(RecordTiming, ReplayedPausesMatchTheRecordedOnesAtComtime0And100) {
    ASSERT_TRUE(
        s.startTarget("timing-target", 700, 300, 300, 240, t, Gravity::Static, ClickFocus::Yes))
        << s.explain(t);
    for (int comTime : {0, 100}) {
        std::vector<Event> recorded, replayed;
        roundTrip(comTime, recorded, replayed);
        if (HasFatalFailure()) return;
        compareGaps(comTime, recorded, replayed);
    }
}

}  // namespace
