// Statement parser and compile driver: errors, rows and block wiring.
#include <gtest/gtest.h>

#include "tests/unit/compile_test_util.h"

using orvtest::Compiled;
using orvtest::compileUtf8;

namespace {

struct ErrorCase {
    const char* name;
    std::string source;
    std::vector<std::string> errors;
};

std::string src(std::initializer_list<const char*> ls) {
    return orvtest::lines(ls);
}

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.name;
}

class ParserErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParserErrors, ReportsExactly) {
    const ErrorCase& c = GetParam();
    Compiled r = compileUtf8(c.source);
    EXPECT_EQ(r.errors, c.errors) << r.log;
    EXPECT_EQ(r.ok, c.errors.empty());
}

const char* E38 = "*1 Line Error(038) END制御文が存在しません";

INSTANTIATE_TEST_SUITE_P(
    Statements, ParserErrors,
    ::testing::Values(
        ErrorCase{"Empty", "", {E38}}, ErrorCase{"Minimal", src({"START", "END"}), {}},
        ErrorCase{"EndWithComment", src({"START", "END @ the end"}), {}},
        ErrorCase{"CommentLineAndBlanks", src({"  @ note", "\t", "START", "END"}), {}},
        ErrorCase{"TwoStatementsOnALine",
                  src({"START", "END DO"}),
                  {"*2 Line Error(002) 同一行に２つの命令語は記述できません"}},
        ErrorCase{"OneErrorPerExtraWord",
                  src({"START END A B", "END"}),
                  {"*1 Line Error(002) 同一行に２つの命令語は記述できません",
                   "*1 Line Error(002) 同一行に２つの命令語は記述できません",
                   "*1 Line Error(002) 同一行に２つの命令語は記述できません"}},
        ErrorCase{"IfWithoutBlankIsNotAStatement",
                  src({"DEFINE %a", "START", "IF(%a > 1)", "ENDIF", "END"}),
                  {"*3 Line Error(027) IF(%a 存在しない命令です",
                   "*4 Line Error(013) このENDIF文に対応するIF制御文が存在しません"}},
        ErrorCase{"TabAfterKeyword",
                  src({"START", "WAIT\t100", "END"}),
                  {"*2 Line Error(027) WAIT\t100 存在しない命令です"}},
        ErrorCase{"LowerCaseKeyword",
                  src({"START", "end"}),
                  {"*2 Line Error(027) end 存在しない命令です", E38}},
        ErrorCase{"BareWaitReportsError1",
                  src({"START", "WAIT", "WAIT   ", "END"}),
                  {"*2 Line Error(001) オペランドが記述されていません\"WAIT\" ",
                   "*3 Line Error(001) オペランドが記述されていません\"WAIT\" "}},
        ErrorCase{"AtAfterOperandsIsNoComment",
                  src({"START", "WAIT 100 @ note", "END"}),
                  {"*2 Line Error(033) WAIT 構文エラー"}},
        ErrorCase{"MmoveOperandForms",
                  src({"START", "MMOVE 1,2", "MMOVE 1 2", "MMOVE 1 , 2", "MMOVE 1", "MMOVE 1,2,3,4",
                       "END"}),
                  {"*4 Line Error(034) MMOVE 構文エラー(パラメタが多すぎます)",
                   "*5 Line Error(036) MMOVE 構文エラー(パラメタが少なすぎます)",
                   "*6 Line Error(034) MMOVE 構文エラー(パラメタが多すぎます)"}},
        ErrorCase{
            "MmoveOperandChecks",
            src({"DEFINE %x, $s", "DEFINE #S 'a'", "DEFINE #N 5", "START", "MMOVE % 1",
                 "MMOVE %y 1", "MMOVE #Z 1", "MMOVE #S 1", "MMOVE 1 $s", "MMOVE 1a 1", "MMOVE + 1",
                 "MMOVE NOW -#N", "MMOVE +%x NOW", "END"}),
            {"*5 Line Error(042) 指定された変数または定数が不正です(MMOVE)",
             "*6 Line Error(020) %y 定義されていません", "*7 Line Error(020) #Z 定義されていません",
             "*8 Line Error(045) 指定された定数は数値タイプではありません(#S)",
             "*9 Line Error(045) 指定された定数は数値タイプではありません($s)",
             "*10 Line Error(035) MMOVE 構文エラー(パラメタ不正)",
             "*11 Line Error(035) MMOVE 構文エラー(パラメタ不正)"}},
        ErrorCase{"DefineTwiceAndListErrors",
                  src({"DEFINE %a, %b, %a", "DEFINE x", "DEFINE $c %d", "START", "END"}),
                  {"*1 Line Error(019) %a 宣言済みの変数です",
                   "*2 Line Error(018) 複数定義はできません"}},
        ErrorCase{
            "ConstantDefinitions",
            src({"DEFINE #A", "DEFINE #B   ", "DEFINE #C 'open", "DEFINE #D 12x", "DEFINE #E x",
                 "DEFINE #F 'ok'", "DEFINE #F 1", "START", "END"}),
            {"*1 Line Error(020) #A 定義されていません", "*2 Line Error(020) #B 定義されていません",
             "*3 Line Error(009) #C 無効な定義文です。", "*4 Line Error(009) #D 無効な定義文です。",
             "*5 Line Error(009) #E 無効な定義文です。",
             "*7 Line Error(019) #F 宣言済みの変数です"}},
        ErrorCase{
            "StartRules",
            src({"WAIT 1", "START", "DEFINE %a", "START", "END"}),
            {"*1 Line Error(004) 無効な命令語です。START制御文が定義されていません。",
             "*3 Line Error(005) 無効なDEFINE文です。この定義文はSTART制御文が定義されるまでに"
             "記述する必要があります。",
             "*4 Line Error(011) このSTART制御文は無効です"}},
        ErrorCase{"LabelsShareTheNameSpace",
                  src({"DEFINE %a", "START", "L1:", "L1:", "%a:", "END"}),
                  {"*4 Line Error(031) L1 宣言済みのラベルです",
                   "*5 Line Error(032) %a 別名で定義済みです"}},
        ErrorCase{"GotoChecks",
                  src({"DEFINE %a", "START", "GOTO %a", "GOTO X Y", "GOTO NOWHERE", "END"}),
                  {"*3 Line Error(020) %a 定義されていません",
                   "*4 Line Error(034) GOTO 構文エラー(パラメタが多すぎます)",
                   "*1 Line Error(020) NOWHERE 定義されていません", E38}},
        ErrorCase{"BlockMismatches",
                  src({"START", "ELSE", "ENDIF", "ENDDO", "ENDSELECT", "EXIT", "CASE 1", "END"}),
                  {"*2 Line Error(012) このELSE文に対応するIF制御文が存在しません",
                   "*3 Line Error(013) このENDIF文に対応するIF制御文が存在しません",
                   "*4 Line Error(014) このENDDO文に対応するDO制御文が存在しません",
                   "*5 Line Error(015) このENDSELECT文に対応するSELECT制御文が存在しません",
                   "*6 Line Error(016) 入れ子が存在しません",
                   "*7 Line Error(008) 対応するSELECT文が定義されていません。"}},
        ErrorCase{"SelectErrors",
                  src({"DEFINE %a, $s", "DEFINE #C 1", "START", "SELECT %b", "SELECT #C",
                       "SELECT %a ", "END"}),
                  {"*4 Line Error(007) %b 定義されていません。",
                   "*5 Line Error(006) 無効な変数です。SELECT文では変数しか指定できません。",
                   "*6 Line Error(007) %a  定義されていません。",
                   "*1 Line Error(037) ENDIF/ENDOD/ENDSELECTいずれかが存在しません"}},
        ErrorCase{"CaseTypeAndValueErrors",
                  src({"DEFINE %a, $s", "START", "SELECT %a", "CASE 'x'", "CASE 1x", "CASE %z",
                       "ENDSELECT", "END"}),
                  {"*4 Line Error(010) 'x' 比較する変数の型が違います",
                   "*5 Line Error(009) 1x 無効な定義文です。",
                   "*6 Line Error(007) %z 定義されていません。"}},
        ErrorCase{"EndselectWithoutCase",
                  src({"DEFINE %a", "START", "SELECT %a", "ENDSELECT", "END"}),
                  {"*4 Line Error(015) このENDSELECT文に対応するSELECT制御文が存在しません",
                   "*1 Line Error(037) ENDIF/ENDOD/ENDSELECTいずれかが存在しません",
                   "*1 Line Error(037) ENDIF/ENDOD/ENDSELECTいずれかが存在しません", E38}},
        ErrorCase{"SelectInSelectModeTwo",
                  src({"DEFINE %a", "START", "SELECT %a", "SELECT %a", "CASE 1", "ENDSELECT",
                       "ENDSELECT", "END"}),
                  {"*4 Line Error(003) 無効な命令語です。対応するCASE文が存在しません。"}},
        ErrorCase{"AssignmentToUndeclared",
                  src({"START", "%x = 1", "$y=2", "END"}),
                  {"*2 Line Error(007) %x 定義されていません。",
                   "*3 Line Error(007) $y 定義されていません。"}},
        ErrorCase{
            "ClickKeyAndWaitChecks",
            src({"DEFINE $s, %n", "DEFINE #S 'x'", "START", "MCLK X", "MCLK L R", "WAIT $s",
                 "WAIT #S", "WAIT %", "MTAB 1 2", "KEY FOO", "KEY 'a' FOO", "KEY $s ENTER",
                 "KEY %q", "KEY 'abc", "KEY a b c d", "CLOSE 1", "READ &1 &2", "END"}),
            {"*4 Line Error(035) MCLK 構文エラー(パラメタ不正)",
             "*5 Line Error(034) MCLK 構文エラー(パラメタが多すぎます)",
             "*6 Line Error(045) 指定された定数は数値タイプではありません(WAIT)",
             "*7 Line Error(045) 指定された定数は数値タイプではありません(#S)",
             "*8 Line Error(042) 指定された変数または定数が不正です(WAIT)",
             "*9 Line Error(033) MTAB 構文エラー",
             "*10 Line Error(035) KEY 構文エラー(パラメタ不正)",
             "*11 Line Error(035) KEY 構文エラー(パラメタ不正)",
             "*12 Line Error(033) KEY 構文エラー", "*13 Line Error(020) %q 定義されていません",
             "*14 Line Error(035) KEY 構文エラー(パラメタ不正)",
             "*15 Line Error(034) KEY 構文エラー(パラメタが多すぎます)",
             "*16 Line Error(035) CLOSE 構文エラー(パラメタ不正)",
             "*17 Line Error(034) READ 構文エラー(パラメタが多すぎます)"}},
        ErrorCase{"QuotedCaptionCommands",
                  src({"START", "FOCUS ''", "FOCUS 'a' 'b'", "DESTROY abc", "EXECUTE \"x",
                       "FOCUS \"it's\"", "END"}),
                  {"*2 Line Error(033) FOCUS 構文エラー",
                   "*3 Line Error(034) FOCUS 構文エラー(パラメタが多すぎます)",
                   "*4 Line Error(030) DESTROY オペランドが必要です",
                   "*5 Line Error(033) EXECUTE 構文エラー"}},
        ErrorCase{"FileCommandOperandCounts",
                  src({"DEFINE $v", "START", "OPEN 'f'", "OPEN 'f' AS", "OPEN 'f' TO &1",
                       "OPEN 'f' AS &1 x", "OPEN 'f' AS &1 x y z", "OPEN f AS &1", "SET $v",
                       "SET $v AS 1 FROM", "SET $v TO 1 FROM &1", "SET $v AS 1 IN &1",
                       "SET $w AS 1 FROM &1", "SET $v AS 1 FROM &1 x", "END"}),
                  {"*3 Line Error(036) OPEN 構文エラー(パラメタが少なすぎます)",
                   "*4 Line Error(033) OPEN 構文エラー", "*5 Line Error(033) OPEN 構文エラー",
                   "*6 Line Error(033) OPEN 構文エラー",
                   "*7 Line Error(034) OPEN 構文エラー(パラメタが多すぎます)",
                   "*8 Line Error(030) OPEN オペランドが必要です",
                   "*9 Line Error(036) SET 構文エラー(パラメタが少なすぎます)",
                   "*10 Line Error(033) SET 構文エラー", "*11 Line Error(033) SET 構文エラー",
                   "*12 Line Error(033) $v 構文エラー", "*13 Line Error(020) $w 定義されていません",
                   "*14 Line Error(034) SET 構文エラー(パラメタが多すぎます)"}},
        ErrorCase{"WindowCommands",
                  src({"DEFINE %x, $s", "START", "WMOVE 'w' 1", "WSIZE 'w' NOW 1",
                       "GETWPOS 'w' %x $s", "GETWSIZ 'w' % %x", "GETMPOS %x", "GETMPOS %x %y",
                       "WMOVE 'w' NOW NOW", "WSIZE 'w' KEEP 0", "END"}),
                  {"*3 Line Error(033) WMOVE 構文エラー",
                   "*4 Line Error(035) WSIZE 構文エラー(パラメタ不正)",
                   "*5 Line Error(046) 数値変数のみ指定可能です($s)",
                   "*6 Line Error(042) 指定された変数または定数が不正です(GETWSIZ)",
                   "*7 Line Error(036) GETMPOS 構文エラー(パラメタが少なすぎます)",
                   "*8 Line Error(020) %y 定義されていません"}}),
    [](const ::testing::TestParamInfo<ErrorCase>& i) { return std::string(i.param.name); });

