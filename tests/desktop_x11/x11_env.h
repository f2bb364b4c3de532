// The end-to-end test bench: a private Xvfb on a free display number with openbox (minimal
// rc: no key or mouse bindings), the test-target windows, and the independent observers
// (xdotool, xwininfo, xprop) run as separate processes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace orvtest {

// Starts Xvfb and openbox once per test program (a gtest environment); DISPLAY is set for
// the whole process and everything it starts.
class X11Bench {
  public:
    static X11Bench& get();
    bool start(std::string& message);
    void stop();
    const std::string& display() const { return display_; }
    const std::string& tmp() const { return tmp_; }

  private:
    pid_t xvfb_ = -1;
    pid_t wm_ = -1;
    std::string display_;
    std::string tmp_;
};

// Starts an Xvfb of its own on a free display number (stderr to logPath); returns its pid, or
// -1 with a message. Does not change DISPLAY.
pid_t startXvfb(const std::string& logPath, std::string& display, std::string& message);
// SIGTERM, then a bounded wait (SIGKILL after 3 s).
void stopProcess(pid_t pid);

// Runs argv (no shell) with a time limit; returns its exit status (-1 when it could not be
// run or was killed) and its standard output.
int run(const std::vector<std::string>& argv, std::string* out = nullptr, int timeoutMs = 20000,
        std::string* err = nullptr);

// One test-target window.
struct Target {
    pid_t pid = -1;
    unsigned long window = 0;     // the client window
    std::string log;              // log file path
    mutable bool exited = false;  // reaped by alive()

    // Starts it on $DISPLAY and waits (bounded) until its window is mapped and, when
    // `managed`, its frame extents are set. `titleUtf8` becomes its title.
    bool start(const std::string& titleUtf8, int x, int y, int w, int h, bool managed = true);
    std::vector<std::string> lines() const;
    // The log lines that begin with `prefix`.
    std::vector<std::string> linesWith(const std::string& prefix) const;
    // Waits (bounded) until the log holds a line equal to `line`.
    bool waitLine(const std::string& line, int ms = 3000) const;
    bool alive() const;
    void stop();
    ~Target() { stop(); }
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

// The outer rectangle (frame included) as xwininfo and xprop report it.
bool observedOuter(unsigned long window, Rect& r);
// xdotool getmouselocation.
bool observedPointer(int& x, int& y);
// xdotool getactivewindow (0 when none).
unsigned long observedActive();
// Polls `pred` for up to `ms` milliseconds.
template <class F>
bool eventually(F pred, int ms = 3000);

// Writes a macro (UTF-8 text, converted to CP932 with CR LF line ends) and runs
// `orvane-cli run FILE --desktop x11 --interval 0 --vars`; returns the exit status.
int runMacro(const std::string& utf8Text, std::string* out = nullptr, std::string* err = nullptr,
             const std::vector<std::string>& extra = {});
// The value printed by --vars for `name` ("%x"), or "" when absent.
std::string varOf(const std::string& varsOut, const std::string& name);

void sleepMs(int ms);

// Milliseconds since an arbitrary start (steady).
long long nowMs();

template <class F>
bool eventually(F pred, int ms) {
    long long end = nowMs() + ms;
    while (nowMs() < end) {
        if (pred()) return true;
        sleepMs(10);
    }
    return pred();
}

}  // namespace orvtest
