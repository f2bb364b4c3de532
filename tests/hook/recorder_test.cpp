// The programs' side of the hook library without a display: the link hands deliveries to
// the program in order on its own thread (message boxes at once), the Esc watch calls its
// callback and cleans up, a recording that cannot start says so, and nothing reaches a
// link or a watch that has ended. The procedures are fed directly, as the monitor would.
#include "recorder/recorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
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

}  // namespace
