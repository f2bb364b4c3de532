// orvane-cli debug and syntax, as separate processes in a scratch directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lang/text.h"
#include "tests/cli/cli_fixture.h"

namespace {

using Result = orv::clitest::CliResult;

// Macro texts (CR LF lines); the comments give the 1-based line numbers the tests use.
std::string macro(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
}

const std::string kLoop = macro({
    "DEFINE %i, %n",               // 1
    "START",                       // 2
    "DO (%i < 3)",                 // 3: four rows
    "%i = %i + 1",                 // 4
    "ENDDO",                       // 5
    "SELECT %i",                   // 6: its rows belong to no line ("-")
    "CASE 1", "%n = 1", "EXIT",    // 7, 8, 9
    "CASE 3", "%n = 3", "EXIT",    // 10, 11, 12
    "ENDSELECT",                   // 13
    "IF (%i == 3) AND (%n == 3)",  // 14: six rows
    "%n = 4", "ENDIF", "END",      // 15, 16, 17
});
const std::string kAssign = macro({
    "DEFINE %a, %b, $s",
    "START",
    "%a = 1",
    "%b = 2",
    "$s = 'x y'",
    "END",
});
const std::string kCsv = macro({
    "DEFINE $name",
    "START",
    "OPEN 'items.csv' AS &1",
    "SET $name AS 1 FROM &1",
    "MMOVE 1,2",  // 5
    "READ &1",    // 6
    "MMOVE 3,4",
    "CLOSE &1",
    "END",
});

class DebugCliTest : public orv::clitest::ScratchFolder {
  protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        copyFrom(std::filesystem::path(ORV_TEST_DATA) / "run");
        write("loop.ovm", kLoop);
        write("assign.ovm", kAssign);
        write("csv2.ovm", kCsv);
    }
    Result debug(const std::string& args) {
        return cli("debug " + args + " --desktop virtual --interval 0");
    }
};

// The output in short: "PAUSE 3" as "P3", each "VAR name TAB type TAB value" as " name=value",
// pauses and other lines separated by "|".
std::string brief(const std::string& out) {
    std::string s;
    std::size_t pos = 0;
    while (pos < out.size()) {
        std::size_t eol = out.find('\n', pos);
        if (eol == std::string::npos) eol = out.size();
        std::string line = out.substr(pos, eol - pos);
        pos = eol + 1;
        if (line.rfind("VAR ", 0) == 0) {
            const std::size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
            s += " " + line.substr(4, t1 - 4) + "=" + line.substr(t2 + 1);
            continue;
        }
        if (!s.empty()) s += "|";
        s += line.rfind("PAUSE ", 0) == 0 ? "P" + line.substr(6) : line;
    }
    return s;
}

