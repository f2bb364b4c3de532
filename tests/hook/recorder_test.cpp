// The programs' side of the hook library without a display: the link hands deliveries to
// the program in order on its own thread (message boxes at once), the Esc watch calls its
// callback and cleans up, a recording that cannot start says so, and nothing reaches a
// link or a watch that has ended. The procedures are fed directly, as the monitor would.
// The text of a recording that keeps its pauses, from key and button events with their
// server times and the lines written for them.
#include "recorder/recorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "hook/orvhook.h"
#include "lang/text.h"

namespace {

using orv::recorder::Delivery;
using orv::recorder::EscWatch;
using orv::recorder::HookLink;
using orv::recorder::RecordingSession;

constexpr std::uint32_t kEscReleased = ORV_KF_RELEASE | ORV_KF_PHYSICAL;

// What the program's handler saw, and on which thread. Handlers hold it by a shared pointer:
// a call in progress may finish after the link has ended (and the test with it).
struct Seen {
    std::mutex lock;
    std::condition_variable cv;
    std::vector<std::string> items;
    std::vector<std::thread::id> threads;

    void add(const Delivery& d) {
        std::lock_guard<std::mutex> l(lock);
        items.push_back(std::to_string(d.kind) + " " + std::to_string(d.window) + " " +
                        std::to_string(d.message) + " " + d.text);
        threads.push_back(std::this_thread::get_id());
        cv.notify_all();
    }
    bool waitFor(std::size_t n) {
        std::unique_lock<std::mutex> l(lock);
        return cv.wait_for(l, std::chrono::seconds(10), [&] { return items.size() >= n; });
    }
};

// Types a key as the keyboard procedure receives it from the monitor.
void tap(int vk, std::uint32_t flags = 0) {
    CallKeyboardHookProc(0, vk, flags);
    CallKeyboardHookProc(0, vk, flags | ORV_KF_RELEASE);
}

class Recorder : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* d = std::getenv("DISPLAY");
        display_ = d ? d : "";
        unsetenv("DISPLAY");  // every install fails with its message box
        KSetExe(0, 0);
        Recflgset(0);
    }
    void TearDown() override {
        if (!display_.empty()) setenv("DISPLAY", display_.c_str(), 1);
    }
    std::string display_;
};

TEST_F(Recorder, TheLinkDeliversInOrderOnItsOwnThreadAndMessageBoxesAtOnce) {
    auto shared = std::make_shared<Seen>();
    Seen& seen = *shared;
    HookLink link([shared](const Delivery& d) { shared->add(d); });
    Recflgset(1);
    tap(65);
    tap(9);
    OrvMouseRecord at{7, 8, 0};
    CallMouseHookProc2(0, ORV_WM_LBUTTONDOWN, &at);
    ASSERT_TRUE(seen.waitFor(3));
    EXPECT_EQ(MsetHook(), -1);  // no display
    ASSERT_TRUE(seen.waitFor(4));
    Recflgset(0);
    std::lock_guard<std::mutex> l(seen.lock);
    EXPECT_EQ(seen.items,
              (std::vector<std::string>{"1 2100 0 \tKEY A\r\n", "1 2100 0 \tMTAB 1\r\n",
                                        "2 1 " + std::to_string(ORV_UM_PICK_LDOWN) + " ",
                                        "3 1 0 " + orv::sj("Mouse SetWindowsHookEx失敗です")}));
    for (int i = 0; i < 3; ++i) EXPECT_NE(seen.threads[i], std::this_thread::get_id()) << i;
    EXPECT_EQ(seen.threads[3], std::this_thread::get_id()) << "the message box at once";
}

TEST_F(Recorder, AHandlerThatWaitsNeverHoldsUpTheLibrary) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto shared = std::make_shared<Seen>();
    Seen& seen = *shared;
    HookLink link([shared, released](const Delivery& d) {
        released.wait();  // as a handler waiting for a busy user-interface thread
        shared->add(d);
    });
    Recflgset(1);
    for (int vk = 65; vk < 75; ++vk) tap(vk);  // returns although the handler waits
    release.set_value();
    ASSERT_TRUE(seen.waitFor(10));
    std::lock_guard<std::mutex> l(seen.lock);
    EXPECT_EQ(seen.items.front(), "1 2100 0 \tKEY A\r\n");
    EXPECT_EQ(seen.items.back(), "1 2100 0 \tKEY J\r\n");
    Recflgset(0);
}

TEST_F(Recorder, TheEscWatchStopsOnEscFromOutsideAndCleansUp) {
    auto shared = std::make_shared<Seen>();
    Seen& seen = *shared;
    HookLink link([shared](const Delivery& d) { shared->add(d); });
    int stops = 0;
    {
        EscWatch esc([&] { ++stops; });
        ASSERT_TRUE(seen.waitFor(1));  // the keyboard hook could not be installed
        tap(27);                       // the program's own Esc
        EXPECT_EQ(stops, 0);
        tap(27, ORV_KF_PHYSICAL);
        EXPECT_EQ(stops, 1);
        ASSERT_TRUE(seen.waitFor(2));
    }
    CallKeyboardHookProc(0, 27, kEscReleased);
    EXPECT_EQ(stops, 1) << "the run flag is cleared with the watch";
    KSetExe(1, orv::recorder::kRunDialogWindow);  // a late abort finds no watch
    CallKeyboardHookProc(0, 27, kEscReleased);
    KSetExe(0, 0);
    EXPECT_EQ(stops, 1);
    std::lock_guard<std::mutex> l(seen.lock);
    EXPECT_EQ(seen.items[0], "3 1 0 " + orv::sj("Keybaord SetWindowsHookEx失敗です"));
    EXPECT_EQ(seen.items[1], "2 117 " + std::to_string(ORV_UM_RUNABORT) + " ");
}

