// One valid filling of every statement's insertion form and the text it gives (nullptr where
// the test compiles it instead of comparing it), shared by the builder's tests and the
// program's toolbox tests.
#pragma once

#include <vector>

#include "tools/statement_forms.h"

namespace orvtest {

struct StatementSample {
    const char* word;
    orv::tools::FormValues values;
    const char* expected;
};

inline const std::vector<StatementSample>& statementSamples() {
    static const std::vector<StatementSample> samples = {
        {"START", {}, "START\r\n"},
        {"END", {}, "END\r\n"},
        {"label:", {{"name", "L1"}}, "L1:\r\n"},
        {"IF", {{"cond", "(%n > 1) AND ($s == 'a')"}, {"else", "1"}}, nullptr},
        {"DO", {{"cond", "%n < 10"}}, nullptr},
        {"SELECT", {{"var", "%n"}, {"v1", "1"}, {"v2", "#N"}, {"v3", "%x"}}, nullptr},
        {"EXIT", {}, nullptr},
        {"GOTO", {{"label", "L1"}}, "\tGOTO L1\r\n"},
        {"WAIT", {{"src", "1"}, {"const", "N"}}, "\tWAIT #N\r\n"},
        {"DEFINE", {{"kind", "3"}, {"name", "z"}}, "\tDEFINE %z\r\n"},
        {"OPEN", {{"file", "/tmp/x.csv"}, {"num", "1"}}, "\tOPEN '/tmp/x.csv' AS &1\r\n"},
        {"CLOSE", {{"num", "1"}}, "\tCLOSE &1\r\n"},
        {"SET", {{"var", "$s"}, {"num", "1"}}, "\tSET $s AS 1 FROM &1\r\n"},
        {"READ", {{"num", "2"}}, "\tREAD &2\r\n"},
        {"MMOVE",
         {{"xmode", "1"}, {"xsrc", "2"}, {"xvar", "x"}, {"ysrc", "1"}, {"yconst", "#N"}},
         "\tMMOVE +%x,#N\r\n"},
        {"MCLK", {{"button", "2"}}, "\tMCLK R\r\n"},
        {"MDCLK", {}, "\tMDCLK L\r\n"},
        {"MDOWN", {}, "\tMDOWN L\r\n"},
        {"MUP", {}, "\tMUP L\r\n"},
        {"FOCUS", {{"caption", "メモ帳"}}, "\tFOCUS 'メモ帳'\r\n"},
        {"EXECUTE", {{"file", "/usr/bin/xterm"}}, "\tEXECUTE '/usr/bin/xterm'\r\n"},
        {"KEY", {{"src", "2"}, {"text", "Hello"}}, "\tKEY 'Hello'\r\n"},
        {"MTAB", {{"src", "2"}, {"var", "%n"}}, "\tMTAB %n\r\n"},
        {"WMOVE", {{"caption", "W"}, {"xnum", "10"}, {"ymode", "2"}}, "\tWMOVE 'W' 10,NOW\r\n"},
        {"DESTROY", {{"caption", "W"}}, "\tDESTROY 'W'\r\n"},
        {"WSIZE",
         {{"caption", "W"}, {"wmode", "1"}, {"wnum", "5"}, {"hmode", "2"}},
         "\tWSIZE 'W' +5,KEEP\r\n"},
        {"GETTIME",
         {{"result", "$t"}, {"when", "1"}, {"sign", "-"}, {"a", "87600"}, {"b", "1"}, {"c", "2"}},
         "\t$t = GETTIME -87600:1:2\r\n"},
        {"GETDATE", {{"result", "t"}}, "\t$t = GETDATE\r\n"},
        {"GETWEEK",
         {{"result", "n"}, {"when", "1"}, {"a", "100"}, {"b", "1200"}, {"c", "36500"}},
         "\t%n = GETWEEK +100/1200/36500\r\n"},
        {"GETSTR",
         {{"result", "t"}, {"src", "s"}, {"start", "%n"}, {"count", "#N"}},
         "\t$t = GETSTR $s,%n,#N\r\n"},
        {"GETLEN", {{"result", "n"}, {"src", "$s"}}, "\t%n = GETLEN $s\r\n"},
        {"STRSCH",
         {{"result", "n"}, {"src", "s"}, {"stext", "b"}, {"pkind", "1"}, {"pconst", "N"}},
         "\t%n = STRSCH $s,'b',#N\r\n"},
        {"STRADD", {{"result", "t"}, {"s1", "ab"}, {"s2", "#C"}}, "\t$t = STRADD 'ab',#C\r\n"},
        {"GETMPOS", {{"x", "x"}, {"y", "%y"}}, "\tGETMPOS %x,%y\r\n"},
        {"GETWPOS", {{"caption", "W"}, {"x", "x"}, {"y", "y"}}, "\tGETWPOS 'W' %x,%y\r\n"},
        {"GETWSIZ", {{"caption", "W"}, {"x", "w"}, {"y", "h"}}, "\tGETWSIZ 'W' %w,%h\r\n"},
    };
    return samples;
}

}  // namespace orvtest
