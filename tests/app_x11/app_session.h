// The desktop program on a private X display (tests/x11's Session with openbox): starting it
// with a macro in a folder of its own, finding, focusing and measuring its windows with
// xdotool, xwininfo and xprop as the independent observer. Shared by every test of the
// program on X11.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/x11/harness.h"

namespace orv::x11test {

namespace fs = std::filesystem;

// Each test has its own private display with openbox; without Xvfb the tests are skipped.
class OrvaneOnX11 : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!s.start(why)) GTEST_SKIP() << why;
    }
    Session s;
};

// The frame's place for the tests that act beside it, away from their targets.
inline constexpr char kFramePlace[] = "WNXLPOS=40\r\nWNYLPOS=60\r\nWNXRPOS=500\r\nWNYRPOS=400\r\n";

void writeBytes(const fs::path& p, const std::string& bytes);
// Starts orvane in `dir` on the session's display with a macro (CP932, written as m.ovm) and
// an exit flag (an empty macro: no command line), in the "C" locale (the program still gives
// its windows Japanese titles that other clients can read); Orvane.ini holds the usual test
// keys and `moreIni`; `env` adds variables ("A=1 B=2"). Its standard error goes to
// dir/err.txt.
pid_t startOrvane(Session& s, const fs::path& dir, const std::string& macroCp932,
                  const std::string& flag, const std::string& moreIni = "",
                  const std::string& env = "");
// `orvane ARGS` run in `dir` as startOrvane runs it, waited for; its exit status.
int runOrvane(Session& s, const fs::path& dir, const std::string& args, int timeoutMs = 10000);
// The program on `macro` (exit flag 0) with its frame at kFramePlace, once its frame shows.
pid_t startPlaced(Session& s, const fs::path& dir, const std::string& macro,
                  const std::string& moreIni = "");
// `cmd` with {} standing for the first shown window titled by the pattern `name`.
std::string onWindow(const std::string& name, const std::string& cmd);
// Activates and focuses that window (openbox has no click-to-focus in the tests).
void focusWindow(Session& s, const std::string& name);
// Waits until a window titled by the pattern shows (or, with `shown` false, no longer does).
bool waitWindow(Session& s, const std::string& name, bool shown = true, int ms = 5000);
// xdotool's geometry of the frame, as text.
std::string frameGeometry(Session& s, const fs::path& dir);
// A shown window's outer rectangle (its window manager's frame included): x, y, w, h.
std::vector<int> outerRect(Session& s, const std::string& name, const fs::path& dir);
// The title of the window that has the keyboard focus.
std::string focusedName(Session& s, const fs::path& dir);
// Where the pointer is, as xdotool prints it ("x:.. y:..").
std::string pointer(Session& s, const fs::path& dir);

}  // namespace orv::x11test
