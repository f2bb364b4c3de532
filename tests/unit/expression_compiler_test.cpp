// Assignments and built-in function calls: hCal rows, temporaries, hMacro rows, error lines,
// and the order of hCal across many statements.
#include "compiler/expression_compiler.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compiler/compile_log.h"
#include "lang/debug_out.h"
#include "lang/text.h"

namespace orv {
namespace {

// hVal as a DEFINE block would leave it: %a %b %c $s #STR #NUM %x $t (rows 0 to 7), so the
// first temporary lands on row 8.
class ExprTest : public ::testing::Test {
  protected:
    static constexpr int kLine0 = 4;  // reported as line 5
    static constexpr int kLevel = 2;

    void SetUp() override { reset(); }
    // Empty tables, a fresh log and context, and the DEFINE rows.
    void reset() {
        t_.clear();
        path_ = ::testing::TempDir() + "expr_" + std::to_string(::getpid()) + ".his";
        log_.open(path_, "m.ovm", {});
        cx_ = std::make_unique<CompileContext>(t_, log_);
        for (const char* n : {"%a", "%b", "%c"}) cx_->addVal(n, kTypeNumber, "0");
        cx_->addVal("$s", kTypeString, "");
        cx_->addVal("#STR", kTypeString, "abc");
        cx_->addVal("#NUM", kTypeNumber, "42");
        cx_->addVal("%x", kTypeNumber, "0");
        cx_->addVal("$t", kTypeString, "");
    }
    void TearDown() override {
        log_.close();
        ::unlink(path_.c_str());
    }

    // Compiles one line "<target> ...": the target word ends at a blank or "=".
    AssignResult run(const std::string& stmt, int temp = 1, int block = 0) {
        std::size_t end = stmt.find_first_of(" \t=");
        if (end == std::string::npos) end = stmt.size();
        int target = cx_->findName(stmt.substr(0, end));
        return compileAssignment(*cx_, stmt, end, target, kLine0, kLevel, temp, block);
    }
    // Error lines written so far (the log without its start line).
    std::string errors() const {
        const std::string& s = log_.text();
        return s.substr(s.find("\r\n") + 2);
    }
    static std::string row(const RowTable& t, int r, int from = 0, int to = -1) {
        std::string s;
        if (to < 0) to = t.columns();
        for (int c = from; c < to; ++c) s += (c > from ? "|" : "") + t.cell(r, c);
        return s;
    }
    static std::vector<std::string> rows(const RowTable& t, int first = 0) {
        std::vector<std::string> v;
        for (int r = first; r < t.rowCount(); ++r) v.push_back(row(t, r));
        return v;
    }