TEST(Parser, LogLinesAndCount) {
    Compiled r = compileUtf8("");
    EXPECT_EQ(r.log,
              "Compile-Start test.ovm 00:00:00 \r\n"
              "*1 Line Error(038) END制御文が存在しません\r\n"
              "Compile-End test.ovm - Error 1 -");
}

TEST(Parser, RowsOfCommands) {
    Compiled r = compileUtf8(src({"DEFINE %x, %y, $s",
                                  "DEFINE #N 7",
                                  "DEFINE #T 'txt'",
                                  "START",
                                  "MMOVE +10,-%y",
                                  "MMOVE NOW #N",
                                  "MCLK R",
                                  "WAIT %x",
                                  "MTAB #N",
                                  "KEY SFT,F10",
                                  "KEY 'abc' ENTER",
                                  "KEY #T",
                                  "KEY $s",
                                  "FOCUS \"メモ帳\"",
                                  "WMOVE 'w' NOW 0",
                                  "WSIZE 'w' KEEP +5",
                                  "GETMPOS %x,%y",
                                  "GETWSIZ 'w' %x %y",
                                  "OPEN 'a.csv' AS &1",
                                  "SET $s AS 2 FROM &1",
                                  "READ &1",
                                  "CLOSE &1",
                                  "END"}));
    ASSERT_TRUE(r.ok) << r.log;
    std::vector<std::string> want = {
        "17/10/1/2/1/2/6/0/0/4/",     "17/NOW/3/0/7/4/2/0/1/5/",    "18//////R/0/2/6/",
        "22/6/////0/0/3/7/",          "25/2/////7/0/4/8/",          "24/SFT/9/F10///2/0/5/9/",
        "24/abc/8/ENTER///2/0/6/10/", "24/txt/8////1/0/7/11/",      "24/2/6////1/0/8/12/",
        "23//////メモ帳/0/9/13/",     "27/NOW/3/0/0/4/2/0/10/14/w", "32/KEEP/3/0/5/1/2/0/11/15/w",
        "29/0/1/////0/12/16/",        "31/0/1////w/0/13/17/",       "12/&1/////a.csv/0/14/18/",
        "14/2//&1///2/0/15/19/",      "15//////&1/0/16/20/",        "13//////&1/0/17/21/",
        "9///////0/18/22/",
    };
    EXPECT_EQ(r.macro, want);
    EXPECT_EQ(r.vals, (std::vector<std::string>{"%x/2/0//", "%y/2/0//", "$s/1///", "#N/2/7//",
                                                "#T/1/txt//"}));
}