TEST_F(DebugCliTest, PausesAndActions) {
    const std::string nexts16 =
        "next,next,next,next,next,next,next,next,next,next,next,next,"
        "next,next,next,next";
    struct Case {
        const char* what;
        std::string args;
        std::string want;
    };
    const Case cases[] = {
        {"continue leaves the four rows of the DO line, stops there again on the next pass",
         "loop.ovm --break 3", "P3 %i=0 %n=0|P3 %i=1 %n=0|P3 %i=2 %n=0|P3 %i=3 %n=0"},
        {"six rows on one line stop once", "loop.ovm --break 14", "P14 %i=3 %n=3"},
        {"a line with only \"-\" rows never stops; list order is argument order",
         "loop.ovm --break 11 --break 6", "P11 %i=3 %n=0"},
        {"next over an assignment changes only its variable; then the list is used up",
         "assign.ovm --step --actions next,next --vars",
         "P3 %a=0 %b=0 $s=|P4 %a=1 %b=0 $s=|P5 %a=1 %b=2 $s=|%a=1|%b=2|$s=x y"},
        {"step to the end, over the \"-\" rows between lines 3 and 7",
         "loop.ovm --step --actions " + nexts16 + ",next,stop",
         "P3 %i=0 %n=0|P4 %i=0 %n=0|P5 %i=1 %n=0|P3 %i=1 %n=0|P4 %i=1 %n=0|P5 %i=2 %n=0|"
         "P3 %i=2 %n=0|P4 %i=2 %n=0|P5 %i=3 %n=0|P3 %i=3 %n=0|P7 %i=3 %n=0|P10 %i=3 %n=0|"
         "P11 %i=3 %n=0|P12 %i=3 %n=3|P14 %i=3 %n=3|P15 %i=3 %n=3|P17 %i=3 %n=4"},
        {"a breakpoint inside a step session's continue, and the trace in order",
         "csv2.ovm --step --actions continue --break 6 --trace",
         "P3 $name=|move 1 2|P6 $name=|move 3 4"},
        {"stop debugging: nothing after the pause runs",
         "csv2.ovm --break 6 --actions stop --trace --vars", "move 1 2|P6 $name=|$name="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Result r = debug(c.args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(brief(r.out), c.want);
    }
    // The type column, and UTF-8 like run.
    write("text.ovm", orv::utf8ToCp932Lossy(macro({"DEFINE $t, %n", "START", "$t = 'あ'", "END"})));
    EXPECT_EQ(
        debug("text.ovm --step --actions next").out,
        "PAUSE 3\nVAR $t\t文字\t\nVAR %n\t数値\t0\nPAUSE 4\nVAR $t\t文字\tあ\nVAR %n\t数値\t0\n");
}

TEST_F(DebugCliTest, ValuesStayOnTheirLine) {
    // A CSV file with LF line ends puts a LF into a field; "表" ends in the byte of "\".
    write("lf.csv", "x,a\tb\\c" + orv::sj("表") + "\nnext,z\r\n");
    write("lf.ovm", macro({"DEFINE $s", "START", "OPEN 'lf.csv' AS &1", "SET $s AS 2 FROM &1",
                           "READ &1", "MMOVE 1,2", "CLOSE &1", "END"}));
    Result r = debug("lf.ovm --break 6 --vars");
    EXPECT_EQ(r.code, 0) << r.err;
    const std::string value = "a\\tb\\\\c表\\nnext";
    EXPECT_EQ(r.out, "PAUSE 6\nVAR $s\t文字\t" + value + "\n$s=" + value + "\n");
}

TEST_F(DebugCliTest, ExitCodes) {
    write("comment.ovm", macro({"DEFINE %a", "START", "  @ note", "%a = 1", "END"}));
    struct Case {
        std::string args;
        int code;
        const char* err;  // a part of stderr
    };
    const Case cases[] = {
        {"loop.ovm --actions next,jump", 2, "unknown action 'jump'"},
        {"loop.ovm --actions next,", 2, "unknown action ''"},
        {"loop.ovm --break 0", 2, "--break takes a line number"},
        {"loop.ovm --break 19", 2, "no line 19"},
        {"loop.ovm --break 18", 0, ""},  // the empty line after the last line break
        {"loop.ovm --break 2", 2, "DEFINE/START/END行には設定できません"},
        {"comment.ovm --break 3", 2, "コメント行には設定できません"},
        {"bad.ovm --step", 1, "Line Error"},
        {"error.ovm --step --actions next,next", 3, "error:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        Result r = debug(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    Result r = cli("debug loop.ovm --break");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--break needs a value"), std::string::npos) << r.err;
}

TEST_F(DebugCliTest, SyntaxCatalogue) {
    Result all = cli("syntax");
    EXPECT_EQ(all.code, 0);
    for (const char* part : {"制御文\n", "宣言\n", "ファイル制御\n", "コマンド\n", "関数\n",
                             "  GETLEN\t文字長取得\n", "  label:\tGOTO制御文の飛び先LABEL定義\n"})
        EXPECT_NE(all.out.find(part), std::string::npos) << part;

    Result open = cli("syntax open");
    EXPECT_EQ(open.code, 0);
    EXPECT_EQ(open.out,
              "OPEN (ファイル制御)\nファイルのオープン\n構文:OPEN 'filename' AS &n\n"
              "(filenameはFull Pathで指定、&nはファイル番号)\n");
    EXPECT_EQ(cli("syntax label").out,
              "label: (制御文)\nGOTO制御文の飛び先LABEL定義\n構文:Label名:\n");

    Result unknown = cli("syntax NOPE");
    EXPECT_EQ(unknown.code, 2);
    EXPECT_NE(unknown.err.find("'NOPE'"), std::string::npos);
    EXPECT_EQ(cli("syntax IF DO").code, 2);
}

}  // namespace
