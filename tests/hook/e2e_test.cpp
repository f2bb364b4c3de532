// End-to-end tests of the input monitor under a private Xvfb (+ openbox), with xdotool and
// XTest as the input sources: `orvane-cli record`, Esc while a macro runs, point picking,
// and a server that goes away. Skipped when Xvfb (or openbox, or xdotool) is not installed.
#include <gtest/gtest.h>
#include <signal.h>

// X11 after GoogleTest: its macros (None, Bool) would break gtest's templates.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "hook/orvhook.h"
#include "recorder/recorder.h"
#include "tests/x11/harness.h"

namespace {

using orv::x11test::Session;
using orv::x11test::Target;

bool haveXdotool() {
    return std::system("command -v xdotool >/dev/null 2>&1") == 0;
}

// Starts a session or tells why the test must be skipped.
bool startSession(Session& s, bool withWm, std::string& why) {
    if (!haveXdotool()) {
        why = "xdotool is not installed";
        return false;
    }
    if (!Session::available(why, withWm)) return false;
    return s.start(why, withWm);
}

#define START_SESSION(s, withWm)                                       \
    do {                                                               \
        std::string why_;                                              \
        if (!Session::available(why_, withWm) || !haveXdotool())       \
            GTEST_SKIP() << (why_.empty() ? "xdotool missing" : why_); \
        ASSERT_TRUE(startSession(s, withWm, why_)) << why_;            \
    } while (0)

// Collects what the library delivers, in order.
struct Capture {
    std::mutex lock;
    std::condition_variable cv;
    std::vector<std::string> items;  // "text ..." or "msg WINDOW MESSAGE WPARAM LPARAM"
    bool stopped = false;

