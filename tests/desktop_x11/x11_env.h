// The end-to-end suite of the X11 desktop: one private display of the X11 harness (Xvfb +
// openbox, tests/x11/harness.h) for the whole test program, started by x11_main.cpp with
// DISPLAY set for the process and everything it starts; the test targets; and the
// independent observers (xdotool, xwininfo, xprop), run as separate programs.
#pragma once

#include <string>
#include <vector>

#include "tests/x11/harness.h"

namespace orvtest {

using orv::x11test::Session;
using orv::x11test::Target;
using orv::x11test::waitUntil;

// The suite's display.
Session& suite();

// Starts a test target on the suite's display, its frame's corner at (x, y) (north-west
// gravity, as most programs are placed); see Session::startTarget.
bool startTarget(Target& t, const std::string& titleUtf8, int x, int y, int w, int h);

// The key and button events of a target's log: "down NAME" / "up NAME" for keys, "down N" /
// "up N" for buttons.
std::vector<std::string> keyEvents(const Target& t);
std::vector<std::string> buttonEvents(const Target& t);

// Runs argv (no shell) in the suite's folder with $DISPLAY and a time limit; returns its exit
// status (-1 when it could not be run or was killed) and its standard output and error.
int run(const std::vector<std::string>& argv, std::string* out = nullptr, int timeoutMs = 20000,
        std::string* err = nullptr);

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

// The outer rectangle (frame included) as xwininfo and xprop report it.
bool observedOuter(unsigned long window, Rect& r);
// xdotool getmouselocation.
bool observedPointer(int& x, int& y);
// xdotool getactivewindow (0 when none).
unsigned long observedActive();

// Writes a macro (UTF-8 text, converted to CP932 with CR LF line ends) and runs
// `orvane-cli run FILE --desktop x11 --interval 0 --vars`; returns the exit status.
int runMacro(const std::string& utf8Text, std::string* out = nullptr, std::string* err = nullptr,
             const std::vector<std::string>& extra = {});
// The value printed by --vars for `name` ("%x"), or "" when absent.
std::string varOf(const std::string& varsOut, const std::string& name);

void sleepMs(int ms);

}  // namespace orvtest
