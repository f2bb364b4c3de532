// The program as a desktop program people keep: `orvane --open` hands files to the running
// program (a stale socket in the way or not), a plain second start still ends silently, and
// after a kill -9 the unsaved texts of two editors come back byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "lang/text.h"
#include "tests/app_x11/app_session.h"

using namespace orv::x11test;

namespace {

int shownFrames(Session& s, const fs::path& dir) {
    const std::string file = (dir / "frames.txt").string();
    s.run("xdotool search --onlyvisible --name '^Orvane$' | wc -l > '" + file + "'");
    return std::atoi(readFile(file).c_str());
}

TEST_F(OrvaneOnX11, OpenHandsTheFilesToTheRunningProgram) {
    const fs::path dir = fs::path(s.dir()) / "open";
    fs::create_directories(dir);
    // A socket file a crashed program left behind.
    writeBytes(dir / ("orvane-" + std::to_string(::getuid()) + "-" + s.display() + ".sock"), "");
    writeBytes(dir / "a.ovm", "START\r\nEND\r\n");
    writeBytes(dir / "b.ovm", "START\r\nEND\r\n");
    pid_t app = startPlaced(s, dir, "");
    ASSERT_TRUE(waitWindow(s, "^Orvane$")) << readFile((dir / "err.txt").string());
    EXPECT_EQ(runOrvane(s, dir, "--open a.ovm b.ovm"), 0);
    // The running program opened both: they lead its recent files.
    EXPECT_TRUE(waitUntil(
        [&] {
            const std::string ini = readFile((dir / "Orvane.ini").string());
            return ini.find("RECFIL1=" + (dir / "b.ovm").string()) != std::string::npos &&
                   ini.find("RECFIL2=" + (dir / "a.ovm").string()) != std::string::npos;
        },
        5000))
        << readFile((dir / "Orvane.ini").string());
    // A plain second start ends at once, with no window of its own.
    EXPECT_EQ(runOrvane(s, dir, ""), 0);
    EXPECT_EQ(shownFrames(s, dir), 1);
    Session::stop(app);
}

TEST_F(OrvaneOnX11, AfterAKillTheUnsavedTextsComeBack) {
    const fs::path dir = fs::path(s.dir()) / "crash";
    fs::create_directories(dir);
    const std::string env =
        "ORVANE_RECOVERY_SECONDS=1 XDG_STATE_HOME='" + (dir / "state").string() + "'";
    const std::string jp = orv::sj("START\r\n@ 日本語のマクロ\r\nEND\r\n");
    writeBytes(dir / "jp.ovm", jp);
    const std::string ini = kFramePlace;
    pid_t app = startOrvane(s, dir, "", "", ini, env);
    ASSERT_TRUE(waitWindow(s, "^Orvane$", true, 10000)) << readFile((dir / "err.txt").string());
    s.run("sleep 1");
    ASSERT_EQ(runOrvane(s, dir, "--open jp.ovm"), 0);
    focusWindow(s, "^Orvane$");
    s.run(
        "xdotool key ctrl+End; xdotool type '@x'; sleep 0.2; xdotool key ctrl+n; sleep 0.3; "
        "xdotool type 'START'; sleep 2.5");
    ::kill(app, SIGKILL);
    Session::wait(app, 5000);

    app = startOrvane(s, dir, "", "", ini, env);
    // The question, then Yes (its default button).
    ASSERT_TRUE(waitUntil([&] { return shownFrames(s, dir) == 2; }, 10000))
        << readFile((dir / "err.txt").string());
    focusWindow(s, "^Orvane$");
    s.run("xdotool key Return; sleep 1");
    // The never-saved one is active: saved through the chooser at "New Macro.ovm".
    focusWindow(s, "^Orvane$");
    s.run("xdotool key ctrl+s; sleep 1.5; xdotool key Return; sleep 1");
    EXPECT_EQ(readFile((dir / "New Macro.ovm").string()), std::string("START\0", 6));
    // The other, through the window list (the toolbox is the first entry): saved to its file.
    s.run("xdotool key alt+v; sleep 0.5; xdotool key 2; sleep 0.5; xdotool key ctrl+s; sleep 1");
    EXPECT_EQ(readFile((dir / "jp.ovm").string()), jp + "@x" + std::string(1, '\0'));
    Session::stop(app);
}

}  // namespace