    static void deliver(void* ctx, const OrvHookDelivery* d) {
        auto& c = *static_cast<Capture*>(ctx);
        std::lock_guard<std::mutex> lock(c.lock);
        switch (d->kind) {
            case ORV_DELIVER_TEXT:
                c.items.push_back(std::string("text ") + d->text);
                break;
            case ORV_DELIVER_MESSAGE:
                c.items.push_back("msg " + std::to_string(d->window) + " " +
                                  std::to_string(d->message) + " " + std::to_string(d->wparam) +
                                  " " + std::to_string(d->lparam));
                break;
            case ORV_DELIVER_MSGBOX:
                c.items.push_back(std::string("box ") + d->text);
                break;
            case ORV_DELIVER_STOPPED:
                c.stopped = true;
                c.cv.notify_all();
                break;
            default:
                break;
        }
    }
    bool waitStopped() {
        std::unique_lock<std::mutex> l(lock);
        return cv.wait_for(l, std::chrono::seconds(10), [&] { return stopped; });
    }
    std::vector<std::string> take() {
        std::lock_guard<std::mutex> l(lock);
        stopped = false;
        return std::move(items);
    }
};

// The library in this process, pointed at the session's display.
class LibraryOnDisplay {
  public:
    explicit LibraryOnDisplay(const Session& s) {
        setenv("DISPLAY", s.display().c_str(), 1);
        SetMainHwnd(1, 2);
        Recflgset(0);
        KSetExe(0, 0);
        OrvHookSetDelivery(Capture::deliver, &capture);
    }
    ~LibraryOnDisplay() {
        KSetExe(0, 0);
        OrvHookSetDelivery(nullptr, nullptr);
        unsetenv("DISPLAY");
    }
    Capture capture;
};

std::string msg(int window, int message, int wparam, int x, int y) {
    return "msg " + std::to_string(window) + " " + std::to_string(message) + " " +
           std::to_string(wparam) + " " + std::to_string((y << 16) | x);
}

TEST(HookE2E, RecordCapturesClicksDragsDoubleClicksChordsAndTab) {
    Session s;
    START_SESSION(s, true);
    Target target, stopWindow;
    ASSERT_TRUE(s.startTarget("記録テスト", 100, 100, 400, 300, target)) << s.explain(target);
    ASSERT_TRUE(s.startTarget("マクロ記録停止", 1000, 900, 120, 40, stopWindow))
        << s.explain(stopWindow);
    ASSERT_GT(target.frameTop, 4) << "openbox draws a title bar";

    const std::string file = s.dir() + "/rec.ovm";
    const std::string err = s.dir() + "/record.err";
    const pid_t rec = s.spawn({ORV_CLI, "record", file}, "", err);
    ASSERT_GT(rec, 0);
    ASSERT_TRUE(orv::x11test::waitUntil(
        [&] { return orv::x11test::readFile(err).find("recording") != std::string::npos; }, 10000))
        << orv::x11test::readFile(err);

    const std::string titleBar =
        std::to_string(250) + " " + std::to_string(100 - target.frameTop / 2);
    const char* const steps[] = {
        "xdotool mousemove --sync 150 150 click 1",
        "xdotool mousemove --sync 200 200 mousedown 1 mousemove --sync 260 240 mouseup 1",
        "xdotool mousemove --sync 300 180 click --repeat 2 --delay 100 1",
        "xdotool mousemove --sync 320 300 click 3",
        "xdotool click 2",
        "xdotool key ctrl+c",
        "xdotool key shift+a",
        "xdotool key Tab",
        "xdotool keydown alt key Tab keyup alt",
        nullptr,  // the title bar
        "xdotool mousemove --sync 1200 50 click 1",
        "xdotool mousemove --sync 1050 920 click 1",
        "xdotool click 3",
    };
    for (const char* step : steps) {
        const std::string cmd =
            step ? std::string(step) : "xdotool mousemove --sync " + titleBar + " click 1";
        ASSERT_EQ(s.run(cmd + " && sleep 0.05"), 0) << cmd;
    }
    ASSERT_EQ(::kill(rec, SIGINT), 0);
    EXPECT_EQ(Session::wait(rec, 15000), 0) << orv::x11test::readFile(err);

    EXPECT_EQ(orv::x11test::readFile(file),
              "START\r\n"
              "\tMMOVE 150,150\r\n\tMCLK L\r\n"
              "\tMMOVE 200,200\r\n\tMDOWN L\r\n\tMMOVE 260,240\r\n\tMUP L\r\n"
              "\tMMOVE 300,180\r\n\tMCLK L\r\n\tMMOVE 300,180\r\n\tMDCLK L\r\n"
              "\tMMOVE 300,180\r\n\tMCLK L\r\n"
              "\tMMOVE 320,300\r\n\tMCLK R\r\n"
              "\tMMOVE 320,300\r\n\tMCLK C\r\n"
              "\tKEY CTRL,C\r\n"
              "\tKEY SFT,A\r\n"
              "\tMTAB 1\r\n"
              "\tMTAB 1\r\n\tKEY ALT\r\n"
              "\tMMOVE 1200,50\r\n\tMCLK L\r\n"
              "\tMMOVE 1050,920\r\n\tMCLK R\r\n"
              "END\r\n");

    // The clicks really reached the target (the independent observer).
    const auto log = Session::logLines(target);
    const auto has = [&](const std::string& line) {
        for (const auto& l : log)
            if (l == line) return true;
        return false;
    };
    EXPECT_TRUE(has("ButtonPress 1 150 150"));
    EXPECT_TRUE(has("ButtonRelease 1 260 240"));
    EXPECT_TRUE(has("ButtonPress 3 320 300"));
}

// Key and button lines of a target's log from line `from` on.
std::vector<std::string> inputLines(const Target& t, std::size_t from) {
    std::vector<std::string> out;
    const auto lines = Session::logLines(t);
    for (std::size_t i = from; i < lines.size(); ++i)
        if (lines[i].rfind("Key", 0) == 0 || lines[i].rfind("Button", 0) == 0)
            out.push_back(lines[i]);
    return out;
}

// Recorded, then replayed by `orvane-cli run --desktop x11`: the target sees the same key and
// button events both times. Skipped when the run command has no X11 desktop in this build.
// (Tab is left out: MTAB replays a key press without its release, by definition.)
TEST(HookE2E, RecordedMacroReplaysTheSameEvents) {
    Session s;
    START_SESSION(s, true);
    if (s.run("'" ORV_CLI "' run --desktop x11 /dev/null 2>&1 | grep -q 'not available'") == 0)
        GTEST_SKIP() << "orvane-cli run has no X11 desktop in this build";
    Target target;
    ASSERT_TRUE(s.startTarget("往復テスト", 100, 100, 400, 300, target)) << s.explain(target);
    const std::string file = s.dir() + "/roundtrip.ovm";
    const std::string err = s.dir() + "/record.err";
    const pid_t rec = s.spawn({ORV_CLI, "record", file}, "", err);
    ASSERT_TRUE(orv::x11test::waitUntil(
        [&] { return orv::x11test::readFile(err).find("recording") != std::string::npos; }, 10000));
    const std::size_t before = Session::logLines(target).size();
    for (const char* step : {
             "xdotool mousemove --sync 150 150 click 1",
             "xdotool mousemove --sync 200 200 mousedown 1 mousemove --sync 260 240 mouseup 1",
             "xdotool mousemove --sync 320 300 click 3",
             // xdotool releases a chord's keys in the order it pressed them, as KEY does.
             "xdotool key ctrl+c",
             "xdotool key shift+a",
         })
        ASSERT_EQ(s.run(std::string(step) + " && sleep 0.1"), 0) << step;
    ASSERT_EQ(::kill(rec, SIGINT), 0);
    ASSERT_EQ(Session::wait(rec, 15000), 0);
    const auto original = inputLines(target, before);
    ASSERT_EQ(original.size(), 14u) << orv::x11test::readFile(target.log);

    const std::size_t mark = Session::logLines(target).size();
    ASSERT_EQ(s.run("'" ORV_CLI "' run --desktop x11 --interval 100 '" + file + "' >" + s.dir() +
                    "/run.out 2>&1"),
              0)
        << orv::x11test::readFile(file) << orv::x11test::readFile(s.dir() + "/run.out");
    ASSERT_TRUE(orv::x11test::waitUntil(
        [&] { return inputLines(target, mark).size() >= original.size(); }, 5000))
        << orv::x11test::readFile(file) << orv::x11test::readFile(target.log)
        << orv::x11test::readFile(s.dir() + "/run.out");
    EXPECT_EQ(inputLines(target, mark), original) << orv::x11test::readFile(file);
}

TEST(HookE2E, EscFromAnotherProgramStopsTheRun) {
    Session s;
    START_SESSION(s, false);
    LibraryOnDisplay lib(s);
    KSetExe(1, 5);
    ASSERT_EQ(ChkKHook(), 0);
    ASSERT_EQ(KsetHook(), 0);
    EXPECT_EQ(ChkKHook(), 1);
    ASSERT_EQ(s.run("xdotool key Escape"), 0);
    ASSERT_EQ(s.run("xdotool key ctrl+c"), 0);  // recorded never while running
    ASSERT_EQ(KendHook(), 0);
    ASSERT_TRUE(lib.capture.waitStopped());
    const auto got = lib.capture.take();
    ASSERT_EQ(got.size(), 1u);
    // Sent once, on the release, with the release's key flags.
    EXPECT_EQ(got[0], "msg 5 1039 27 " +
                          std::to_string(static_cast<int32_t>(ORV_KF_RELEASE | ORV_KF_PHYSICAL)));
}

TEST(HookE2E, TheMacrosOwnEscDoesNotStopTheRun) {
    Session s;
    START_SESSION(s, false);
    LibraryOnDisplay lib(s);
    Display* d = XOpenDisplay(s.display().c_str());
    ASSERT_NE(d, nullptr);
    const KeyCode esc = XKeysymToKeycode(d, XK_Escape);
    KSetExe(1, 5);
    ASSERT_EQ(KsetHook(), 0);
    // The executor's path: note the event, then inject it.
    OrvHookNoteInjectedKey(27, 1);
    XTestFakeKeyEvent(d, esc, True, 0);
    OrvHookNoteInjectedKey(27, 0);
    XTestFakeKeyEvent(d, esc, False, 0);
    XSync(d, False);
    // The same injection without a note counts as someone else's Esc.
    XTestFakeKeyEvent(d, esc, True, 0);
    XTestFakeKeyEvent(d, esc, False, 0);
    XSync(d, False);
    XCloseDisplay(d);
    ASSERT_EQ(KendHook(), 0);
    ASSERT_TRUE(lib.capture.waitStopped());
    const auto got = lib.capture.take();
    ASSERT_EQ(got.size(), 1u) << "only the Esc that was not noted stops the run";
    EXPECT_EQ(got[0].rfind("msg 5 1039 27 ", 0), 0u);
}

// The whole path through orvane-cli run on the real desktop: Esc from xdotool stops a long
// run (exit 4, like the stop button); the macro's own KEY ESC does not.
TEST(HookE2E, EscStopsAnOrvaneCliRunButKeyEscDoesNot) {
    Session s;
    START_SESSION(s, true);
    if (s.run("'" ORV_CLI "' run --desktop x11 /dev/null 2>&1 | grep -q 'not available'") == 0)
        GTEST_SKIP() << "orvane-cli has no X11 desktop";
    const std::string own = s.dir() + "/own.ovm", longRun = s.dir() + "/long.ovm";
    ASSERT_EQ(s.run("printf 'START\\r\\nKEY ESC\\r\\nWAIT 300\\r\\nKEY ESC\\r\\nEND\\r\\n' >'" +
                    own + "'"),
              0);
    ASSERT_EQ(s.run("printf 'START\\r\\nWAIT 100000\\r\\nEND\\r\\n' >'" + longRun + "'"), 0);
    const std::string cli = std::string("cd '") + s.dir() + "' && exec '" ORV_CLI "'";
    pid_t p = s.spawn({"sh", "-c", cli + " run --desktop x11 --interval 0 own.ovm"});
    EXPECT_EQ(Session::wait(p, 15000), 0) << "the macro's own Esc must not stop it";

    p = s.spawn({"sh", "-c", cli + " run --desktop x11 --interval 0 long.ovm"});
    s.run("sleep 1; xdotool key Escape");
    EXPECT_EQ(Session::wait(p, 10000), 4);
}

TEST(HookE2E, PointPickingReportsPressesWithTheirPoint) {
    Session s;
    START_SESSION(s, false);
    LibraryOnDisplay lib(s);
    ASSERT_EQ(MsetHook2(4), 0);
    EXPECT_EQ(ChkMHook2(), 1);
    EXPECT_EQ(ChkMHook(), 0);
    ASSERT_EQ(s.run("xdotool mousemove --sync 150 160 click 1"), 0);
    ASSERT_EQ(s.run("xdotool mousemove --sync 400 300 click --repeat 2 --delay 80 3"), 0);
    ASSERT_EQ(s.run("xdotool mousemove --sync 20 30 click 2"), 0);
    ASSERT_EQ(MendHook2(), 0);
    EXPECT_EQ(ChkMHook2(), 0);
    ASSERT_TRUE(lib.capture.waitStopped());
    EXPECT_EQ(lib.capture.take(),
              (std::vector<std::string>{msg(1, 1033, 4, 150, 160), msg(1, 1035, 4, 400, 300),
                                        msg(1, 1036, 4, 400, 300), msg(1, 1037, 4, 20, 30)}));
}

TEST(HookE2E, HooksShareOneMonitorAndRemovingOneKeepsTheOthers) {
    Session s;
    START_SESSION(s, false);
    LibraryOnDisplay lib(s);
    Recflgset(1);
    ASSERT_EQ(MsetHook(), 0);
    ASSERT_EQ(KsetHook(), 0);
    ASSERT_EQ(s.run("xdotool mousemove --sync 10 20 click 1 key a"), 0);
    ASSERT_EQ(MendHook(), 0);  // the keyboard hook still records
    EXPECT_EQ(OrvHookWaitStopped(0), 0) << "a hook is still installed";
    ASSERT_EQ(s.run("xdotool mousemove --sync 30 40 click 1 key b"), 0);
    ASSERT_EQ(KendHook(), 0);
    ASSERT_TRUE(lib.capture.waitStopped());
    EXPECT_EQ(lib.capture.take(),
              (std::vector<std::string>{"text \tMMOVE 10,20\r\n", "text \tMCLK L\r\n",
                                        "text \tKEY A\r\n", "text \tKEY B\r\n"}));
    // Installed again on the same display: a new monitor.
    ASSERT_EQ(KsetHook(), 0);
    ASSERT_EQ(s.run("xdotool key Tab"), 0);
    ASSERT_EQ(KendHook(), 0);
    ASSERT_TRUE(lib.capture.waitStopped());
    EXPECT_EQ(lib.capture.take(), (std::vector<std::string>{"text \tMTAB 1\r\n"}));
    // With every hook gone the monitor ends.
    EXPECT_EQ(OrvHookWaitStopped(5000), 1);
    Recflgset(0);
}

TEST(HookE2E, TheServerGoingAwayEndsTheMonitorWithoutEndingTheProcess) {
    Session s;
    START_SESSION(s, false);
    LibraryOnDisplay lib(s);
    ASSERT_EQ(MsetHook(), 0);
    ASSERT_EQ(KsetHook(), 0);
    s.killServer();
    ASSERT_TRUE(lib.capture.waitStopped());
    EXPECT_EQ(MendHook(), 0);
    EXPECT_EQ(KendHook(), 0);
    lib.capture.take();
    EXPECT_EQ(MsetHook(), -1);
    const auto got = lib.capture.take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].rfind("box Mouse SetWindowsHookEx", 0), 0u);
}

