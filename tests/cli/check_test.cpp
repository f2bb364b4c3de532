// orvane-cli check / dump, run as a separate process in a scratch directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "lang/text.h"
#include "tests/cli/cli_fixture.h"

namespace {

using Result = orv::clitest::CliResult;

class CliTest : public orv::clitest::ScratchFolder {
  protected:
    Result run(const std::string& args) { return cli(args); }
};

TEST_F(CliTest, CheckGoodMacro) {
    write("ok.ovm", "DEFINE %a\r\nSTART\r\nWAIT 10\r\nEND\r\n");
    Result r = run("check ok.ovm");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("Compile-Start ok.ovm ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nCompile-End ok.ovm - Error 0 -\n"), std::string::npos) << r.out;
    std::string his = read("comp.his");
    EXPECT_NE(his.find(" \r\nCompile-End ok.ovm - Error 0 -"), std::string::npos);
    EXPECT_EQ(his.back(), '-');  // the end line has no line end
}

TEST_F(CliTest, CheckFailingMacroWritesCp932Log) {
    write("bad.ovm", "START\r\nWAIT\r\n");
    Result r = run("check bad.ovm");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("*2 Line Error(001) オペランドが記述されていません\"WAIT\" \n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("*1 Line Error(038) END制御文が存在しません\n"), std::string::npos);
    EXPECT_NE(r.out.find("Compile-End bad.ovm - Error 2 -"), std::string::npos);
    std::string his = read("comp.his");
    EXPECT_NE(his.find(orv::sj("END制御文が存在しません\r\n")), std::string::npos);
}

TEST_F(CliTest, SizeLimitAndUsageErrors) {
    write("big.ovm", std::string(65536, ' '));
    write("max.ovm", "START\r\nEND\r\n" + std::string(65535 - 12, ' '));
    Result r = run("check big.ovm");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(read("stderr.txt").find("ファイルサイズが大きすぎます"), std::string::npos);
    EXPECT_EQ(run("check max.ovm").code, 0);
    // The largest text as the program saves it (with its zero byte) reads back.
    write("saved.ovm", "START\r\nEND\r\n" + std::string(65535 - 12, ' ') + '\0');
    EXPECT_EQ(run("check saved.ovm").code, 0);
    write("big2.ovm", "START\r\nEND\r\n" + std::string(65535 - 12, ' ') + '\0' + ' ');
    EXPECT_EQ(run("check big2.ovm").code, 2);
    EXPECT_EQ(run("check missing.ovm").code, 2);
    EXPECT_EQ(run("check").code, 2);
    EXPECT_EQ(run("frobnicate x").code, 2);
}

TEST_F(CliTest, ALogThatCannotBeWrittenIsNotReplacedByAnOlderOne) {
    write("bad.ovm", "START\r\nWAIT\r\n");
    ASSERT_EQ(run("check bad.ovm").code, 1);  // comp.his holds bad.ovm's errors
    write("ok.ovm", "START\r\nEND\r\n");
    write("bad2.ovm", "START\r\nFOO\r\nEND\r\n");
    // From here on the folder and comp.his cannot be written.
    std::string asUser;
    if (::geteuid() == 0) {
        asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups";
        std::filesystem::permissions(
            dir_, std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
            std::filesystem::perm_options::add);
    } else {
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
    }
    std::filesystem::permissions(path("comp.his"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    Result ok = cli("check ok.ovm", asUser);
    Result bad = cli("run bad2.ovm --desktop virtual", asUser);
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(ok.code, 0);
    EXPECT_NE(ok.out.find("\nCompile-End ok.ovm - Error 0 -\n"), std::string::npos) << ok.out;
    EXPECT_EQ(ok.out.find("bad.ovm"), std::string::npos) << ok.out;
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("*2 Line Error(027) FOO"), std::string::npos) << bad.err;
    EXPECT_EQ(bad.err.find("WAIT"), std::string::npos) << bad.err;
}

TEST_F(CliTest, TextAfterZeroByteIsIgnored) {
    write("z.ovm", std::string("START\r\nEND\r\n\0garbage that is not a statement", 44));
    EXPECT_EQ(run("check z.ovm").code, 0);
}

TEST_F(CliTest, DumpPrintsTablesInUtf8) {
    write("d.ovm", "DEFINE %a\r\nSTART\r\nL1:\r\nGOTO L1\r\nEND\r\n");
    Result r = run("dump d.ovm");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "*** hVal *** SEQ/Name(0)/種類(1)/値(2)/fileno(3)/field(4)\n"
              "0-%a/2/0//\n"
              "1-L1/5/0//\n"
              "*** hCal *** /左辺(0)/右辺1(1)/右辺1種類(2)/演算子(3)/右辺2(4)/右辺2種類(5)/"
              "BLOCK(6)/LVL(7)/SEQ(8)\n"
              "*** hMacro *** /命令(0)/式1(1)/式1種類(2)/条件(3)/式2(4)/式2条件(5)/飛先(6)/"
              "LineLvl(7)/SEQ(8)/LINENO(9)/MMOVE-WMOVEX指定種類(10)/MMOVE-WMOVEY指定種類(11)\n"
              "11/2/////0/0/0/3/\n"
              "9///////0/1/4/\n");
}

}  // namespace