    Tables t_;
    CompileLog log_{nullptr};
    std::unique_ptr<CompileContext> cx_;
    std::string path_;
};

// --- arithmetic and copy assignments -------------------------------------------------------

struct CalcCase {
    const char* stmt;
    std::vector<std::string> hCal;   // all cells, in table order
    std::vector<std::string> temps;  // hVal rows appended
};

TEST_F(ExprTest, CalculationRows) {
    const std::vector<std::string> t1 = {"!1|2|0||"}, t2 = {"!1|2|0||", "!2|2|0||"},
                                   t3 = {"!1|2|0||", "!2|2|0||", "!3|2|0||"};
    const CalcCase cases[] = {
        {"%x = 5", {"6|5|2|=|||0|0|0"}, {}},
        {"%x = %a", {"6|0|6|=|||0|0|0"}, {}},
        {"%x = ((5))", {"6|5|2|=|||0|0|0"}, {}},
        {"%x = 12345678901", {"6|12345678901|2|=|||0|0|0"}, {}},
        {"%x = #NUM", {"6|42|2|=|||0|0|0"}, {}},
        {"%x = 5 \r\n", {"6|5|2|=|||0|0|0"}, {}},
        {"%x = %a * %b + %c", {"8|0|6|9|1|6|0|1|0", "9|8|6|6|2|6|0|0|1", "6|9|6|=|||0|0|2"}, t2},
        {"%x = %a + %b * %c", {"8|1|6|9|2|6|0|1|1", "9|0|6|6|8|6|0|0|0", "6|9|6|=|||0|0|2"}, t2},
        {"%x = %a * %b * %c", {"8|0|6|9|1|6|0|1|0", "9|8|6|9|2|6|0|0|1", "6|9|6|=|||0|0|2"}, t2},
        {"%x = %a * %b / %c", {"8|0|6|9|1|6|0|1|0", "9|8|6|8|2|6|0|0|1", "6|9|6|=|||0|0|2"}, t2},
        {"%x = %a - %b * %c - 1",
         {"8|1|6|9|2|6|0|2|1", "9|0|6|7|8|6|0|1|0", "10|9|6|7|1|2|0|0|2", "6|10|6|=|||0|0|3"},
         t3},
        {"%x = (%a + %b) * (%c - 1)",
         {"8|0|6|6|1|6|0|1|0", "9|2|6|7|1|2|0|1|2", "10|8|6|9|9|6|0|0|1", "6|10|6|=|||0|0|3"},
         t3},
        {"%x = (%a + 1)", {"8|0|6|6|1|2|0|0|0", "6|8|6|=|||0|0|1"}, t1},
        {"%x=%a+1", {"8|0|6|6|1|2|0|0|0", "6|8|6|=|||0|0|1"}, t1},
        {"%x\t=\t%a\t+\t1", {"8|0|6|6|1|2|0|0|0", "6|8|6|=|||0|0|1"}, t1},
        {"%x = #NUM * 2", {"8|42|2|9|2|2|0|0|0", "6|8|6|=|||0|0|1"}, t1},
        {"%x = 1 / 0", {"8|1|2|8|0|2|0|0|0", "6|8|6|=|||0|0|1"}, t1},
        {"$t = 'abc'", {"7|abc|2|=|||0|0|0"}, {}},
        {"$t = ''", {"7||2|=|||0|0|0"}, {}},
        {"$t = #STR", {"7|abc|2|=|||0|0|0"}, {}},
        {"$t=$s", {"7|3|6|=|||0|0|0"}, {}},
    };
    for (const CalcCase& c : cases) {
        SCOPED_TRACE(c.stmt);
        reset();
        AssignResult res = run(c.stmt);
        EXPECT_EQ(res.nextTemp, 1 + static_cast<int>(c.temps.size()));
        EXPECT_FALSE(res.isFunction);
        EXPECT_EQ(rows(t_.hCal), c.hCal);
        EXPECT_EQ(rows(t_.hVal, 8), c.temps);
        ASSERT_EQ(t_.hMacro.rowCount(), 1);
        EXPECT_EQ(row(t_.hMacro, 0), "34||||||0|2|0|4|");
        EXPECT_EQ(errors(), "");
    }
}

TEST_F(ExprTest, LaterStatementContinuesCountersAndPointsAtItsFirstRow) {
    ASSERT_EQ(run("%x = %a + 1", 1, 0).nextTemp, 2);
    AssignResult res = run("%x = (%a + 1) * 2", 2, 1);
    EXPECT_EQ(res.nextTemp, 4);
    EXPECT_EQ(rows(t_.hVal, 8), (std::vector<std::string>{"!1|2|0||", "!2|2|0||", "!3|2|0||"}));
    EXPECT_EQ(rows(t_.hCal, 2), (std::vector<std::string>{"9|0|6|6|1|2|1|1|0", "10|9|6|9|2|2|1|0|1",
                                                          "6|10|6|=|||1|0|2"}));
    EXPECT_EQ(row(t_.hMacro, 1), "34||||||2|2|1|4|");
    // Tags are the indices at append time, so they stay unique after sorting.
    std::vector<int> tags;
    for (int r = 0; r < t_.hCal.rowCount(); ++r) tags.push_back(t_.hCal.tag(r));
    std::sort(tags.begin(), tags.end());
    EXPECT_EQ(tags, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(ExprTest, OperationTableGoesToTheDebugChannel) {
    std::vector<std::string> lines;
    dbg::setSink([&](std::string_view l) { lines.emplace_back(l); });
    run("%x = %a * %b + %c");
    run("$t = GETTIME");
    dbg::setSink({});
    EXPECT_EQ(lines,
              (std::vector<std::string>{sj("/LVL/演算子/左辺/右辺/Reslt \r\n"), "1/9/%a/%b/!1 \r\n",
                                        "0/6/!1/%c/!2 \r\n", "0/=/!2//%x \r\n"}));
}

// --- errors ---------------------------------------------------------------------------------

struct ErrCase {
    const char* stmt;
    int no;
    std::string text;
};

TEST_F(ExprTest, ErrorsWriteOneLineAndNoRows) {
    const ErrCase cases[] = {
        {"%x", 28, ""},
        {"%x 5", 28, ""},
        {"%x == 5", 28, ""},
        {"%x =", 28, ""},
        {"%x = -1", 28, ""},
        {"%x = %a +", 28, ""},
        {"%x = %a %b", 28, ""},
        {"%x = %a * / %b", 28, ""},
        {"%x = (%a + 1", 28, ""},
        {"%x = %a + 1)", 28, ""},
        {"%x = ()", 28, ""},
        {"%x = 1 (2)", 28, ""},
        {"%x = 1.5", 28, "1.5"},
        {"%x = 1 + GETLEN $s", 28, ""},
        {"%x = (GETLEN $s)", 28, ""},
        {"%x = ?", 28, "?"},
        {"%x = !1 + 1", 28, "!1"},
        {"$t = FOO 1", 28, "FOO"},
        {"$t = GETTIMEX", 28, "GETTIMEX"},
        {"$t = 'abc", 28, ""},
        {"%x = %nope +", 28, ""},  // the expression's shape is checked before its names
        {"%x = 'a'", 21, ""},
        {"%x = $s", 21, ""},
        {"%x = 1 + #STR", 21, ""},
        {"$t = 5", 21, ""},
        {"$t = %a", 21, ""},
        {"$t = #NUM", 21, ""},
        {"$t = 'a' + 'b'", 21, ""},
        {"$t = ($s)", 21, ""},
        {"%x = %nope + 1", 7, "%nope"},
        {"%x = 1 * #NOPE", 7, "#NOPE"},
        {"$t = $nope", 7, "$nope"},
        {"%x = GETTIME", 41, "%x"},
        {"$t = GETWEEK", 41, "$t"},
        {"$t = GETLEN $s", 41, "$t"},
        {"%x = STRADD 'a','b'", 41, "%x"},
    };
    for (const ErrCase& c : cases) {
        SCOPED_TRACE(c.stmt);
        reset();
        EXPECT_EQ(run(c.stmt).nextTemp, -1);
        EXPECT_EQ(errors(), CompileLog::format(kLine0, c.no, c.text, "", 0));
        EXPECT_EQ(t_.hVal.rowCount(), 8);
        EXPECT_EQ(t_.hCal.rowCount(), 0);
        EXPECT_EQ(t_.hMacro.rowCount(), 0);
        EXPECT_TRUE(cx_->errorFlag);
    }
}

TEST_F(ExprTest, ErrorLinesAreExact) {
    run("%x = ?");
    run("%x = GETTIME");
    run("$t = GETTIME +00000000001:0:0");
    run("$t = GETTIME +0:0:315360001");
    EXPECT_EQ(errors(), sj("*5 Line Error(028) 不正な代入式です-?\r\n"
                           "*5 Line Error(041) 左辺で指定する変数のタイプが不正です(%x)\r\n"
                           "*5 Line Error(040) パラメタで指定した値が不正です("
                           " +00000000001:0:0(hhは10桁以内)\r\n)\r\n"
                           "*5 Line Error(040) パラメタで指定した値が不正です("
                           " +0:0:315360001-315360001(ss<=315360000)\r\n)\r\n"));
}

TEST_F(ExprTest, TargetThatIsNotAVariableIsRefused) {
    int label = cx_->addVal("$lbl", kTypeLabel, "0");
    AssignResult res = compileAssignment(*cx_, "$lbl = 'a'", 4, label, kLine0, 0, 1, 0);
    EXPECT_EQ(res.nextTemp, -1);
    EXPECT_EQ(errors(), CompileLog::format(kLine0, 41, "$lbl", "", 0));
}

TEST_F(ExprTest, PathologicalInputStaysBounded) {
    std::string deep = "%x = " + std::string(20000, '(') + "1" + std::string(20000, ')');
    EXPECT_EQ(run(deep).nextTemp, 1);
    std::string chain = "%x = 1";
    for (int i = 0; i < 3000; ++i) chain += i % 2 ? "*2" : "-1";
    EXPECT_EQ(run(chain, 1, 1).nextTemp, 3001);
    EXPECT_EQ(run("%x = " + std::string(20000, '(') + "1", 1, 2).nextTemp, -1);
}

// --- functions ------------------------------------------------------------------------------

struct FnCase {
    const char* stmt;
    const char* cells;  // instruct to goto
};

TEST_F(ExprTest, FunctionRows) {
    const FnCase cases[] = {
        {"$t = GETTIME", "35|7|||||"},
        {"$t = GETTIME   ", "35|7|||||"},
        {"$t = GETTIME -10:20:30 $s", "35|7|-|10|20|30|3"},
        {"$t = GETTIME+1:0:0", "35|7|+|1|0|0|"},
        {"$t = GETTIME +87600:00:00", "35|7|+|87600|00|00|"},
        {"$t = GETTIME +0:5256001:0", "35|7|+|0|5256001|0|"},
        {"$t = GETTIME +0:52256000:315360000  \r\n", "35|7|+|0|52256000|315360000|"},
        {"$t = GETTIME +0000000001:0:0", "35|7|+|0000000001|0|0|"},
        {"$t = GETDATE +0001/02/03", "36|7|+|0001|02|03|"},
        {"$t = GETDATE -100/1200/36500\t$s ", "36|7|-|100|1200|36500|3"},
        {"%x = GETWEEK", "37|6|||||"},
        {"%x = GETWEEK -0/0/1 $s", "37|6|-|0|0|1|3"},
        {"$t = GETSTR $s,12345678901,2", "38|7|3|-539222987|2|2|2"},
        {"$t = GETSTR$s,%a,#NUM", "38|7|3|0|6|42|2"},
        {"$t = GETSTR $s, 1 ,\t2 ", "38|7|3|1|2|2|2"},
        {"%x = GETLEN $s", "39|6|3||||"},
        {"%x = GETLEN   $s  ", "39|6|3||||"},
        {"%x = STRSCH $s,'C',4", "40|6|3|C|1|4|2"},
        {"%x = STRSCH $s,$s,%a", "40|6|3|3|6|0|6"},
        {"%x = STRSCH $s,#STR,#NUM", "40|6|3|abc|1|42|2"},
        {"$t = STRADD #STR,'x'", "41|7|abc|1|x|1|"},
        {"$t = STRADD $s,''", "41|7|3|6||1|"},
        {"$t = STRADD 'a b' , 'c' ", "41|7|a b|1|c|1|"},
    };
    for (const FnCase& c : cases) {
        SCOPED_TRACE(c.stmt);
        reset();
        AssignResult res = run(c.stmt, 5, 3);
        EXPECT_EQ(res.nextTemp, 5);
        EXPECT_TRUE(res.isFunction);
        ASSERT_EQ(t_.hMacro.rowCount(), 1);
        EXPECT_EQ(row(t_.hMacro, 0, 0, mac::LineLvl), c.cells);
        EXPECT_EQ(row(t_.hMacro, 0, mac::LineLvl), "2|0|4|");
        EXPECT_EQ(t_.hCal.rowCount(), 0);
        EXPECT_EQ(t_.hVal.rowCount(), 8);
        EXPECT_EQ(errors(), "");
    }
}

TEST_F(ExprTest, FunctionArgumentErrors) {
    // Offsets over a limit or longer than ten digits (error 40, limits on the full value, texts
    // with and without a base): the statement, the offset as reported and the rule it breaks.
    const char* const offsets[][3] = {
        {"$t = GETTIME +87601:00:00", " +87601:00:00-", "(hh<=87600)"},
        {"$t = GETTIME +4294967297:0:0", " +4294967297:0:0-", "(hh<=87600)"},
        {"$t = GETTIME +0:52256001:0", " +0:52256001:0-", "(mm<=52256000)"},
        {"$t = GETTIME +0:0:315360001 $s", " +0:0:315360001 $s-315360001", "(ss<=315360000)"},
        {"$t = GETTIME +00000000001:0:0 $s", " +00000000001:0:0 $s", "(hhは10桁以内)"},
        {"$t = GETTIME +0:00000000001:0", " +0:00000000001:0", "(mmは10桁以内)"},
        {"$t = GETTIME +0:0:00000000001", " +0:0:00000000001", "(ssは10桁以内)"},
        {"$t = GETTIME +0:0:00000000001 $s", " +0:0:00000000001 $s", "(ss<は10桁以内)"},
        {"$t = GETTIME +87601:0:00000000001", " +87601:0:00000000001-", "(hh<=87600)"},
        {"$t = GETDATE +101/0/0", " +101/0/0-", "(yyyy<=100)"},
        {"$t = GETDATE +0/1201/0 $s", " +0/1201/0 $s-", "(mm<=1200)"},
        {"%x = GETWEEK +0/0/036501", " +0/0/036501-036501", "(dd<=36500)"},
        {"$t = GETDATE +00000000001/0/0", " +00000000001/0/0", "(hhは10桁以内)"},
        {"$t = GETDATE +0/00000000001/0 $s", " +0/00000000001/0 $s", "(mmは10桁以内)"},
        {"$t = GETDATE +0/0/00000000001", " +0/0/00000000001", "(ddは10桁以内)"},
        {"%x = GETWEEK +0/0/00000000001 $s", " +0/0/00000000001 $s", "(dd<は10桁以内)"},
    };
    std::vector<ErrCase> cases;
    for (const auto& o : offsets)
        cases.push_back({o[0], 40, sj(std::string(o[1]) + o[2] + "\r\n")});
    const ErrCase others[] = {
        // offsets: syntax
        {"$t = GETTIME +1:2", 35, " +1:2"},
        {"$t = GETTIME +1::3", 35, " +1::3"},
        {"$t = GETTIME +1:2:3:4", 35, " +1:2:3:4"},
        {"$t = GETTIME + 1:2:3", 35, " + 1:2:3"},
        {"$t = GETTIME +1:-2:3", 35, " +1:-2:3"},
        {"$t = GETTIME +1:2:3 %a", 35, " +1:2:3 %a"},
        {"$t = GETTIME +1:2:3 $s x", 35, " +1:2:3 $s x"},
        {"$t = GETTIME 1:2:3", 35, " 1:2:3"},
        {"$t = GETTIME +1a:2:3", 40, " +1a:2:3"},
        {"$t = GETTIME +1/2/3", 40, " +1/2/3"},
        {"$t = GETDATE +1:2:3", 40, " +1:2:3"},
        {"$t = GETTIME $s", 40, " $s"},
        {"$t = GETTIME x", 40, " x"},
        {"$t = GETTIME +1:2:3 $nope", 7, "$nope"},
        // sources
        {"%x = GETLEN $s + 1", 40, " $s + 1"},
        {"%x = GETLEN 'abc'", 40, " 'abc'"},
        {"$t = GETSTR 'abc',1,2", 40, " 'abc'"},
        {"%x = GETLEN %a", 35, " %a"},
        {"%x = GETLEN #STR", 35, " #STR"},
        {"%x = GETLEN $nope", 7, "$nope"},
        {"%x = STRSCH 'abc','a',1", 35, " 'abc'"},
        {"%x = STRSCH $s x,'a',1", 35, " $s x"},
        // start and count
        {"$t = GETSTR $s,-1,2", 40, "-1"},
        {"$t = GETSTR $s,+1,2", 40, "+1"},
        {"$t = GETSTR $s,1,2a", 40, "2a"},
        {"$t = GETSTR $s,$s,2", 35, "$s"},
        {"$t = GETSTR $s,#STR,2", 21, ""},
        {"$t = GETSTR $s,%nope,2", 7, "%nope"},
        // texts
        {"%x = STRSCH $s,1,1", 35, "1"},
        {"%x = STRSCH $s,%a,1", 35, "%a"},
        {"%x = STRSCH $s,#NUM,1", 21, ""},
        {"$t = STRADD 'a,b','c'", 40, " 'a"},
        {"$t = STRADD 1,'c'", 40, " 1"},
        {"$t = STRADD 'a' x,'c'", 40, " 'a' x"},
        {"$t = STRADD %a,'c'", 35, " %a"},
        {"$t = STRADD #NUM,'c'", 21, ""},
        {"$t = STRADD 'a',#NOPE", 7, "#NOPE"},
        // argument counts
        {"%x = GETLEN", 35, ""},
        {"%x = GETLEN $s,$s", 35, " $s,$s"},
        {"$t = GETSTR $s,1", 35, " $s,1"},
        {"$t = GETSTR $s,,2", 35, " $s,,2"},
        {"$t = GETSTR $s,1,2,3", 35, " $s,1,2,3"},
        {"$t = STRADD 'a'", 35, " 'a'"},
        {"$t = STRADD 'a','b',", 35, " 'a','b',"},
    };
    cases.insert(cases.end(), std::begin(others), std::end(others));
    for (const ErrCase& c : cases) {
        SCOPED_TRACE(c.stmt);
        reset();
        AssignResult res = run(c.stmt);
        EXPECT_EQ(res.nextTemp, -1);
        EXPECT_TRUE(res.isFunction);
        EXPECT_EQ(errors(), CompileLog::format(kLine0, c.no, c.text, "", 0));
        EXPECT_EQ(t_.hMacro.rowCount(), 0);
    }
}

// --- order of hCal over many statements -------------------------------------------------------

// One operation on 64-bit values that wraps instead of overflowing; x / 0 gives 0.
std::int64_t apply(char op, std::int64_t x, std::int64_t y) {
    const auto ux = static_cast<std::uint64_t>(x), uy = static_cast<std::uint64_t>(y);
    switch (op) {
        case '+':
            return static_cast<std::int64_t>(ux + uy);
        case '-':
            return static_cast<std::int64_t>(ux - uy);
        case '*':
            return static_cast<std::int64_t>(ux * uy);
        default:
            return (y == 0 || (y == -1 && x == INT64_MIN)) ? 0 : x / y;
    }
}

// A random expression over %a=7, %b=-3, %c=5, #NUM=42 and small numbers, with its value.
struct Expr {
    std::string text;
    std::int64_t value;
    int prec;  // 3 for an operand or a parenthesised expression
};

Expr randomExpr(std::mt19937& rng, int depth) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    if (depth == 0 || pick(4) == 0) {
        switch (pick(5)) {
            case 0:
                return {"%a", 7, 3};
            case 1:
                return {"%b", -3, 3};
            case 2:
                return {"%c", 5, 3};
            case 3:
                return {"#NUM", 42, 3};
            default: {
                int v = pick(10);
                return {std::to_string(v), v, 3};
            }
        }
    }
    const char op = "+-*/"[pick(4)];
    const int prec = (op == '*' || op == '/') ? 2 : 1;
    Expr l = randomExpr(rng, depth - 1), r = randomExpr(rng, depth - 1);
    // Parentheses where precedence or left grouping needs them, and now and then for nothing.
    if (l.prec < prec || pick(6) == 0) l.text = "(" + l.text + ")";
    if (r.prec <= prec || pick(6) == 0) r.text = "(" + r.text + ")";
    return {l.text + (pick(2) ? " " : "") + op + (pick(2) ? " " : "") + r.text,
            apply(op, l.value, r.value), prec};
}

// Runs the statement's hCal rows from `first` to its "=" row, as the executor does.
std::int64_t evaluate(const RowTable& hCal, int first, std::vector<std::int64_t>& vars) {
    auto operand = [&](int r, int col) -> std::int64_t {
        const std::string& s = hCal.cell(r, col);
        return hCal.cell(r, col + 1) == "6" ? vars.at(std::stoul(s)) : std::stoll(s);
    };
    for (int r = first; r < hCal.rowCount(); ++r) {
        std::size_t left = std::stoul(hCal.cell(r, cal::LEFT));
        if (vars.size() <= left) vars.resize(left + 1, 0);
        std::int64_t x = operand(r, cal::RIGHT1);
        const std::string& op = hCal.cell(r, cal::ENZANSI);
        if (op == "=") return vars[left] = x;
        std::int64_t y = operand(r, cal::RIGHT2);
        vars[left] = apply(op == "6" ? '+' : op == "7" ? '-' : op == "9" ? '*' : '/', x, y);
    }
    return INT64_MIN;
}

// hCal as a full stable sort of its rows in the order they were appended (their tags).
std::vector<std::vector<std::string>> fullySorted(const RowTable& hCal) {
    std::vector<int> order(static_cast<std::size_t>(hCal.rowCount()));
    for (int r = 0; r < hCal.rowCount(); ++r) order[static_cast<std::size_t>(r)] = r;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return hCal.tag(a) < hCal.tag(b); });
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return hCalCompare(hCal, a, b) < 0; });
    std::vector<std::vector<std::string>> v;
    for (int r : order) {
        v.emplace_back();
        for (int c = 0; c < hCal.columns(); ++c) v.back().push_back(hCal.cell(r, c));
        v.back().push_back(std::to_string(hCal.tag(r)));
    }
    return v;
}