TEST(Parser, ForwardAndBackwardGotos) {
    Compiled r = compileUtf8(src({"START", "GOTO L2", "L1:", "GOTO L1", "L2:", "GOTO L2", "END"}));
    ASSERT_TRUE(r.ok) << r.log;
    EXPECT_EQ(r.macro[0], "11/2/////2/0/0/1/");  // resolved when L2 was defined
    EXPECT_EQ(r.macro[1], "11/2/////1/0/1/3/");
    EXPECT_EQ(r.macro[2], "11/2/////2/0/2/5/");
    EXPECT_EQ(r.vals, (std::vector<std::string>{"L1/5/1//", "L2/5/2//"}));
}

TEST(Parser, ManyLabelsAndGotos) {
    std::string s = "START\r\n";
    for (int i = 0; i < 3000; ++i) s += "GOTO L" + std::to_string(i) + "\r\n";
    for (int i = 0; i < 3000; ++i) s += "L" + std::to_string(i) + ":\r\n";
    s += "END\r\n";
    Compiled r = compileUtf8(s);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.tables.hMacro.cell(2999, orv::mac::go_to), "3000");
    EXPECT_EQ(r.tables.hMacro.cell(0, orv::mac::shiki1), "2");
}

TEST(Parser, SelectCaseRows) {
    Compiled r = compileUtf8(src({"DEFINE %a", "START", "SELECT %a", "CASE 1", "CASE 2", "WAIT 1",
                                  "CASE 3", "EXIT", "ENDSELECT", "END"}));
    ASSERT_TRUE(r.ok) << r.log;
    std::vector<std::string> want = {
        "11/2/////2/1/0/-/",     // A: over B to the first CASE
        "11/2/////10/1/1/-/",    // B: end of the SELECT
        "0/0/6/0/1/2/4/1/2/3/",  // CASE 1 fails: CASE 2
        "11/2/////5/1/3/3/",     // CASE 1 holds: shares CASE 2's body
        "0/0/6/0/2/2/7/1/4/4/",  // CASE 2
        "11/2/////6/1/5/4/",
        "22/2/////1/1/6/5/",      // WAIT 1
        "0/0/6/0/3/2/10/1/7/6/",  // CASE 3 (the last: fails to the end)
        "11/2/////9/1/8/6/",
        "11/2/////1/1/9/7/",  // EXIT: to row B
        "9///////0/10/9/",
    };
    EXPECT_EQ(r.macro, want);
}

