// The desktop program on a real X display: a macro given on the command line acts on a test
// target and the program ends by itself; a second instance ends at once; the frame position
// survives a restart.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "lang/text.h"
#include "tests/x11/harness.h"

namespace fs = std::filesystem;
using namespace orv::x11test;

namespace {

void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary);
    f << bytes;
}

int count(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

TEST(OrvaneOnX11, CommandLineMacroActsAndTheProgramEnds) {
    Session s;
    std::string why;
    if (!s.start(why)) GTEST_SKIP() << why;
    Target t;
    ASSERT_TRUE(s.startTarget("テスト対象", 300, 300, 300, 200, t));

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

}  // namespace