// A user-interface thread's queue: other threads post a call and wait until this thread,
// serving its queue, has run it (a blocking queued call).
class UiQueue {
  public:
    void runAndWait(std::function<void()> fn) {
        std::unique_lock<std::mutex> l(lock_);
        const unsigned long ticket = posted_++;
        calls_.push_back(std::move(fn));
        cv_.notify_all();
        cv_.wait(l, [&] { return done_ > ticket; });
    }
    // Runs the posted calls until `enough` holds (false after 10 s without it).
    bool serveUntil(const std::function<bool()>& enough) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::unique_lock<std::mutex> l(lock_);
        while (!enough()) {
            if (!cv_.wait_until(l, end, [&] { return !calls_.empty(); })) return false;
            std::function<void()> fn = std::move(calls_.front());
            calls_.pop_front();
            l.unlock();
            fn();
            l.lock();
            ++done_;
            cv_.notify_all();
        }
        return true;
    }

  private:
    std::mutex lock_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> calls_;
    unsigned long posted_ = 0, done_ = 0;
};

// The program's handler hands every delivery to its user-interface thread and waits for it,
// while that very thread stops the recording: the session still sees the monitor's end and
// has the whole text, and the handler gets the same text afterwards, in order.
TEST(HookE2E, ARecordingStopsWhileTheHandlerWaitsForTheStoppingThread) {
    Session s;
    START_SESSION(s, false);
    setenv("DISPLAY", s.display().c_str(), 1);
    UiQueue ui;
    std::string shown;  // the record buffer the user-interface thread fills
    bool stopped = false;
    {
        orv::recorder::HookLink link([&](const orv::recorder::Delivery& d) {
            ui.runAndWait([&] {
                if (d.kind == ORV_DELIVER_TEXT) shown += d.text;
                if (d.kind == ORV_DELIVER_STOPPED) stopped = true;
            });
        });
        orv::recorder::RecordingSession recording;
        ASSERT_TRUE(recording.start());
        ASSERT_EQ(s.run("xdotool mousemove --sync 10 20 click 1 key a"), 0);
        const std::string text = recording.stop();  // the queue is not served meanwhile
        EXPECT_EQ(text, "\tMMOVE 10,20\r\n\tMCLK L\r\n\tKEY A\r\n");
        EXPECT_TRUE(ui.serveUntil([&] { return stopped; }));
        EXPECT_EQ(shown, text);
    }
    unsetenv("DISPLAY");
}

}  // namespace
