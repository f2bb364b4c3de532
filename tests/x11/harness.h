// A private X display for end-to-end tests: Xvfb on a free display number, openbox with a
// minimal configuration (no key bindings), and test-target windows of our own that log the
// key and button events they receive and their geometry.
//
//   orv::x11test::Session s;
//   std::string why;
//   if (!s.start(why)) GTEST_SKIP() << why;        // Xvfb or openbox not installed
//   orv::x11test::Target t;
//   ASSERT_TRUE(s.startTarget("テスト", 100, 100, 400, 300, t));
//   s.run("xdotool mousemove --sync 150 150 click 1");
//
// Every child process gets DISPLAY set to the session's display; the session's destructor
// ends them all and removes its temporary folder.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace orv::x11test {

struct Target {
    pid_t pid = -1;
    std::string log;                 // the target's event log
    std::string err;                 // its standard error
    bool ended = false;              // it ended while being started
    int status = 0;                  // and this was its wait status
    std::string earlier;             // what happened to an earlier attempt
    unsigned long window = 0;        // its X window
    int x = 0, y = 0, w = 0, h = 0;  // client area in root coordinates
    int frameLeft = 0, frameRight = 0, frameTop = 0, frameBottom = 0;  // window-manager frame
};

class Session {
  public:
    Session() = default;
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // True when Xvfb (and openbox when withWindowManager) can be found; else `why` says
    // what is missing, and the caller skips.
    static bool available(std::string& why, bool withWindowManager = true);

    // Starts Xvfb (1280x1024x24, RECORD and XTEST enabled) and, when asked, openbox.
    bool start(std::string& why, bool withWindowManager = true);

    const std::string& display() const { return display_; }
    const std::string& dir() const { return dir_; }

    // Starts a test target window with a UTF-8 title at the given client position and size,
    // and waits until it is mapped and placed.
    bool startTarget(const std::string& title, int x, int y, int w, int h, Target& t);
    // What went wrong with a target, for a failed assertion: whether it still runs, its log,
    // its standard error and the window manager's log.
    std::string explain(const Target& t) const;
    // Re-reads a target's geometry from its log.
    bool refreshTarget(Target& t);
    // The lines a target logged so far.
    static std::vector<std::string> logLines(const Target& t);

    // Runs a shell command with the session's DISPLAY; returns its exit status.
    int run(const std::string& shellCommand);
    // Starts a program with the session's DISPLAY; its stdout and stderr go to the files
    // given (empty: /dev/null). Returns the pid, or -1.
    pid_t spawn(const std::vector<std::string>& argv, const std::string& outFile = "",
                const std::string& errFile = "");
    // Waits for a child started by spawn; returns its exit status, -1 on timeout or signal.
    static int wait(pid_t pid, int timeoutMs);
    // Ends a child: SIGTERM, then SIGKILL after a grace period.
    static void stop(pid_t pid);

    // Kills Xvfb (tests of a server that goes away).
    void killServer();

  private:
    std::string display_;
    std::string dir_;
    pid_t xvfb_ = -1;
    pid_t wm_ = -1;
    std::vector<pid_t> children_;
};

// Waits until the window manager on `display` announces itself and takes a newly mapped
// window into a frame (false when it does not within `timeoutMs`).
bool waitForManagingWindowManager(const std::string& display, int timeoutMs);

// Polls `pred` every 20 ms until it is true or `timeoutMs` passed.
template <class Pred>
bool waitUntil(Pred pred, int timeoutMs);

bool waitUntilImpl(bool (*pred)(void*), void* ctx, int timeoutMs);

template <class Pred>
bool waitUntil(Pred pred, int timeoutMs) {
    return waitUntilImpl([](void* c) { return (*static_cast<Pred*>(c))(); }, &pred, timeoutMs);
}

// The whole content of a file ("" when missing).
std::string readFile(const std::string& path);

}  // namespace orv::x11test
