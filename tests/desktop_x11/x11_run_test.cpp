// Macros run by `orvane-cli run --desktop x11` against real windows on the private display:
// every desktop command, observed with xdotool, xwininfo, xprop and the target's log.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/desktop_x11/x11_env.h"

namespace {

using namespace orvtest;

// The lines of a file (none when it is missing).
std::vector<std::string> fileLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(orv::x11test::readFile(path));
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

std::string str(int v) {
    return std::to_string(v);
}

void expectRect(unsigned long window, int left, int top, int width, int height) {
    Rect r;
    ASSERT_TRUE(observedOuter(window, r));
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
}

TEST(X11Run, MmoveInEveryModeAndGetmpos) {
    struct Case {
        const char* line;
        int x, y;
    } cases[] = {
        {"MMOVE 300,400", 300, 400}, {"MMOVE +20,-30", 320, 370}, {"MMOVE NOW,NOW", 320, 370},
        {"MMOVE -20,+30", 300, 400}, {"MMOVE NOW,10", 300, 10},   {"MMOVE 0,0", 0, 0},
        {"MMOVE 99999,5", 1279, 5},  {"MMOVE -5,+7", 1274, 12},
    };
    for (const Case& c : cases) {
        std::string m = "DEFINE %x, %y\nSTART\n";
        m += std::string(c.line) + "\nGETMPOS %x,%y\nEND\n";
        std::string out, err;
        ASSERT_EQ(runMacro(m, &out, &err), 0) << c.line << ": " << err;
        int ox = -1, oy = -1;
        ASSERT_TRUE(observedPointer(ox, oy));
        EXPECT_EQ(ox, c.x) << c.line;
        EXPECT_EQ(oy, c.y) << c.line;
        EXPECT_EQ(varOf(out, "%x"), str(c.x)) << c.line;
        EXPECT_EQ(varOf(out, "%y"), str(c.y)) << c.line;
    }
}

TEST(X11Run, MouseButtonsReachTheWindowUnderTheCursorInOrder) {
    Target t;
    ASSERT_TRUE(startTarget(t, "orv buttons", 100, 100, 400, 300));
    Rect r;
    ASSERT_TRUE(observedOuter(t.window, r));
    int cx = r.left + r.width / 2, cy = r.top + r.height / 2;
    std::string m = "START\nMMOVE " + str(cx) + "," + str(cy) +
                    "\nMCLK L\nMCLK R\nMCLK C\nMDCLK L\nMDOWN R\nMUP R\nMDOWN C\nMUP C\nEND\n";
    std::string err;
    ASSERT_EQ(runMacro(m, nullptr, &err), 0) << err;
    const std::vector<std::string> want = {
        "down 1", "up 1", "down 3", "up 3", "down 2", "up 2",  // MCLK L, R, C
        "down 1", "up 1", "down 1", "up 1",                    // MDCLK L
        "down 3", "up 3",                                      // MDOWN R, MUP R
        "down 2", "up 2",                                      // MDOWN C, MUP C
    };
    EXPECT_TRUE(waitUntil([&] { return buttonEvents(t).size() >= want.size(); }));
    EXPECT_EQ(buttonEvents(t), want);
    for (const std::string& l : t.linesWith("Button"))
        EXPECT_NE(l.find(" " + str(cx) + " " + str(cy)), std::string::npos) << l;
}

TEST(X11Run, KeyChordsTypedTextNumericPadCodesAndMtab) {
    Target t;
    ASSERT_TRUE(startTarget(t, "orv keyboard", 150, 150, 400, 300));
    const std::string m =
        "START\n"
        "FOCUS 'orv keyboard'\n"
        "KEY SFT,A\n"  // chord: down SFT, down A, up SFT, up A
        "KEY CTRL,SFT,HOME\n"
        "KEY 'AB1'\n"      // digits and capitals type their own keys
        "KEY 'abc'\n"      // 97-99: the numeric pad's 1-3
        "KEY 'p',ENTER\n"  // 112 is F1; then ENTER as a key after the text
        "KEY ESC\n"
        "MTAB 3\n"  // three TAB downs
        "MTAB 0\n"
        // The keys typed through lent keycodes (the numeric pad's) are given back when the
        // run ends: a pause lets the target read them first.
        "WAIT 300\n"
        "END\n";
    std::string err;
    ASSERT_EQ(runMacro(m, nullptr, &err), 0) << err;
    const std::vector<std::string> want = {
        "down Shift_L",
        "down a",
        "up Shift_L",
        "up a",
        "down Control_L",
        "down Shift_L",
        "down Home",
        "up Control_L",
        "up Shift_L",
        "up Home",
        "down a",
        "up a",
        "down b",
        "up b",
        "down 1",
        "up 1",
        "down KP_1",
        "up KP_1",
        "down KP_2",
        "up KP_2",
        "down KP_3",
        "up KP_3",
        "down F1",
        "up F1",
        "down Return",
        "up Return",
        "down Escape",
        "up Escape",
        // MTAB 3: three key-downs; a key-down of the held TAB reaches the window as the X
        // server delivers a repeated key, a release right before the press.
        "down Tab",
        "up Tab",
        "down Tab",
        "up Tab",
        "down Tab",
        // The end of the run releases the TAB that MTAB left down.
        "up Tab",
    };
    EXPECT_TRUE(waitUntil([&] { return keyEvents(t).size() >= want.size(); }));
    // TAB stays down from MTAB to the end of the run, but the server must not repeat it by
    // itself: nothing more arrives after the repeat delay.
    sleepMs(1000);
    EXPECT_EQ(keyEvents(t), want);
}

TEST(X11Run, FocusPicksTheTopmostOfTwoWindowsSharingACaption) {
    Target lower, upper, other;
    ASSERT_TRUE(startTarget(lower, "orv twin", 100, 100, 300, 200));
    ASSERT_TRUE(startTarget(upper, "orv twin", 200, 200, 300, 200));
    ASSERT_TRUE(startTarget(other, "orv other", 500, 500, 300, 200));  // now on top and active
    EXPECT_TRUE(waitUntil([&] { return observedActive() == other.window; }));
    std::string err;
    ASSERT_EQ(runMacro("START\nFOCUS 'orv twin'\nEND\n", nullptr, &err), 0) << err;
    EXPECT_TRUE(waitUntil([&] { return observedActive() == upper.window; }));
    // The caption is compared exactly: a different case or a prefix matches nothing.
    ASSERT_EQ(runMacro("START\nFOCUS 'ORV OTHER'\nFOCUS 'orv othe'\nEND\n", nullptr, &err), 0);
    sleepMs(200);
    EXPECT_EQ(observedActive(), upper.window);
    ASSERT_EQ(runMacro("START\nFOCUS \"orv other\"\nEND\n", nullptr, &err), 0) << err;
    EXPECT_TRUE(waitUntil([&] { return observedActive() == other.window; }));
}

TEST(X11Run, FocusFindsJapaneseCaptions) {
    Target t, front;
    ASSERT_TRUE(startTarget(t, "無題 - メモ帳", 120, 120, 300, 200));
    ASSERT_TRUE(startTarget(front, "orv front", 140, 140, 300, 200));
    EXPECT_TRUE(waitUntil([&] { return observedActive() == front.window; }));
    std::string out, err;
    ASSERT_EQ(runMacro("DEFINE %x, %y\nSTART\nFOCUS '無題 - メモ帳'\nGETWPOS '無題 - メモ帳' "
                       "%x,%y\nEND\n",
                       &out, &err),
              0)
        << err;
    EXPECT_TRUE(waitUntil([&] { return observedActive() == t.window; }));
    Rect r;
    ASSERT_TRUE(observedOuter(t.window, r));
    EXPECT_EQ(varOf(out, "%x"), str(r.left));
    EXPECT_EQ(varOf(out, "%y"), str(r.top));
}

TEST(X11Run, CaptionsThatAreNotValidCp932MatchNothing) {
    Target front, other;
    ASSERT_TRUE(startTarget(other, "orv ? bad", 100, 100, 300, 200));
    ASSERT_TRUE(startTarget(front, "orv front2", 150, 150, 300, 200));
    EXPECT_TRUE(waitUntil([&] { return observedActive() == front.window; }));
    // A lead byte followed by a blank, and a lone trail-only byte: raw bytes in the file.
    const std::string path = suite().dir() + "/badcaption.ovm";
    std::ofstream(path, std::ios::binary)
        << "START\r\nFOCUS 'orv \x81 bad'\r\nFOCUS 'orv \xFD'\r\nDESTROY 'orv \xA0\x81'\r\nEND\r\n";
    std::string err;
    ASSERT_EQ(
        run({ORV_CLI, "run", path, "--desktop", "x11", "--interval", "0"}, nullptr, 30000, &err), 0)
        << err;
    sleepMs(200);
    EXPECT_EQ(observedActive(), front.window);
    EXPECT_TRUE(other.alive());
    EXPECT_TRUE(front.alive());
}

TEST(X11Run, FocusLeavesAMinimisedWindowMinimised) {
    Target small, front;
    ASSERT_TRUE(startTarget(small, "orv minimised", 100, 100, 300, 200));
    ASSERT_TRUE(startTarget(front, "orv front3", 150, 150, 300, 200));
    char id[32];
    std::snprintf(id, sizeof id, "%lu", small.window);
    ASSERT_EQ(run({"xdotool", "windowminimize", "--sync", id}), 0);
    EXPECT_TRUE(waitUntil([&] { return observedActive() == front.window; }));
    std::string err;
    ASSERT_EQ(runMacro("START\nFOCUS 'orv minimised'\nEND\n", nullptr, &err), 0) << err;
    sleepMs(200);
    EXPECT_EQ(observedActive(), front.window);
    std::string state;
    std::snprintf(id, sizeof id, "0x%lx", small.window);
    ASSERT_EQ(run({"xprop", "-id", id, "WM_STATE"}, &state), 0);
    EXPECT_NE(state.find("Iconic"), std::string::npos) << state;
}

TEST(X11Run, DestroyClosesOnlyTheFirstMatchAndDoesNotWait) {
    Target a, b, keep;
    ASSERT_TRUE(startTarget(a, "orv doomed", 100, 100, 300, 200));
    ASSERT_TRUE(startTarget(b, "orv doomed", 150, 150, 300, 200));
    ASSERT_TRUE(startTarget(keep, "orv kept", 200, 200, 300, 200));
    std::string err;
    ASSERT_EQ(runMacro("START\nDESTROY 'orv doomed'\nDESTROY 'nobody'\nEND\n", nullptr, &err), 0)
        << err;
    EXPECT_TRUE(b.waitLine("close"));
    EXPECT_TRUE(waitUntil([&] { return !b.alive(); }));
    sleepMs(200);
    EXPECT_TRUE(a.alive());
    EXPECT_TRUE(keep.alive());
    EXPECT_TRUE(a.linesWith("close").empty());
}

// A window command's operands and the two values of the outer rectangle it sets.
struct RectCase {
    const char* ops;
    int a, b;
};

// Runs "COMMAND 'CAPTION' OPS" for each case against a new target and checks its outer
// rectangle: WMOVE sets the left and top (the size stays), WSIZE the width and height (the
// corner stays).
void expectWindowCommand(const std::string& command, const std::string& caption,
                         const std::vector<RectCase>& cases) {
    Target t;
    ASSERT_TRUE(startTarget(t, caption, 100, 100, 300, 200));
    Rect r0;
    ASSERT_TRUE(observedOuter(t.window, r0));
    for (const RectCase& c : cases) {
        std::string err;
        ASSERT_EQ(runMacro("START\n" + command + " '" + caption + "' " + c.ops + "\nEND\n", nullptr,
                           &err),
                  0)
            << err;
        if (command == "WMOVE")
            expectRect(t.window, c.a, c.b, r0.width, r0.height);
        else
            expectRect(t.window, r0.left, r0.top, c.a, c.b);
    }
}

TEST(X11Run, WmoveKeepsNowAndZeroAndMovesTheFrame) {
    const std::vector<RectCase> moves = {
        {"250,180", 250, 180}, {"NOW,300", 250, 300}, {"0,120", 250, 120}, {"40,0", 40, 120},
        {"+15,-20", 55, 100},  {"-5,+5", 50, 105},    {"50,105", 50, 105},  // where it already is
    };
    expectWindowCommand("WMOVE", "orv mover", moves);
}

TEST(X11Run, WsizeKeepsKeepAndZeroAndSizesTheFrame) {
    const std::vector<RectCase> sizes = {
        {"400,300", 400, 300}, {"KEEP,250", 400, 250}, {"0,260", 400, 260},
        {"350,0", 350, 260},   {"+10,-20", 360, 240},  {"-60,+10", 300, 250},
    };
    expectWindowCommand("WSIZE", "orv sizer", sizes);
}

// The stacking order as xprop reports it, bottom to top.
std::vector<unsigned long> observedStacking() {
    std::string o;
    run({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"}, &o);
    std::vector<unsigned long> ids;
    std::size_t p = o.find('#');
    while (p != std::string::npos && (p = o.find("0x", p)) != std::string::npos) {
        char* end = nullptr;
        ids.push_back(std::strtoul(o.c_str() + p, &end, 16));
        p = static_cast<std::size_t>(end - o.c_str());
    }
    return ids;
}

// True when window a is above window b.
bool above(unsigned long a, unsigned long b) {
    auto ids = observedStacking();
    auto pa = std::find(ids.begin(), ids.end(), a), pb = std::find(ids.begin(), ids.end(), b);
    return pa != ids.end() && pb != ids.end() && pa > pb;
}

TEST(X11Run, WmoveAndWsizeRaiseTheWindow) {
    Target low, high;
    ASSERT_TRUE(startTarget(low, "orv low", 100, 100, 300, 200));
    ASSERT_TRUE(startTarget(high, "orv high", 120, 120, 300, 200));
    EXPECT_TRUE(waitUntil([&] { return above(high.window, low.window); }));
    std::string err;
    ASSERT_EQ(runMacro("START\nWMOVE 'orv low' 300,300\nEND\n", nullptr, &err), 0) << err;
    EXPECT_TRUE(waitUntil([&] { return above(low.window, high.window); }));
    ASSERT_EQ(runMacro("START\nWSIZE 'orv high' KEEP,KEEP\nEND\n", nullptr, &err), 0) << err;
    EXPECT_TRUE(waitUntil([&] { return above(high.window, low.window); }));
}

TEST(X11Run, GetwposAndGetwsizReadTheOuterRectangle) {
    Target t;
    ASSERT_TRUE(startTarget(t, "orv reader", 210, 220, 330, 240));
    Rect r;
    ASSERT_TRUE(observedOuter(t.window, r));
    std::string out, err;
    ASSERT_EQ(runMacro("DEFINE %x, %y, %w, %h, %u, %v\nSTART\n"
                       "%u = 7\n%v = 8\n"
                       "GETWPOS 'orv reader' %x,%y\nGETWSIZ 'orv reader' %w,%h\n"
                       "GETWPOS 'no such window' %u,%v\nEND\n",
                       &out, &err),
              0)
        << err;
    EXPECT_EQ(varOf(out, "%x"), str(r.left));
    EXPECT_EQ(varOf(out, "%y"), str(r.top));
    EXPECT_EQ(varOf(out, "%w"), str(r.width));
    EXPECT_EQ(varOf(out, "%h"), str(r.height));
    EXPECT_EQ(varOf(out, "%u"), "7");  // no match: unchanged
    EXPECT_EQ(varOf(out, "%v"), "8");
}

TEST(X11Run, ExecuteStartsProgramsAndHandsDocumentsToTheOpener) {
    const std::string dir = suite().dir();
    const std::string prog = dir + "/prog.sh", doc = dir + "/doc.txt", bin = dir + "/bin";
    const std::string progMark = dir + "/prog.mark", openMark = dir + "/open.mark";
    std::ofstream(prog) << "#!/bin/sh\necho \"$# $$\" > '" << progMark << "'\nexec sleep 30\n";
    chmod(prog.c_str(), 0755);
    std::ofstream(doc) << "a document\n";
    mkdir(bin.c_str(), 0755);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\necho \"$1\" >> '" << openMark << "'\n";
    chmod((bin + "/xdg-open").c_str(), 0755);
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
    std::string err;
    // The long-running program does not hold the macro up; a missing path changes nothing.
    // A program with a Japanese name: the CP932 path of the macro reaches the file system as
    // UTF-8.
    const std::string jprog = dir + "/開始プログラム.sh", jMark = dir + "/jprog.mark";
    std::ofstream(jprog) << "#!/bin/sh\necho started > '" << jMark << "'\n";
    chmod(jprog.c_str(), 0755);
    int rc = runMacro("START\nEXECUTE '" + prog + "'\nEXECUTE '" + doc + "'\nEXECUTE '" + dir +
                          "/missing/nothing'\nEXECUTE \"" + jprog + "\"\nEND\n",
                      nullptr, &err);
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_EQ(rc, 0) << err;
    EXPECT_TRUE(waitUntil([&] {
        const auto lines = fileLines(progMark);
        return !lines.empty() && lines[0].compare(0, 2, "0 ") == 0;  // no parameters
    }));
    {
        std::istringstream f(orv::x11test::readFile(progMark));
        std::string count;
        long pid = 0;
        if (f >> count >> pid && pid > 1) kill(static_cast<pid_t>(pid), SIGTERM);
    }
    EXPECT_TRUE(waitUntil([&] {
        const auto lines = fileLines(jMark);
        return !lines.empty() && lines[0] == "started";
    }));
    // Anything that is not an executable file goes to the opener, the missing path too
    // (its failure is the opener's business).
    EXPECT_TRUE(waitUntil([&] {
        std::vector<std::string> got = fileLines(openMark);
        std::sort(got.begin(), got.end());
        return got == std::vector<std::string>{doc, dir + "/missing/nothing"};
    }));
}

TEST(X11Run, WithoutTheDesktopOptionTheDisplayIsUsedWhenItOpens) {
    const std::string path = suite().dir() + "/default.ovm";
    std::ofstream(path, std::ios::binary) << "START\r\nMMOVE 77,88\r\nEND\r\n";
    std::string err;
    ASSERT_EQ(run({ORV_CLI, "run", path, "--interval", "0"}, nullptr, 30000, &err), 0) << err;
    int x = -1, y = -1;
    ASSERT_TRUE(observedPointer(x, y));
    EXPECT_EQ(x, 77);
    EXPECT_EQ(y, 88);
    // The virtual desktop's own options keep the run on the virtual desktop.
    std::string out;
    ASSERT_EQ(run({ORV_CLI, "run", path, "--interval", "0", "--trace"}, &out, 30000, &err), 0)
        << err;
    EXPECT_NE(out.find("move 77 88"), std::string::npos) << out;
    // With no display at all, the virtual desktop is the default.
    std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", ":985", 1);
    int rc = run({ORV_CLI, "run", path, "--interval", "0"}, nullptr, 30000, &err);
    setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(rc, 0) << err;
}

TEST(X11Run, AMissingDisplayIsAClearErrorWithExitStatus2) {
    std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", ":986", 1);
    std::string out, err;
    int rc = runMacro("START\nMMOVE 1,1\nEND\n", &out, &err);
    setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(rc, 2);
    EXPECT_NE(err.find(":986"), std::string::npos) << err;
}

}  // namespace

namespace {

// A run stopped with Ctrl-C while MDOWN L and MTAB hold the left button and TAB: both are
// down during the run and up after it (the desktop stays usable).
TEST(X11Run, AStoppedRunLeavesNoKeyOrButtonHeld) {
    const std::string path = suite().dir() + "/held.ovm";
    std::ofstream(path, std::ios::binary) << "START\r\nMDOWN L\r\nMTAB 1\r\nWAIT 100000\r\nEND\r\n";
    const std::string state =
        "xinput query-state 'Virtual core XTEST pointer' | grep 'button\\[1\\]'; "
        "xinput query-state 'Virtual core XTEST keyboard' | grep 'key\\[23\\]'";
    const std::string script = std::string("'") + ORV_CLI + "' run '" + path +
                               "' --desktop x11 --interval 0 & p=$!; sleep 2; " + state +
                               "; kill -INT $p; wait $p; echo rc=$?; " + state;
    std::string out, err;
    ASSERT_EQ(run({"sh", "-c", script}, &out, 30000, &err), 0) << err;
    std::erase(out, '\t');
    EXPECT_EQ(out, "button[1]=down\nkey[23]=down\nrc=4\nbutton[1]=up\nkey[23]=up\n") << err;
}

}  // namespace
