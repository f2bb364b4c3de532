// Hotkeys that start macros, on a real X display: pressed while another program has the
// focus (and with Num Lock on), refused during a run, and a combination another program holds
// is said and left inactive while the others work.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/app_x11/app_session.h"

// Xlib last: its macros (None, Bool...) would break the test framework's headers.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace orv::x11test;

namespace {

// The HOTKEY rows of Orvane.ini for macros written beside it: {combination, macro text}.
std::string hotkeyRows(const fs::path& dir,
                       std::initializer_list<std::pair<const char*, const char*>> rows) {
    std::string ini = "[HOTKEY]\r\n";
    int n = 0;
    for (const auto& [chord, macro] : rows) {
        const fs::path file = dir / ("hot" + std::to_string(n) + ".ovm");
        writeBytes(file, macro);
        ini += "HOTUSE" + std::to_string(n) + "=1\r\nHOTKEY" + std::to_string(n) + "=" + chord +
               "\r\nHOTMCR" + std::to_string(n) + "=" + file.string() + "\r\n";
        ++n;
    }
    return ini;
}

bool pointerAt(Session& s, const fs::path& dir, const std::string& xy, int ms) {
    return waitUntil([&] { return pointer(s, dir).find(xy) != std::string::npos; }, ms);
}

TEST_F(OrvaneOnX11, HotkeysStartTheirMacrosFromAnyWindow) {
    Target t;
    ASSERT_TRUE(s.startTarget("hot-target", 700, 400, 300, 200, t)) << s.explain(t);
    const fs::path dir = fs::path(s.dir()) / "hot";
    fs::create_directories(dir);
    const std::string rows = hotkeyRows(
        dir, {{"Ctrl+Alt+1", "START\r\nMMOVE 123,234\r\nEND\r\n"},
              {"Ctrl+Alt+2", "START\r\nMMOVE 20,30\r\nWAIT 2500\r\nMMOVE 40,50\r\nEND\r\n"}});
    pid_t app = startPlaced(s, dir, "START\r\nEND\r\n", rows);
    focusWindow(s, "^hot-target$");
    s.run("xdotool mousemove 5 5 key ctrl+alt+1");
    EXPECT_TRUE(pointerAt(s, dir, "x:123 y:234", 8000)) << pointer(s, dir);
    // With Num Lock on (and the macro's editor open by now) the same.
    s.run("sleep 0.5; xdotool key Num_Lock mousemove 5 5; sleep 0.3; xdotool key ctrl+alt+1");
    EXPECT_TRUE(pointerAt(s, dir, "x:123 y:234", 8000)) << pointer(s, dir);
    s.run("xdotool key Num_Lock");
    // During a run a hotkey starts nothing.
    s.run("sleep 0.5; xdotool key ctrl+alt+2");
    ASSERT_TRUE(pointerAt(s, dir, "x:20 y:30", 8000)) << pointer(s, dir);
    s.run("sleep 0.3; xdotool key ctrl+alt+1; sleep 1");
    EXPECT_NE(pointer(s, dir).find("x:20 y:30"), std::string::npos);
    EXPECT_TRUE(pointerAt(s, dir, "x:40 y:50", 5000)) << pointer(s, dir);
    Session::stop(app);
}

TEST_F(OrvaneOnX11, AHotkeyAnotherProgramHoldsIsSaidAndTheOthersWork) {
    // Another client holds Ctrl+Alt+3 before the program starts.
    Display* other = XOpenDisplay(s.display().c_str());
    ASSERT_NE(other, nullptr);
    const KeyCode three = XKeysymToKeycode(other, XK_3);
    XGrabKey(other, three, ControlMask | Mod1Mask, DefaultRootWindow(other), False, GrabModeAsync,
             GrabModeAsync);
    XSync(other, False);
    const fs::path dir = fs::path(s.dir()) / "busy";
    fs::create_directories(dir);
    const std::string rows = hotkeyRows(dir, {{"Ctrl+Alt+3", "START\r\nMMOVE 300,300\r\nEND\r\n"},
                                              {"Ctrl+Alt+4", "START\r\nMMOVE 77,88\r\nEND\r\n"}});
    pid_t app = startPlaced(s, dir, "START\r\nEND\r\n", rows);
    // The notice is a second window titled "Orvane" beside the frame.
    const std::string count = (dir / "count.txt").string();
    EXPECT_TRUE(waitUntil(
        [&] {
            s.run("xdotool search --onlyvisible --name '^Orvane$' | wc -l > '" + count + "'");
            return std::atoi(readFile(count).c_str()) == 2;
        },
        5000));
    s.run("xdotool mousemove 5 5 key ctrl+alt+4");
    EXPECT_TRUE(pointerAt(s, dir, "x:77 y:88", 8000)) << pointer(s, dir);
    XCloseDisplay(other);
    Session::stop(app);
}

}  // namespace
