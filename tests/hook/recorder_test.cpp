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

// Recorded lines by a short name, "Wn" for a WAIT line.
std::string expand(const std::string& word) {
    static const std::map<std::string, std::string> kLines = {
        {"click", "\tMMOVE 5,5\r\n\tMCLK L\r\n"},
        {"down", "\tMMOVE 5,5\r\n\tMDOWN L\r\n"},
        {"up", "\tMMOVE 9,9\r\n\tMUP L\r\n"},
        {"key", "\tKEY A\r\n"},
        {"tab", "\tMTAB 1\r\n"},
        {"alt", "\tKEY ALT\r\n"}};
    if (word[0] == 'W') return "\tWAIT " + word.substr(1) + "\r\n";
    const auto it = kLines.find(word);
    return it == kLines.end() ? "?" + word : it->second;
}

// Feeds "+T" (a press at server time T), "-T" (a release) and line names in order.
std::string timedText(const orv::recorder::WaitRule& rule, const std::string& events) {
    orv::recorder::TimedRecord record(rule);
    std::istringstream in(events);
    for (std::string w; in >> w;) {
        if (w[0] == '+' || w[0] == '-')
            record.input(w[0] == '+',
                         static_cast<std::uint32_t>(std::stoul(w.substr(1), nullptr, 0)));
        else
            record.line(expand(w));
    }
    return record.text();
}

std::string lines(const std::string& names) {
    std::istringstream in(names);
    std::string text;
    for (std::string w; in >> w;) text += expand(w);
    return text;
}

// WAIT = pause - (2 + k) * interval, rounded to 10 ms, where k is 1 for an action that begins
// with MMOVE and 0 for KEY and MTAB; written when the pause and the WAIT are both at least the
// shortest pause. The first action gets none; a drag, a chord and Alt+Tab are one action; an
// action that writes nothing is left out; switched off, the lines are as written.
TEST(RecordTiming, PausesBecomeWaitLinesThatTheLinesOwnIntervalsComplete) {
    using orv::recorder::WaitRule;
    const WaitRule off{false, 200, 0}, at0{true, 200, 0}, at100{true, 200, 100};
    const struct {
        const char* what;
        WaitRule rule;
        const char* events;
        const char* expected;
    } cases[] = {
        {"off: unchanged", off, "+0 -10 click +1000 -1010 key", "click key"},
        {"the first action gets none", at0, "-5 +700 -710 key +1200 -1210 key", "key W490 key"},
        {"shortest pause", at0, "+0 -0 key +199 -199 key +399 -399 key", "key key W200 key"},
        {"rounded to 10 ms", at0, "+0 -0 key +1234 -1234 key +2469 -2469 key",
         "key W1230 key W1240 key"},
        {"interval: 2 lines before a key, 3 before a click", at100,
         "+0 -0 key +1000 -1000 key +2000 -2000 click", "key W800 key W700 click"},
        {"no WAIT below the shortest after the interval", at100,
         "+0 -0 key +394 -394 key +794 -794 click", "key key click"},
        {"a chord ends with its last release", at0, "+0 +50 -80 key -400 +1400 -1410 key",
         "key W1000 key"},
        {"a drag is one action", at100, "+0 down -900 up +2000 -2010 click", "down up W800 click"},
        {"Alt+Tab is one action", at0, "+0 +10 -20 tab -30 alt +1000 -1010 key",
         "tab alt W970 key"},
        {"an action without lines is left out", at0, "+0 -10 click +500 -510 +1500 -1510 key",
         "click W1490 key"},
        {"server time wraps", at0, "+0xFFFFFF00 -0xFFFFFF10 key +0x100 -0x110 key", "key W500 key"},
    };
    for (const auto& c : cases) EXPECT_EQ(timedText(c.rule, c.events), lines(c.expected)) << c.what;
}

}  // namespace
