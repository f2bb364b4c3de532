// A private X display for the end-to-end tests and the benchmarks: Xvfb on a free display
// number (RECORD and XTEST enabled, never reset), optionally openbox with a minimal
// configuration (no key or mouse bindings), and test-target windows of our own
// (orv_x11_target, tests/x11/target.cpp) that log what they receive.
//
//   orv::x11test::Session s;
//   std::string why;
//   if (!s.start(why)) GTEST_SKIP() << why;        // Xvfb or openbox not installed
//   orv::x11test::Target t;
//   ASSERT_TRUE(s.startTarget("テスト", 100, 100, 400, 300, t)) << s.explain(t);
//   s.run("xdotool mousemove --sync 150 150 click 1");
//
// A target's log, one line per event, flushed at once:
//   geometry WINDOW X Y W H LEFT RIGHT TOP BOTTOM  client area in root coordinates and the
//                                                  window manager's frame extents
//   KeyPress NAME, KeyRelease NAME                 the key's keysym without modifiers, asked
//                                                  from the server for every event
//   ButtonPress N X Y, ButtonRelease N X Y         root coordinates
//   focus in, focus out
//   close                                          WM_DELETE_WINDOW; the target then ends
//
// Every program the session starts gets DISPLAY set to its display; the session's destructor
// ends them all and removes its temporary folder (kept when ORV_KEEP_TMP is set).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace orv::x11test {

// What a target is and where it stands.
struct TargetInfo {
    pid_t pid = -1;
    std::string log;                 // the target's event log
    std::string err;                 // its standard error
    bool ended = false;              // it has ended (and was reaped)
    int status = 0;                  // and this was its wait status
    std::string earlier;             // what happened to an earlier attempt to start it
    unsigned long window = 0;        // its X window
    int x = 0, y = 0, w = 0, h = 0;  // client area in root coordinates
    int frameLeft = 0, frameRight = 0, frameTop = 0, frameBottom = 0;  // window-manager frame
};

// A test-target window; it ends with this object.
struct Target : TargetInfo {
    Target() = default;
    Target(Target&& other) noexcept { *this = std::move(other); }
    Target& operator=(Target&& other) noexcept;
    ~Target() { stop(); }

    // The lines logged so far, and those that begin with `prefix`.
    std::vector<std::string> lines() const;
    std::vector<std::string> linesWith(const std::string& prefix) const;
    // Waits (bounded) until the log holds a line equal to `line`.
    bool waitLine(const std::string& line, int timeoutMs = 3000) const;
    // False once the target has ended (it is reaped here).
    bool alive();
    // Ends the target: SIGTERM, then SIGKILL after a grace period.
    void stop();
};

// Where a target's position points: its client area (static gravity, the default: clicks at
// known client points) or the corner of its frame (north-west gravity, as most programs are
// placed).
enum class Gravity { Static, NorthWest };
// Whether a click on the target gives it the keyboard focus (as a click-to-focus window
// manager would; the session's openbox has no mouse bindings).
enum class ClickFocus { No, Yes };

class Session {
  public:
    Session() = default;
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // True when Xvfb (and openbox when withWindowManager) can be found; else `why` says
    // what is missing, and the caller skips.
    static bool available(std::string& why, bool withWindowManager = true);

    // Starts Xvfb (1280x1024x24) and, when asked, openbox, and waits until openbox takes
    // windows into frames. False with the reason in `why`.
    bool start(std::string& why, bool withWindowManager = true);

    const std::string& display() const { return display_; }
    const std::string& dir() const { return dir_; }

    // Starts a test target with a UTF-8 title at the given position and client size, and
    // waits until it is mapped and, with a window manager, framed; with static gravity also
    // until its client area is at the position. A target that ends while it is being started
    // is started once more.
    bool startTarget(const std::string& title, int x, int y, int w, int h, Target& t,
                     Gravity gravity = Gravity::Static, ClickFocus focus = ClickFocus::No);
    // What went wrong with a target, for a failed assertion: whether it still runs, its log,
    // its standard error and the window manager's log.
    std::string explain(const Target& t) const;
    // Re-reads a target's geometry from its log.
    static bool refreshTarget(Target& t);
    // The lines a target logged so far.
    static std::vector<std::string> logLines(const Target& t);

    // Runs a shell command with the session's DISPLAY; returns its exit status.
    int run(const std::string& shellCommand);
    // Starts a program with the session's DISPLAY; its stdout and stderr go to the files
    // given (empty: /dev/null). Returns the pid, or -1.
    pid_t spawn(const std::vector<std::string>& argv, const std::string& outFile = "",
                const std::string& errFile = "");
    // Waits for a child; returns its exit status, -1 on timeout or signal.
    static int wait(pid_t pid, int timeoutMs);
    // Ends a child still running: SIGTERM, then SIGKILL after a grace period. A child that
    // has already been reaped is left alone.
    static void stop(pid_t pid);

    // Kills Xvfb (tests of a server that goes away).
    void killServer();

  private:
    bool makeFolder(std::string& why);
    bool startServer(std::string& why);
    bool startWindowManager(std::string& why);

    std::string display_;
    std::string dir_;
    pid_t xvfb_ = -1;
    pid_t wm_ = -1;
    std::vector<pid_t> children_;
};

// Runs argv (no shell) in `cwd` with this process's environment and a time limit; returns
// its exit status (-1 when it could not be run, was killed or took too long) and what it
// wrote to stdout and stderr.
int runProgram(const std::vector<std::string>& argv, std::string* out, std::string* err,
               int timeoutMs, const std::string& cwd);

// Polls `pred` every 20 ms until it is true or `timeoutMs` passed.
template <class Pred>
bool waitUntil(Pred pred, int timeoutMs = 3000);

bool waitUntilImpl(bool (*pred)(void*), void* ctx, int timeoutMs);

template <class Pred>
bool waitUntil(Pred pred, int timeoutMs) {
    return waitUntilImpl([](void* c) { return (*static_cast<Pred*>(c))(); }, &pred, timeoutMs);
}

// The whole content of a file ("" when missing).
std::string readFile(const std::string& path);

}  // namespace orv::x11test
