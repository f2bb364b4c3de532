// The desktop program on a real X display: a macro given on the command line acts on a test
// target and the program ends by itself; a second instance ends at once; the frame position
// survives a restart.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "lang/text.h"
#include "tests/app_x11/app_session.h"

using namespace orv::x11test;

namespace {

int count(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

TEST_F(OrvaneOnX11, CommandLineMacroActsAndTheProgramEnds) {
    Target t;
    ASSERT_TRUE(s.startTarget("テスト対象", 300, 300, 300, 200, t)) << s.explain(t);

    fs::path dir = fs::path(s.dir()) / "gui";
    fs::create_directories(dir);
    writeBytes(dir / "Orvane.ini",
               "[SYSTEM]\r\nDMEX1ST=1\r\nCOMTIME=20\r\nSRCENDM=0\r\nWNXLPOS=40\r\nWNYLPOS=60\r\n"
               "WNXRPOS=500\r\nWNYRPOS=400\r\n");
    int cx = t.x + 50, cy = t.y + 40;
    std::string macro = "START\r\nFOCUS 'テスト対象'\r\nWAIT 200\r\nMMOVE " + std::to_string(cx) +
                        "," + std::to_string(cy) +
                        "\r\nMCLK L\r\nWAIT 100\r\nKEY 'AB'\r\nWAIT 200\r\nEND\r\n";
    writeBytes(dir / "demo.ovm", orv::sj(macro));

    std::string app = ORV_APP;
    std::string cmd = "cd '" + dir.string() + "' && chmod 700 . && exec env XDG_RUNTIME_DIR='" +
                      dir.string() + "' '" + app + "' '" + (dir / "demo.ovm").string() + "' 1";
    pid_t first =
        s.spawn({"sh", "-c", cmd}, (dir / "out1.txt").string(), (dir / "err1.txt").string());
    ASSERT_GT(first, 0);
    // Wait for the frame, then start a second instance: it ends at once, silently.
    ASSERT_TRUE(waitUntil([&] { return s.run("xdotool search --name '^Orvane$' >/dev/null") == 0; },
                          10000));
    pid_t second = s.spawn({"sh", "-c", cmd});
    EXPECT_EQ(Session::wait(second, 5000), 0);

    EXPECT_EQ(Session::wait(first, 20000), 0) << readFile((dir / "err1.txt").string());
    auto lines = Session::logLines(t);
    EXPECT_GE(count(lines, "ButtonPress 1 " + std::to_string(cx) + " " + std::to_string(cy)), 1)
        << readFile(t.log);
    // The codes 65 and 66 are the A and B keys, pressed without Shift.
    EXPECT_GE(count(lines, "KeyPress a"), 1) << readFile(t.log);
    EXPECT_GE(count(lines, "KeyPress b"), 1) << readFile(t.log);

    // The frame was placed where the settings said and saved there again at shutdown.
    std::string ini = readFile((dir / "Orvane.ini").string());
    EXPECT_NE(ini.find("WNXLPOS=40\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("WNYLPOS=60\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("WNXRPOS=500\r\n"), std::string::npos) << ini;
}

TEST_F(OrvaneOnX11, EscFromOutsideStopsTheRunButTheMacrosOwnEscDoesNot) {
    // The macro's own KEY ESC: the run goes on to its end and the program closes (flag 1).
    fs::path own = fs::path(s.dir()) / "own";
    fs::create_directories(own);
    pid_t p1 = startOrvane(s, own, "START\r\nKEY ESC\r\nWAIT 300\r\nMMOVE 7,9\r\nEND\r\n", "1");
    EXPECT_EQ(Session::wait(p1, 20000), 0) << readFile((own / "err.txt").string());

    // Esc from another program (xdotool) while the run waits: the run stops; a stopped
    // automatic run leaves the program open and shows nothing.
    fs::path ext = fs::path(s.dir()) / "ext";
    fs::create_directories(ext);
    pid_t p2 = startOrvane(s, ext, "START\r\nWAIT 100000\r\nMMOVE 3,4\r\nEND\r\n", "1");
    ASSERT_TRUE(waitUntil(
        [&] { return s.run("xdotool search --name 'マクロ実行中' >/dev/null") == 0; }, 10000));
    // The key goes to another window, so only the global watch can see it.
    Target t;
    ASSERT_TRUE(s.startTarget("other", 600, 500, 200, 150, t)) << s.explain(t);
    s.run("sleep 0.3; xdotool search --name '^other$' windowactivate --sync; xdotool key Escape");
    EXPECT_TRUE(waitUntil(
        [&] { return s.run("xdotool search --name 'マクロ実行中' >/dev/null") != 0; }, 5000));
    EXPECT_EQ(Session::wait(p2, 500), -1);  // still open
    s.run("xdotool getmouselocation > '" + (ext / "loc.txt").string() + "'");
    EXPECT_EQ(readFile((ext / "loc.txt").string()).find("x:3 y:4"), std::string::npos);
    Session::stop(p2);
}

// The input events a target received, modifiers and motion left out.
std::vector<std::string> actions(const std::vector<std::string>& lines, std::size_t from,
                                 std::size_t to) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < to && i < lines.size(); ++i) {
        const std::string& l = lines[i];
        const bool button = l.rfind("Button", 0) == 0;
        const bool key = l.rfind("Key", 0) == 0 && l.find("Shift") == std::string::npos &&
                         l.find("Control") == std::string::npos;
        if (button || key) out.push_back(l);
    }
    return out;
}

// F1, a click, typed keys with a modifier and a drag on a target, the stop button: the new
// macro, run with F4 against the same target, gives it the same clicks and keys in order; the
// click on the stop button records nothing and the frame is back where it was. While
// recording the frame lies wholly beneath the stop window; after it the new editor has the
// keyboard focus.
TEST_F(OrvaneOnX11, RecordingRoundTrip) {
    Target t;
    ASSERT_TRUE(
        s.startTarget("rec-target", 700, 300, 300, 240, t, Gravity::Static, ClickFocus::Yes))
        << s.explain(t);
    const fs::path dir = fs::path(s.dir()) / "rec";
    pid_t app = startPlaced(s, dir, "START\r\nEND\r\n");
    focusWindow(s, "^Orvane$");
    const std::string placed = frameGeometry(s, dir);
    s.run("xdotool key F1");
    ASSERT_TRUE(waitWindow(s, "マクロ記録停止")) << readFile((dir / "err.txt").string());
    s.run("sleep 0.5");
    const std::vector<int> stop = outerRect(s, "マクロ記録停止", dir);
    const std::vector<int> frame = outerRect(s, "^Orvane$", dir);
    EXPECT_TRUE(frame[0] >= stop[0] && frame[1] >= stop[1] &&
                frame[0] + frame[2] <= stop[0] + stop[2] &&
                frame[1] + frame[3] <= stop[1] + stop[3])
        << frame[0] << "," << frame[1] << " " << frame[2] << "x" << frame[3] << " beneath "
        << stop[0] << "," << stop[1] << " " << stop[2] << "x" << stop[3];
    const std::size_t start = Session::logLines(t).size();
    const int cx = t.x + 60, cy = t.y + 50;
    s.run("xdotool mousemove --sync " + std::to_string(cx) + " " + std::to_string(cy) +
          " click 1; sleep 0.3; xdotool key shift+a; sleep 0.2; xdotool key b; sleep 0.2");
    s.run("xdotool mousemove --sync " + std::to_string(cx + 20) + " " + std::to_string(cy + 20) +
          " mousedown 1 mousemove --sync " + std::to_string(cx + 120) + " " +
          std::to_string(cy + 90) + " mouseup 1; sleep 0.3");
    const std::size_t recorded = Session::logLines(t).size();
    s.run(onWindow("マクロ記録停止", "xdotool mousemove --window {} 20 8 click 1"));
    ASSERT_TRUE(waitWindow(s, "マクロ記録停止", false, 8000));
    s.run("sleep 0.5");
    EXPECT_EQ(frameGeometry(s, dir), placed);

    // The new editor is active and has the focus: F4 runs it (it was never modified, so no
    // save dialog).
    EXPECT_EQ(focusedName(s, dir), "Orvane");
    s.run("xdotool key F4");
    const auto want = actions(Session::logLines(t), start, recorded);
    ASSERT_GE(want.size(), 8u) << readFile(t.log);
    EXPECT_TRUE(waitUntil(
        [&] { return actions(Session::logLines(t), recorded, SIZE_MAX).size() >= want.size(); },
        15000))
        << readFile(t.log);
    s.run("sleep 0.5");
    const auto got = actions(Session::logLines(t), recorded, SIZE_MAX);
    EXPECT_EQ(got, want) << readFile(t.log);
    Session::stop(app);
}

// The debugger with its keys: the macro has run once by itself; F5 on line 6, F9 runs to it
// (one click so far), F7 three times reaches the second click, F6 runs to the end.
TEST_F(OrvaneOnX11, DebuggerKeysStopStepAndContinue) {
    Target t;
    ASSERT_TRUE(s.startTarget("dbg-target", 700, 300, 300, 240, t)) << s.explain(t);
    const std::string y = std::to_string(t.y + 50);
    const std::string x1 = std::to_string(t.x + 10), x2 = std::to_string(t.x + 60);
    pid_t app =
        startPlaced(s, fs::path(s.dir()) / "dbg",
                    "DEFINE %x\r\nSTART\r\n%x = " + x1 + "\r\nMMOVE %x," + y +
                        "\r\nMCLK L\r\n%x = " + x2 + "\r\nMMOVE %x," + y + "\r\nMCLK L\r\nEND\r\n");
    auto clicks = [&] { return t.linesWith("ButtonPress 1 ").size(); };
    ASSERT_TRUE(waitUntil([&] { return clicks() == 2; }, 15000)) << readFile(t.log);
    focusWindow(s, "^Orvane$");
    // A click in the editor's text gives it the focus: to line 6, F5, then F9.
    s.run(onWindow("^Orvane$", "xdotool mousemove --window {} 200 250 click 1") + "; sleep 0.3");
    s.run(
        "xdotool key ctrl+Home Down Down Down Down Down; sleep 0.2; xdotool key F5; "
        "sleep 0.5; xdotool key F9");
    ASSERT_TRUE(waitUntil([&] { return clicks() == 3; }, 10000)) << readFile(t.log);
    s.run("sleep 1");
    EXPECT_EQ(clicks(), 3u) << "the run went past its breakpoint";
    EXPECT_EQ(t.linesWith("ButtonPress 1 " + x1).size(), 2u);
    // The stop says "中断-ﾌﾟﾚｲｸﾎﾟｲﾝﾄ"; Enter closes it.
    s.run("xdotool key Return; sleep 0.3; xdotool key F7; sleep 0.5; xdotool key F7; sleep 0.5");
    EXPECT_EQ(clicks(), 3u);
    s.run("xdotool key F7");
    ASSERT_TRUE(waitUntil([&] { return clicks() == 4; }, 5000)) << readFile(t.log);
    EXPECT_EQ(t.linesWith("ButtonPress 1 " + x2).size(), 2u);
    s.run("xdotool key F6; sleep 1");
    EXPECT_EQ(clicks(), 4u);
    // Stepping to the end leaves the commands as with no run: F10, F7 over every line (two
    // more clicks), then F4 runs the whole macro again.
    s.run("xdotool key F10; sleep 0.5");
    for (int line = 0; line < 7; ++line) s.run("xdotool key F7; sleep 0.4");
    EXPECT_EQ(clicks(), 6u) << readFile(t.log);
    s.run("xdotool key F4");
    EXPECT_TRUE(waitUntil([&] { return clicks() == 8; }, 10000)) << readFile(t.log);
    Session::stop(app);
}

// A macro's keys go to the window that has the focus, which at a scripted start is the
// frame with the macro's editor: the editor takes none of them, so the macro stays unchanged
// and, with the exit flag 1, the program ends by itself.
TEST_F(OrvaneOnX11, MacroKeysNeverEditTheMacro) {
    const fs::path dir = fs::path(s.dir()) / "keys";
    fs::create_directories(dir);
    const std::string macro = "START\r\nWAIT 500\r\nKEY 'ab'\r\nKEY ENTER\r\nWAIT 300\r\nEND\r\n";
    pid_t app = startOrvane(s, dir, macro, "1");
    EXPECT_EQ(Session::wait(app, 20000), 0) << readFile((dir / "err.txt").string());
    EXPECT_EQ(readFile((dir / "m.ovm").string()), macro);
}

// The auto-click dialog by keyboard: slot 1 ticked, 設定1 starts the capture, a right double
// click on the target fills the slot, 1 second, run: the target gets a right double click at
// the picked point about every second until the slot is stopped.
TEST_F(OrvaneOnX11, AutoClickPicksAndClicksEverySecond) {
    Target t;
    ASSERT_TRUE(s.startTarget("ac-target", 700, 300, 300, 240, t)) << s.explain(t);
    pid_t app = startPlaced(s, fs::path(s.dir()) / "ac", "START\r\nEND\r\n");
    focusWindow(s, "^Orvane$");
    s.run("xdotool key alt+t; sleep 0.3; xdotool key Return");
    ASSERT_TRUE(waitWindow(s, "簡易自動クリック"));
    s.run("sleep 0.3; xdotool key space Tab space; sleep 0.5");
    const int px = t.x + 40, py = t.y + 30;
    s.run("xdotool mousemove --sync " + std::to_string(px) + " " + std::to_string(py) +
          " click --repeat 2 --delay 80 3; sleep 0.8");
    const std::size_t picked = t.lines().size();
    // The set button went grey during the capture: the focus moved on to the seconds.
    focusWindow(s, "簡易自動クリック");
    s.run("xdotool key ctrl+a 1 Tab space");
    const std::string at = "ButtonPress 3 " + std::to_string(px) + " " + std::to_string(py);
    auto clicks = [&] {
        std::size_t n = 0;
        const auto lines = Session::logLines(t);
        for (std::size_t i = picked; i < lines.size(); ++i) n += lines[i] == at;
        return n;
    };
    EXPECT_TRUE(waitUntil([&] { return clicks() >= 4; }, 6000)) << readFile(t.log);
    // Stopped, it clicks no more.
    s.run("xdotool key space; sleep 1.5");
    const std::size_t stopped = clicks();
    s.run("sleep 1.5");
    EXPECT_EQ(clicks(), stopped);
    EXPECT_EQ(clicks() % 2, 0u) << "a double click is two presses";
    Session::stop(app);
}

// The toolbox with the mouse: コマンド, MMOVE, Add; the form's X and Y, ADD: the line goes in
// at the caret (before END) and F4 moves the pointer there. The places of the controls are
// those of the program's layout with the IPA fonts the install script installs.
TEST_F(OrvaneOnX11, ToolboxInsertsAStatementThatRuns) {
    const fs::path dir = fs::path(s.dir()) / "tb";
    pid_t app = startPlaced(s, dir, "START\r\nEND\r\n");
    focusWindow(s, "^Orvane$");
    const auto click = [&](const std::string& window, int x, int y) {
        s.run(onWindow(window, "xdotool mousemove --window {} " + std::to_string(x) + " " +
                                   std::to_string(y) + " click 1") +
              "; sleep 0.4");
    };
    // The caret to the start of the END line, then the toolbox's combos and Add; the form's
    // X and Y, then ADD. Each step: where to click, and the keys or text that follow.
    struct Step {
        const char* window;
        int x, y;
        const char* then;
    };
    for (const Step& st :
         {Step{"^Orvane$", 200, 150, "key ctrl+End Up"},
          Step{"^Orvane$", 51, 55, "key Down Down Down Down Return"},
          Step{"^Orvane$", 154, 55, "key Down Return"}, Step{"^Orvane$", 244, 55, "sleep 0.5"}}) {
        click(st.window, st.x, st.y);
        s.run(std::string("xdotool ") + st.then);
    }
    ASSERT_TRUE(waitWindow(s, "ｺﾏﾝﾄﾞの追加"));
    s.run("sleep 0.3");
    for (const Step& st :
         {Step{"ｺﾏﾝﾄﾞの追加", 155, 188, "type 300"}, Step{"ｺﾏﾝﾄﾞの追加", 155, 417, "type 400"},
          Step{"ｺﾏﾝﾄﾞの追加", 173, 501, "sleep 0.1"}}) {
        click(st.window, st.x, st.y);
        s.run(std::string("xdotool ") + st.then);
    }
    ASSERT_TRUE(waitWindow(s, "ｺﾏﾝﾄﾞの追加", false));
    focusWindow(s, "^Orvane$");
    s.run("xdotool key F4; sleep 1.5; xdotool getmouselocation > '" + (dir / "loc.txt").string() +
          "'");
    EXPECT_NE(readFile((dir / "loc.txt").string()).find("x:300 y:400"), std::string::npos)
        << readFile((dir / "loc.txt").string()) << readFile((dir / "comp.his").string());
    Session::stop(app);
}

// With EMINWIN the frame goes to the taskbar during a run and the running dialog's outer
// frame sits 50 px above the bottom of the screen, at its right edge; the dialog never takes
// the keyboard focus.
TEST_F(OrvaneOnX11, RunningDialogAtTheBottomRightWithoutTheFocus) {
    Target t;
    ASSERT_TRUE(s.startTarget("focus-keeper", 100, 600, 200, 150, t)) << s.explain(t);
    const fs::path dir = fs::path(s.dir()) / "emin";
    fs::create_directories(dir);
    s.run(
        "xdotool search --name '^focus-keeper$' | head -1 | xargs -I{} sh -c "
        "'xdotool windowactivate --sync {}; xdotool windowfocus --sync {}'");
    pid_t app = startOrvane(s, dir, "START\r\nWAIT 100000\r\nEND\r\n", "0", "EMINWIN=1\r\n");
    ASSERT_TRUE(waitWindow(s, "マクロ実行中", true, 10000));
    s.run("sleep 1.5");
    const std::vector<int> outer = outerRect(s, "マクロ実行中", dir);
    EXPECT_EQ(outer[0] + outer[2], 1280) << outer[0] << " " << outer[2];
    EXPECT_EQ(outer[1] + outer[3], 1024 - 50) << outer[1] << " " << outer[3];
    // Where the focus goes when the frame is minimised is the window manager's choice (openbox
    // may leave it on no window under load); the running dialog must not be the one that has it.
    EXPECT_EQ(focusedName(s, dir).find("マクロ実行中"), std::string::npos);
    Session::stop(app);
}

}  // namespace