void expectFullySorted(const RowTable& hCal) {
    auto want = fullySorted(hCal);
    for (int r = 0; r < hCal.rowCount(); ++r) {
        std::vector<std::string> got;
        for (int c = 0; c < hCal.columns(); ++c) got.push_back(hCal.cell(r, c));
        got.push_back(std::to_string(hCal.tag(r)));
        ASSERT_EQ(got, want[static_cast<std::size_t>(r)]) << "row " << r;
    }
}

TEST_F(ExprTest, ManyStatementsKeepHCalInFullSortOrderAndEvaluateCorrectly) {
    std::mt19937 rng(20240611);
    std::vector<std::int64_t> vars = {7, -3, 5};
    int temp = 1;
    for (int block = 0; block < 200; ++block) {
        Expr e = randomExpr(rng, 4);
        SCOPED_TRACE(e.text);
        AssignResult res = run("%x = " + e.text, temp, block);
        ASSERT_GT(res.nextTemp, 0) << errors();
        temp = res.nextTemp;
        int first = std::stoi(t_.hMacro.cell(t_.hMacro.rowCount() - 1, mac::go_to));
        EXPECT_EQ(evaluate(t_.hCal, first, vars), e.value);
        expectFullySorted(t_.hCal);
    }
    EXPECT_EQ(t_.hVal.rowCount(), 8 + temp - 1);
}

TEST_F(ExprTest, BlocksOutOfOrderStillGiveTheFullSortOrder) {
    std::mt19937 rng(7);
    for (int i = 0; i < 150; ++i) {
        Expr e = randomExpr(rng, 3);
        ASSERT_GT(run("%x = " + e.text, 1 + i * 100, static_cast<int>(rng() % 20)).nextTemp, 0);
        expectFullySorted(t_.hCal);
    }
}

}  // namespace
}  // namespace orv