TEST_F(Recorder, ARecordingThatCannotStartSaysSoAndClearsTheFlag) {
    auto shared = std::make_shared<Seen>();
    Seen& seen = *shared;
    HookLink link([shared](const Delivery& d) { shared->add(d); });
    RecordingSession recording;
    EXPECT_FALSE(recording.start());
    ASSERT_TRUE(seen.waitFor(2));  // both install failures
    tap(112);                      // F1 is recorded only with the recording flag set
    OrvMouseRecord at{1, 2, 0};
    CallMouseHookProc2(0, ORV_WM_RBUTTONDOWN, &at);
    ASSERT_TRUE(seen.waitFor(3));
    {
        std::lock_guard<std::mutex> l(seen.lock);
        EXPECT_EQ(seen.items[2], "2 1 " + std::to_string(ORV_UM_PICK_RDOWN) + " ");
    }
    // Nothing runs, so there is nothing to wait for (an hour would end the test by timeout).
    EXPECT_EQ(recording.stop(std::chrono::hours(1)), "");
}

TEST_F(Recorder, NothingReachesALinkThatHasEnded) {
    auto shared = std::make_shared<Seen>();
    Seen& seen = *shared;
    {
        HookLink link([shared](const Delivery& d) { shared->add(d); });
    }
    Recflgset(1);
    SetMainHwnd(orv::recorder::kFrameWindow, orv::recorder::kRecordBufferWindow);
    tap(65);
    Recflgset(0);
    std::lock_guard<std::mutex> l(seen.lock);
    EXPECT_TRUE(seen.items.empty());
}

// Feeds "+T" (a press at server time T), "-T" (a release) and lines by their letter: C a click
// (MMOVE, MCLK), D and U a drag's start and end (MMOVE, MDOWN; MMOVE, MUP), K KEY A, A KEY ALT,
// T MTAB 1, Wn WAIT n. With the rule off it writes an expected text.
std::string timed(const orv::recorder::WaitRule& rule, const std::string& events) {
    static const std::map<char, std::string> kLines = {{'C', "\tMMOVE 5,5\r\n\tMCLK L\r\n"},
                                                       {'D', "\tMMOVE 5,5\r\n\tMDOWN L\r\n"},
                                                       {'U', "\tMMOVE 9,9\r\n\tMUP L\r\n"},
                                                       {'K', "\tKEY A\r\n"},
                                                       {'A', "\tKEY ALT\r\n"},
                                                       {'T', "\tMTAB 1\r\n"}};
    orv::recorder::TimedRecord record(rule);
    std::istringstream in(events);
    for (std::string w; in >> w;) {
        if (w[0] == '+' || w[0] == '-')
            record.input(w[0] == '+',
                         static_cast<std::uint32_t>(std::stoul(w.substr(1), nullptr, 0)));
        else
            record.line(w[0] == 'W' ? "\tWAIT " + w.substr(1) + "\r\n" : kLines.at(w[0]));
    }
    return record.text();
}

// WAIT = pause - (2 + k) * interval, rounded to 10 ms, where k is 1 for an action that begins
// with MMOVE and 0 for KEY and MTAB; written when the pause and the WAIT both reach the shortest
// pause. The first action gets none; a drag, a chord and Alt+Tab are one action; an action that
// writes nothing is left out; switched off, the lines are as written.
TEST(RecordTiming, PausesBecomeWaitLinesThatTheLinesOwnIntervalsComplete) {
    using orv::recorder::WaitRule;
    const WaitRule off{false, 200, 0}, at0{true, 200, 0}, at100{true, 200, 100};
    const struct {
        WaitRule rule;
        const char* events;
        const char* expected;
    } cases[] = {
        {off, "+0 -10 C +1000 -1010 K", "C K"},
        {at0, "-5 +700 -710 K +1200 -1210 K", "K W490 K"},
        {at0, "+0 -0 K +199 -199 K +399 -399 K", "K K W200 K"},
        {at0, "+0 -0 K +1234 -1234 K +2469 -2469 K", "K W1230 K W1240 K"},
        {at100, "+0 -0 K +1000 -1000 K +2000 -2000 C", "K W800 K W700 C"},
        {at100, "+0 -0 K +394 -394 K +794 -794 C", "K K C"},
        {at0, "+0 +50 -80 K -400 +1400 -1410 K", "K W1000 K"},
        {at100, "+0 D -900 U +2000 -2010 C", "D U W800 C"},
        {at0, "+0 +10 -20 T -30 A +1000 -1010 K", "T A W970 K"},
        {at0, "+0 -10 C +500 -510 +1500 -1510 K", "C W1490 K"},
        {at0, "+0xFFFFFF00 -0xFFFFFF10 K +0x100 -0x110 K", "K W500 K"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(timed(c.rule, c.events), timed(off, c.expected)) << c.events;
}

}  // namespace