TEST(Parser, SoundBehaviourAfterFailedSelect) {
    // An earlier error keeps the SELECT from being recorded; CASE and ENDSELECT must not
    // touch rows that do not exist.
    Compiled r = compileUtf8(src({"DEFINE %a", "START", "FOO", "SELECT %a", "CASE 1", "CASE 2",
                                  "EXIT", "ENDSELECT", "END"}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, (std::vector<std::string>{"*3 Line Error(027) FOO 存在しない命令です"}));
    EXPECT_EQ(r.macro, (std::vector<std::string>{"9///////0/0/8/"}));
}

TEST(Parser, HundredAndFirstBlockIsAnError) {
    std::string s = "DEFINE %a\r\nSTART\r\n";
    for (int i = 0; i < 101; ++i) s += "SELECT %a\r\nCASE 1\r\n";
    for (int i = 0; i < 101; ++i) s += "ENDSELECT\r\n";
    s += "END\r\n";
    Compiled r = compileUtf8(s);
    EXPECT_FALSE(r.ok);
    ASSERT_FALSE(r.errors.empty());
    EXPECT_EQ(r.errors[0], "*203 Line Error(017) 無効な命令語です");
}

TEST(Parser, LongLinesAreCut) {
    std::string s = "START\r\nWAIT " + std::string(2000, '1') + "\r\nEND\r\n";
    Compiled r = compileUtf8(s);
    ASSERT_TRUE(r.ok) << r.log;
    EXPECT_EQ(r.tables.hMacro.cell(0, orv::mac::go_to).size(), 1023u - 5u);
}

TEST(Parser, CutLogLinesKeepTheirLineEnd) {
    Compiled r = compileUtf8(src({"START", ("FOO" + std::string(700, 'X')).c_str(), "END"}));
    ASSERT_EQ(r.errors.size(), 1u) << r.log;
    EXPECT_EQ(r.errors[0].size(), orv::CompileLog::kMaxLine - 2);
    EXPECT_EQ(r.errors[0].rfind("*2 Line Error(027) FOOXXX", 0), 0u);
    EXPECT_EQ(r.log.substr(r.log.find("\r\n") + 2 + r.errors[0].size()),
              "\r\nCompile-End test.ovm - Error 1 -");
}

TEST(Parser, LoneCarriageReturn) {
    // A CR inside a line (not before LF) ends the statement scan.
    Compiled r = compileUtf8("START\r\nEND\r@ x\r\nWAIT \r\n");
    EXPECT_EQ(
        r.errors,
        (std::vector<std::string>{"*3 Line Error(001) オペランドが記述されていません\"WAIT\" "}));
}

}  // namespace

// Temporaries ("!1", "!2" ...) are hVal rows like any other: a name is found at its first
// row, whether that row is a temporary or a label of the same name.
TEST(Parser, TemporaryNamesAreFoundAtTheirFirstRow) {
    Compiled clash = compileUtf8(src({"DEFINE %x, %a", "START", "%x = %a + 1", "!1:", "END"}));
    ASSERT_EQ(clash.errors.size(), 1u) << clash.log;
    EXPECT_NE(clash.errors[0].find("*4 Line Error(032)"), std::string::npos) << clash.log;

    Compiled label = compileUtf8(
        src({"DEFINE %x, %a", "START", "!2:", "%x = %a + 1", "%x = %a * 2 + 1", "GOTO !2", "END"}));
    ASSERT_TRUE(label.ok) << label.log;
    EXPECT_EQ(label.vals[2], "!2/5/0//");  // the label comes first
    EXPECT_EQ(label.vals[4], "!2/2/0//");  // then the temporary of the same name
    EXPECT_EQ(label.macro[label.macro.size() - 2].substr(0, 5), "11/2/")
        << "GOTO resolved to the label";
}
