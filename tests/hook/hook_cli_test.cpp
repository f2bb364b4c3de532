// orvane-cli hookreplay and record without a display, and the library's export list.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

struct Result {
    int status = -1;
    std::string out;
};

Result runShell(const std::string& cmd) {
    Result r;
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

class HookCli : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/orv_hookcli_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { runShell("rm -rf '" + dir + "'"); }
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string dir;
};

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
    const Result r = runShell("unset DISPLAY; '" ORV_CLI "' hookreplay '" + events + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "\tKEY CTRL,C\n\tMMOVE 100,200\n\tMCLK L\n\tMTAB 1\nRUNABORT\nRUNABORT\n"
              "\tMMOVE 10,10\n\tMDOWN R\n\tMMOVE 20,30\n\tMUP R\n");
}

TEST_F(HookCli, HookreplayOfAnEmptyListPrintsNothing) {
    const Result r = runShell("'" ORV_CLI "' hookreplay '" + write("e.txt", "") + "'");
    EXPECT_EQ(r.status, 0);
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
        {"hookreplay '" + dir + "/missing.txt'", "missing.txt: No such file or directory"},
        {"hookreplay '" + write("bad.txt", "key down 17\nmouse ldown x 1\n") + "'",
         "bad.txt: line 2: expected: mouse"},
    };
    for (const Bad& b : bad) {
        const Result r = runShell("'" ORV_CLI "' " + b.args + " 2>&1");
        EXPECT_EQ(r.status, 2) << b.args;
        EXPECT_NE(r.out.find(b.stderrHas), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("\tKEY"), std::string::npos) << "nothing replayed: " << r.out;
    }
}

TEST_F(HookCli, RecordWithoutADisplayFailsAndWritesNothing) {
    const std::string file = dir + "/rec.ovm";
    const Result r = runShell("unset DISPLAY; '" ORV_CLI "' record '" + file + "' 2>&1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Orvane: Mouse SetWindowsHookEx失敗です"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Orvane: Keybaord SetWindowsHookEx失敗です"), std::string::npos);
    EXPECT_NE(::access(file.c_str(), F_OK), 0);
    EXPECT_EQ(runShell("'" ORV_CLI "' record 2>&1").status, 2);
}

// The library exports the sixteen names and the three extensions, nothing else, and does
// not depend on Qt.
TEST(HookLibrary, ExportsExactlyItsNames) {
    if (runShell("command -v nm >/dev/null && command -v objdump >/dev/null").status != 0)
        GTEST_SKIP() << "binutils not installed";
    const Result r = runShell("nm -D --defined-only '" ORV_HOOK_LIB "'");
    ASSERT_EQ(r.status, 0);
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
    const Result needed = runShell("objdump -p '" ORV_HOOK_LIB "' | grep NEEDED");
    EXPECT_EQ(needed.out.find("Qt"), std::string::npos) << needed.out;
}

}  // namespace
