// orvane-cli hookreplay and record without a display, and the library's export list.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <sstream>
#include <string>

#include "tests/cli/cli_fixture.h"

namespace {

using orv::clitest::CliResult;
using orv::clitest::runShell;

using HookCli = orv::clitest::ScratchFolder;

TEST_F(HookCli, HookreplayPrintsTheRecordTextAndRunAborts) {
    const std::string events = write("ev.txt",
                                     "# record a chord, a click and Tab\n"
                                     "setrec 1\n"
                                     "key down 17\nkey down 67\nkey up 67\nkey up 17\n"
                                     "mouse ldown 100 200\nmouse lup 100 200\n"
                                     "key down 9\nkey up 9\n"
                                     "run 1\n"
                                     "key down 27 physical\nkey up 27 physical\n"
                                     "key up 27\n"
                                     "key down 27 physical\nkey up 27 physical\n"
                                     "run 0\n"
                                     "stoprect 0 0 50 50\nmouse ldown 10 10\nmouse lup 10 10\n"
                                     "mouse rdown 10 10\nmouse move 20 30\nmouse rup 20 30\n");
    const CliResult r = cli("hookreplay '" + events + "'", "env -u DISPLAY");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "\tKEY CTRL,C\n\tMMOVE 100,200\n\tMCLK L\n\tMTAB 1\nRUNABORT\nRUNABORT\n"
              "\tMMOVE 10,10\n\tMDOWN R\n\tMMOVE 20,30\n\tMUP R\n");
}

TEST_F(HookCli, HookreplayOfAnEmptyListPrintsNothing) {
    const CliResult r = cli("hookreplay '" + write("e.txt", "") + "'");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(HookCli, HookreplayRejectsBadInput) {
    struct Bad {
        std::string args;
        std::string stderrHas;
    };
    const Bad bad[] = {
        {"hookreplay", "usage: orvane-cli hookreplay EVENTS"},
        {"hookreplay a b", "usage: orvane-cli hookreplay EVENTS"},
        {"hookreplay '" + path("missing.txt") + "'", "missing.txt: No such file or directory"},
        {"hookreplay '" + write("bad.txt", "key down 17\nmouse ldown x 1\n") + "'",
         "bad.txt: line 2: expected: mouse"},
    };
    for (const Bad& b : bad) {
        const CliResult r = cli(b.args);
        EXPECT_EQ(r.code, 2) << b.args;
        EXPECT_NE(r.err.find(b.stderrHas), std::string::npos) << r.err;
        EXPECT_EQ((r.out + r.err).find("\tKEY"), std::string::npos)
            << "nothing replayed: " << r.out;
    }
}

TEST_F(HookCli, RecordWithoutADisplayFailsAndWritesNothing) {
    const std::string file = path("rec.ovm");
    const CliResult r = cli("record '" + file + "'", "env -u DISPLAY");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Orvane: Mouse SetWindowsHookEx失敗です"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Orvane: Keybaord SetWindowsHookEx失敗です"), std::string::npos);
    EXPECT_NE(::access(file.c_str(), F_OK), 0);
    EXPECT_EQ(cli("record").code, 2);
}

// The library exports the sixteen names and the three extensions, nothing else, and does
// not depend on Qt.
TEST(HookLibrary, ExportsExactlyItsNames) {
    if (runShell("command -v nm >/dev/null && command -v objdump >/dev/null").code != 0)
        GTEST_SKIP() << "binutils not installed";
    const CliResult r = runShell("nm -D --defined-only '" ORV_HOOK_LIB "'");
    ASSERT_EQ(r.code, 0);
    std::set<std::string> names;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream w(line);
        std::string addr, type, name;
        w >> addr >> type >> name;
        if (type == "T" || type == "D" || type == "B" || type == "W" || type == "V")
            names.insert(name);
    }
    const std::set<std::string> expected = {"SetMainHwnd",
                                            "Recflgset",
                                            "ChkMHook",
                                            "ChkMHook2",
                                            "ChkKHook",
                                            "MsetHook",
                                            "MendHook",
                                            "MsetHook2",
                                            "MendHook2",
                                            "KsetHook",
                                            "KendHook",
                                            "KSetExe",
                                            "CallKeyboardHookProc",
                                            "CallMouseHookProc",
                                            "CallMouseHookProc2",
                                            "SetWinLocProc",
                                            "OrvHookSetDelivery",
                                            "OrvHookNoteInjectedKey",
                                            "OrvHookSetStopRect",
                                            "OrvHookWaitStopped"};
    EXPECT_EQ(names, expected);
    const CliResult needed = runShell("objdump -p '" ORV_HOOK_LIB "' | grep NEEDED");
    EXPECT_EQ(needed.out.find("Qt"), std::string::npos) << needed.out;
}

}  // namespace
