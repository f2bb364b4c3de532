// Recordings that keep their timing, through the program on Xvfb: with RECWAIT on, F1, a click,
// a key, a click and a key on a target with pauses of 0.3 s, 1 s and 2.5 s (xdotool), the stop
// button and F4 give the target the recorded pauses again within 50 ms or 10 %, at COMTIME 0
// and 100. The figures are printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/app_x11/app_session.h"

using namespace orv::x11test;

namespace {

using Events = std::vector<std::pair<std::string, long>>;

// The target's key and button lines in [from, to) with the server times of their "time" lines.
// The release of F4 is left out: the replay's first click may focus the target before it.
Events events(const Target& t, std::size_t from, std::size_t to = SIZE_MAX) {
    Events out;
    const auto l = Session::logLines(t);
    for (std::size_t i = from; i + 1 < l.size() && i < to; ++i)
        if ((l[i].rfind("Key", 0) == 0 || l[i].rfind("Button", 0) == 0) &&
            l[i] != "KeyRelease F4" && l[i + 1].rfind("time ", 0) == 0)
            out.emplace_back(l[i], std::atol(l[i + 1].c_str() + 5));
    return out;
}

TEST_F(OrvaneOnX11, RecordedPausesComeBackOnReplayAtComtime0And100) {
    Target t;
    ASSERT_TRUE(
        s.startTarget("timing-target", 700, 300, 300, 240, t, Gravity::Static, ClickFocus::Yes))
        << s.explain(t);
    const auto at = [&](int dx, int dy) {
        return std::to_string(t.x + dx) + " " + std::to_string(t.y + dy);
    };
    for (int comTime : {0, 100}) {
        // Started as startOrvane starts it, on settings of its own (startOrvane's COMTIME comes
        // first, and the first key of a name counts). The shortest pause is 50 ms: at COMTIME
        // 100 the lines spend 200 ms of the 0.3 s before a key themselves.
        const fs::path dir = fs::path(s.dir()) / ("timing" + std::to_string(comTime));
        fs::create_directories(dir);
        writeBytes(dir / "Orvane.ini",
                   "[SYSTEM]\r\nDMEX1ST=1\r\nSRCENDM=0\r\nRECWAIT=1\r\n"
                   "RECWMIN=50\r\nCOMTIME=" +
                       std::to_string(comTime) + "\r\n" + kFramePlace);
        const pid_t app = s.spawn(
            {"sh", "-c",
             "cd '" + dir.string() + "' && chmod 700 . && exec env LC_ALL=C XDG_RUNTIME_DIR='" +
                 dir.string() + "' '" ORV_APP "'"},
            "", (dir / "err.txt").string());
        ASSERT_TRUE(waitWindow(s, "^Orvane$", true, 10000)) << readFile((dir / "err.txt").string());
        s.run("sleep 1");
        focusWindow(s, "^Orvane$");
        s.run("xdotool key F1");
        ASSERT_TRUE(waitWindow(s, "マクロ記録停止"));
        s.run("sleep 0.5");
        const std::size_t start = t.lines().size();
        s.run("xdotool mousemove --sync " + at(60, 50) + " click --delay 0 1 sleep 0.3 key a " +
              "sleep 1 mousemove " + at(150, 120) + " click --delay 0 1 sleep 2.5 key b sleep 0.3");
        const std::size_t end = t.lines().size();
        s.run(onWindow("マクロ記録停止", "xdotool mousemove --window {} 20 8 click 1"));
        ASSERT_TRUE(waitWindow(s, "マクロ記録停止", false, 8000));
        s.run("sleep 0.5; xdotool key F4");
        const Events was = events(t, start, end);
        ASSERT_EQ(was.size(), 8u) << readFile(t.log);
        EXPECT_TRUE(waitUntil([&] { return events(t, end).size() >= was.size(); }, 20000));
        const Events now = events(t, end);
        ASSERT_EQ(now.size(), was.size()) << readFile(t.log);
        for (std::size_t i = 1; i < was.size(); ++i) {
            const long rec = was[i].second - was[i - 1].second;
            const long rep = now[i].second - now[i - 1].second;
            std::printf("COMTIME %3d: %-24s -> %-24s recorded %5ld ms, replayed %5ld ms\n", comTime,
                        was[i - 1].first.c_str(), was[i].first.c_str(), rec, rep);
            EXPECT_EQ(now[i].first, was[i].first);
            EXPECT_LE(std::labs(rep - rec), std::max(50L, rec / 10)) << was[i].first;
        }
        Session::stop(app);
    }
}

}  // namespace
