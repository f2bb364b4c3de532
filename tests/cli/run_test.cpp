// orvane-cli run, as a separate process in a scratch directory.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_fixture.h"

namespace {

using Result = orv::clitest::CliResult;

class RunCliTest : public orv::clitest::ScratchFolder {
  protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        copyFrom(std::filesystem::path(ORV_TEST_DATA) / "run");
    }
    Result run(const std::string& args) {
        // The virtual desktop unless a test names one.
        std::string desk = args.find("--desktop") == std::string::npos && !args.empty()
                               ? " --desktop virtual"
                               : "";
        // An explicit x11 desktop is tried without a display, so it must be refused.
        std::string env = args.find("--desktop x11") != std::string::npos ? "env -u DISPLAY" : "";
        return cli("run " + args + desk, env);
    }
};

std::string lines(const std::vector<std::string>& v) {
    std::string s;
    for (auto& l : v) s += l + "\n";
    return s;
}

TEST_F(RunCliTest, TraceOfEveryDesktopEffect) {
    Result r =
        run("desktop.ovm --interval 0 --cursor 100,200 --windows windows.txt --trace --vars");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, lines({"move 110 200",
                            "button L down",
                            "button L up",
                            "button R down",
                            "button R up",
                            "button R down",
                            "button R up",
                            "key 17 down",
                            "key 99 down",
                            "key 17 up",
                            "key 99 up",
                            "key 65 down",
                            "key 65 up",
                            "key 49 down",
                            "key 49 up",
                            "key 9 down",
                            "key 9 down",
                            "focus Terminal",
                            "movewin メモ帳 - 無題 10 25",
                            "sizewin メモ帳 - 無題 320 480",
                            "open /usr/bin/xterm",
                            "close Terminal",
                            "sleep 5",
                            "key 9 up",  // the TAB MTAB left down, released at the end
                            "%x=10",
                            "%y=25",
                            "%w=320",
                            "%h=480"}));
    EXPECT_EQ(r.err, "");
    // The compile wrote its log as check does.
    EXPECT_NE(read("comp.his").find("Compile-End desktop.ovm - Error 0 -"), std::string::npos);
}

TEST_F(RunCliTest, CsvRecordsAndVariables) {
    Result r = run("csv.ovm --interval 0 --vars");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, lines({"$name=ぶどう", "%qty=2", "%price=300", "%total=960", "%n=3"}));
}

TEST_F(RunCliTest, FixedClock) {
    Result r = run("dates.ovm --interval 0 --now \"2004-02-28 23:59:58\" --vars");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, lines({"$t=23:59:58", "$d=2004/02/28", "%w=6", "$later=2004/02/29"}));
    EXPECT_EQ(run("dates.ovm --now 2004-02-30").code, 2);
}

TEST_F(RunCliTest, RunTimeErrorsEndTheRunUnlessIgnored) {
    Result r = run("error.ovm --interval 0 --vars");
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "error: 0で除算しました\n");
    EXPECT_EQ(r.out, lines({"%a=0", "%z=0", "%after=0"}));

    r = run("error.ovm --interval 0 --vars --ignore-errors");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, lines({"%a=0", "%z=0", "%after=1"}));
}

TEST_F(RunCliTest, CompileFailureExitsOne) {
    Result r = run("bad.ovm --trace");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(read("comp.his").find("Error 1 -"), std::string::npos);
    EXPECT_NE(r.err.find("*3 Line Error("), std::string::npos) << r.err;
}

TEST_F(RunCliTest, CommandLineErrors) {
    const char* cases[] = {
        "",
        "desktop.ovm --desktop x11",
        "desktop.ovm --desktop wayland",
        "desktop.ovm --interval abc",
        "desktop.ovm --cursor 10",
        "desktop.ovm --windows missing.txt",
        "desktop.ovm --bogus",
        "missing.ovm",
    };
    for (const char* c : cases) {
        Result r = run(c);
        EXPECT_EQ(r.code, 2) << c;
        EXPECT_EQ(r.out, "") << c;
        EXPECT_NE(r.err, "") << c;
    }
    write("badwin.txt", "Caption\t1\t2\n");
    EXPECT_EQ(run("desktop.ovm --windows badwin.txt").code, 2);
}

TEST_F(RunCliTest, IntervalFromTheSettingsFile) {
    // COMTIME 0 from Orvane.ini: a long loop finishes (with the default of 1000 ms it would not).
    write("Orvane.ini", "[SYSTEM]\r\nDMEX1ST=1\r\nCOMTIME=0\r\n");
    write("loop.ovm", "DEFINE %i\r\nSTART\r\nDO (%i < 2000)\r\n%i = %i + 1\r\nENDDO\r\nEND\r\n");
    Result r = run("loop.ovm --vars");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "%i=2000\n");
}

TEST_F(RunCliTest, SigintStopsTheRun) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir_.c_str()) != 0) _exit(100);
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        execl(ORV_CLI, ORV_CLI, "run", "wait.ovm", "--desktop", "virtual", "--interval", "0",
              "--trace", "--vars", static_cast<char*>(nullptr));
        _exit(101);
    }
    close(out[1]);
    std::string got;
    char buf[256];
    while (got.find("sleep 100000\n") == std::string::npos) {
        ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    ASSERT_NE(got.find("sleep 100000\n"), std::string::npos);
    kill(pid, SIGINT);
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0) got.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 4);
    EXPECT_EQ(got, "sleep 100000\n%a=0\n");
}

}  // namespace
