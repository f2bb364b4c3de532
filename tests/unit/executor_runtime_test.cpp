// Conditions, calculations and the built-in functions, run through compiled macros.
#include <gtest/gtest.h>

#include "executor_test_util.h"

using orvtest::Harness;

namespace {

struct CalcCase {
    const char* expr;  // right side of %x =
    const char* want;
};

TEST(ExecutorCalc, ArithmeticWrapsAndTruncates) {
    const CalcCase cases[] = {
        {"7 - 2 * 3", "1"},
        {"(7 - 2) * 3", "15"},
        {"%max + 1", "-2147483648"},
        {"%min - 1", "2147483647"},
        {"%max * 2", "-2"},
        {"%min / %m1", "-2147483648"},
        {"0 - 7 / 2", "-3"},
        {"%m7 / 2", "-3"},
        {"12345678901", "12345678901"},  // a copied literal stays as typed
        {"12345678901 + 0", "-539222987"},
    };
    for (const auto& c : cases) {
        Harness h;
        ASSERT_TRUE(h.run({"DEFINE %x, %max, %min, %m1, %m7", "START", "%max = 2147483647",
                           "%min = 0 - 2147483647 - 1", "%m1 = 0 - 1", "%m7 = 0 - 7",
                           std::string("%x = ") + c.expr, "END"}));
        EXPECT_EQ(h.value("%x"), c.want) << c.expr;
        EXPECT_TRUE(h.host.errors().empty()) << c.expr;
    }
}

TEST(ExecutorCalc, DivisionByZeroIsARunTimeError) {
    Harness h;
    ASSERT_TRUE(
        h.run({"DEFINE %x, %z, %after", "START", "%x = 5", "%x = 10 / %z", "%after = 1", "END"}));
    EXPECT_EQ(h.host.errors(), std::vector<std::string>{"0で除算しました"});
    EXPECT_EQ(h.value("%x"), "5");
    EXPECT_EQ(h.value("%after"), "0");  // the run ended at the error

    Harness g;  // SEXEERR 1: no message, the next row runs
    g.ex.settings().ignoreErrors = true;
    ASSERT_TRUE(g.run({"DEFINE %x, %z, %after", "START", "%x = 10 / %z", "%after = 1", "END"}));
    EXPECT_TRUE(g.host.errors().empty());
    EXPECT_EQ(g.value("%after"), "1");
}

struct CondCase {
    const char* cond;
    bool want;
};

TEST(ExecutorCondition, ComparesByType) {
    const CondCase cases[] = {
        {"(%n == 0)", true},
        {"(%n < 1)", true},
        {"(%n >= 0)", true},
        {"(%n > 0)", false},
        {"(%n <= 0)", true},
        {"(%n <> 0)", false},
        {"($s == 'abc')", true},
        {"($s <> 'abc')", false},
        {"($s == 'ABC')", false},
        {"($s == $t)", false},
        {"(%n == %m)", false},
        {"(%n < %m)", true},
        {"(%m > 2) AND (%m < 4)", true},
        {"(%m > 3) OR ($s == 'abc')", true},
        {"(%m > (2))", true},
        {"(%m > (3))", false},
        {"(%m == (2)) OR (%m > 0)", true},
        {"(%m == (2)) OR (%m > 3)", false},
        {"($s == ('abc')) AND (%m <> (3))", false},
    };
    for (const auto& c : cases) {
        Harness h;
        ASSERT_TRUE(h.run({"DEFINE %n, %m, %r, $s, $t, $num", "START", "$s = 'abc'", "$t = 'abd'",
                           "$num = '12abc'", "%m = 3", std::string("IF ") + c.cond, "%r = 1",
                           "ENDIF", "END"}));
        EXPECT_EQ(h.value("%r"), c.want ? "1" : "0") << c.cond;
    }
}

// Rows the compiler does not write (mixed kinds, == on a file) are built by hand.
using orvtest::addRow;

struct RawCond {
    std::vector<std::string> cells;  // instruct..goto of the conditional row
    const char* want;                // value of row 0 afterwards: "1" when the test held
};

TEST(ExecutorCondition, MixedKindsOnHandBuiltRows) {
    const RawCond cases[] = {
        {{"0", "1", "6", "0", "0", "2", "3"}, "1"},        // text variable vs number: counts as 0
        {{"0", "12", "2", "0", "12abc", "1", "3"}, "1"},   // the first literal sets the type
        {{"0", "12abc", "1", "0", "12", "2", "3"}, "0"},   // ... here text
        {{"0", "1", "6", "0", "x", "1", "3"}, "1"},        // variable vs literal text
        {{"0", "EOF", "10", "0", "EOF", "10", "3"}, "1"},  // EOF against EOF: text equality
        {{"0", "1", "6", "3", "y", "1", "3"}, "0"},        // < on texts never holds
    };
    for (const auto& c : cases) {
        Harness h;
        orvtest::addVal(h.tables, "%r", "2", "0");
        orvtest::addVal(h.tables, "$x", "1", "x");
        addRow(h.tables, c.cells, "0");
        addRow(h.tables, {"11", "2", "", "", "", "", "4"}, "1");
        orvtest::addCopy(h.tables, "0", "1");
        addRow(h.tables, {"11", "2", "", "", "", "", "4"}, "1");  // row 2 unused
        addRow(h.tables, {"34", "", "", "", "", "", "0"}, "2");
        addRow(h.tables, {"9"}, "3");
        // The test holds: row 1 jumps to 4 (END) leaving %r; fails: goto 3 sets %r.
        h.ex.compiled(1);
        ASSERT_TRUE(h.start(orv::MODE_RUN));
        EXPECT_EQ(h.value("%r"), std::string(c.want) == "1" ? "0" : "1") << c.cells[1];
    }
}

TEST(ExecutorCondition, EqualsOnAFileIsRefusedEvenWhenErrorsAreIgnored) {
    orvtest::TempFile f("1\r\n");
    Harness h;
    h.ex.settings().ignoreErrors = true;
    addRow(h.tables, {"12", "&1", "", "", "", "", f.path}, "0");
    addRow(h.tables, {"0", "&1", "7", "0", "EOF", "10", "3"}, "1");
    addRow(h.tables, {"9"}, "2");
    addRow(h.tables, {"9"}, "3");
    h.ex.compiled(1);
    ASSERT_TRUE(h.start(orv::MODE_RUN));
    EXPECT_EQ(h.host.errors(), std::vector<std::string>{"==演算子は使用できません"});
    EXPECT_EQ(h.ex.files().openCount(), 0);
}

TEST(ExecutorCondition, SelectFallsThroughCases) {
    Harness h;
    ASSERT_TRUE(h.run({"DEFINE %v, %a, %b, %c", "START", "%v = 2", "SELECT %v", "CASE 1", "%a = 1",
                       "CASE 2", "%b = 1", "CASE 3", "%c = 1", "ENDSELECT", "END"}));
    EXPECT_EQ(h.value("%a"), "0");
    EXPECT_EQ(h.value("%b"), "1");
    EXPECT_EQ(h.value("%c"), "0");
}

TEST(ExecutorFunctions, Results) {
    // Up to two lines that set $b, $s or %n, the function's line, the variable and its value.
    const struct {
        const char* set1;
        const char* set2;
        const char* call;
        const char* var;
        const char* want;
    } cases[] = {
        {"", "", "$r = GETTIME", "$r", "23:30:00"},
        {"", "", "$r = GETTIME +01:00:00", "$r", "00:30:00"},
        {"$b = '00:00:00'", "", "$r = GETTIME -00:00:01 $b", "$r", "23:59:59"},
        {"$b = '1:2:3'", "", "$r = GETTIME +0:0:0 $b", "$r", "01:02:03"},
        {"$b = '10:00:00'", "", "$r = GETTIME +0:0:3725 $b", "$r", "11:02:05"},
        {"", "", "$r = GETDATE", "$r", "2005/03/01"},
        {"", "", "$r = GETDATE -0000/00/01", "$r", "2005/02/28"},
        {"$b = '2004/02/28'", "", "$r = GETDATE +0000/00/01 $b", "$r", "2004/02/29"},
        {"$b = '2005/12/31'", "", "$r = GETDATE +0000/00/01 $b", "$r", "2006/01/01"},
        {"$b = '2005/01/31'", "", "$r = GETDATE +0000/01/00 $b", "$r", "2005/02/31"},
        {"$b = '2005/01/15'", "", "$r = GETDATE -0001/13/00 $b", "$r", "2002/12/15"},
        {"$b = '2000/01/01'", "", "$r = GETDATE +0000/00/36500 $b", "$r", "2099/12/07"},
        {"$b = '2105/12/31'", "", "$r = GETDATE +0001/00/00 $b", "$r", "2106/12/31"},
        {"$b = '2005/01/01'", "", "%n = GETWEEK +0000/00/00 $b", "%n", "6"},
        {"", "", "%n = GETWEEK", "%n", "2"},
        {"$s = 'ABCDE'", "", "$r = GETSTR $s,2,3", "$r", "BCD"},
        {"$s = 'ABCDE'", "", "$r = GETSTR $s,5,3", "$r", "E"},
        {"$s = 'ABCDE'", "", "$r = GETSTR $s,6,1", "$r", ""},
        {"$s = 'ABCDE'", "", "$r = GETSTR $s,0,2", "$r", "AB"},
        {"$s = 'ABCDE'", "", "$r = GETSTR $s,2,0", "$r", ""},
        {"$s = 'ABCDE'", "%n = 0 - 3", "$r = GETSTR $s,%n,2", "$r", "AB"},
        {"$s = 'ABCDE'", "%n = 0 - 3", "$r = GETSTR $s,1,%n", "$r", ""},
        {"$s = 'ABCABC'", "", "%n = STRSCH $s,'C',4", "%n", "6"},
        {"$s = 'ABCABC'", "", "%n = STRSCH $s,'X',1", "%n", "0"},
        {"$s = 'ABCABC'", "", "%n = STRSCH $s,'A',0", "%n", "1"},
        {"$s = 'ABC'", "", "%n = STRSCH $s,'C',4", "%n", "0"},
        {"$s = 'あいう'", "", "%n = GETLEN $s", "%n", "6"},
        {"$s = 'あいう'", "", "%n = STRSCH $s,'う',1", "%n", "5"},
        {"$s = 'ab'", "", "$r = STRADD $s,'cd'", "$r", "abcd"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> body;
        for (const char* line : {c.set1, c.set2, c.call})
            if (*line) body.push_back(line);
        Harness h;
        ASSERT_TRUE(h.runBody("$r, $b, $s, %n", body));
        EXPECT_EQ(h.value(c.var), c.want) << c.call;
        EXPECT_TRUE(h.host.errors().empty()) << c.call;
    }
}

TEST(ExecutorFunctions, LongTextsAreWholeAndCutAtTheCellLimit) {
    Harness h;
    std::string a(600, 'a'), b(600, 'b');
    ASSERT_TRUE(
        h.run({"DEFINE $r, $s, %n, %p", "START", "$s = '" + a + "'", "$s = STRADD $s,'" + b + "'",
               "%n = GETLEN $s", "%p = STRSCH $s,'b',1", "$r = GETSTR $s,1020,10", "END"}));
    EXPECT_EQ(h.value("%n"), "1023");
    EXPECT_EQ(h.value("%p"), "601");
    EXPECT_EQ(h.value("$r"), "bbbb");
}

struct ErrCase {
    std::vector<std::string> body;
    const char* message;
};

TEST(ExecutorFunctions, BadBaseValuesAreRunTimeErrors) {
    const ErrCase cases[] = {
        {{"$b = '24:00:00'", "$r = GETTIME +00:00:00 $b"},
         "指定の変数内容の時間フォーマットが不正です[hh:mm:ss]($b-24:00:00)"},
        {{"$b = '1:2'", "$r = GETTIME +00:00:00 $b"},
         "指定の変数内容の時間フォーマットが不正です[hh:mm:ss]($b-1:2)"},
        {{"$b = '2005/1/1'", "$r = GETDATE +0000/00/00 $b"},
         "指定の変数内容の日付フォーマットが不正です[yyyy/mm/dd]($b-2005/1/1)"},
        {{"$b = '2005-01-01'", "$r = GETDATE +0000/00/00 $b"},
         "指定の変数内容の日付フォーマットが不正です[yyyy/mm/dd($b-2005-01-01)"},
        {{"$b = '2005//0101'", "$r = GETDATE +0000/00/00 $b"},
         "指定の変数内容の日付フォーマットが不正です[yyyy/mm/dd]($b-2005//0101)"},
        {{"$b = '1899/12/31'", "$r = GETDATE +0000/00/00 $b"},
         "指定の変数内容は存在しない日付あるいはサポート外の日付です,"
         "1900～2105年までしかサポートされ"
         "ません(1899/12/31)"},
        {{"$b = '2106/01/01'", "%n = GETWEEK +0000/00/00 $b"},
         "指定の変数内容は存在しない日付あるいはサポート外の日付です,"
         "1900～2105年までしかサポートされ"
         "ません(2106/01/01)"},
        {{"$b = '2005/02/29'", "$r = GETDATE +0000/00/00 $b"},
         "指定の変数内容は存在しない日付あるいはサポート外の日付です,"
         "1900～2105年までしかサポートされ"
         "ません(2005/02/29)"},
    };
    for (const auto& c : cases) {
        Harness h;
        ASSERT_TRUE(h.runBody("$r, $b, %n", c.body));
        EXPECT_EQ(h.host.errors(), std::vector<std::string>{c.message}) << c.body[0];
    }
}

TEST(ExecutorFunctions, UnreadableClockIsAnError) {
    struct NoClock : orv::Clock {
        bool now(orv::LocalTime&) override { return false; }
    } noClock;
    orv::Tables tables;
    orv::VirtualDesktop desk;
    orvtest::FakeRunHost host;
    orv::Executor ex(tables, desk, noClock, host);
    ex.settings().comTime = 0;
    ASSERT_TRUE(orv::compileText(tables, orv::sj("DEFINE $r\r\nSTART\r\n$r = GETDATE\r\nEND\r\n")));
    ex.compiled(1);
    ASSERT_TRUE(ex.startRun(1));
    host.waitEnd(1);
    ex.join();
    EXPECT_EQ(host.errors(), std::vector<std::string>{"システム日付が不正です"});
}

}  // namespace
