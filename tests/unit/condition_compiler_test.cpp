#include "compiler/condition_compiler.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "compiler/compile_log.h"
#include "lang/debug_out.h"
#include "lang/text.h"

using namespace orv;

namespace {

constexpr int kNumVars = 40;  // %v0 .. %v39, for the generated conditions

// One compile context with a few declared names and a result log on a temporary file.
// hVal rows: 0 %a, 1 %b, 2 %c, 3 %d, 4 $s, 5 #MAX (number 100), 6 #NAME (string "abc"),
// 7 LOOP (a label), 8.. %v0 .. %v39.
class Harness {
  public:
    Harness() {
        static int serial = 0;
        path_ = ::testing::TempDir() + "cond_" + std::to_string(::getpid()) + "_" +
                std::to_string(serial++) + ".his";
        log_.open(path_, "t.ovm", TimeOfDay{});
        for (const char* n : {"%a", "%b", "%c", "%d"}) cx.addVal(n, kTypeNumber, "0");
        cx.addVal("$s", kTypeString, "");
        cx.addVal("#MAX", kTypeNumber, "100");
        cx.addVal("#NAME", kTypeString, "abc");
        cx.addVal("LOOP", kTypeLabel, "0");
        for (int i = 0; i < kNumVars; ++i) cx.addVal("%v" + std::to_string(i), kTypeNumber, "0");
    }
    ~Harness() {
        log_.close();
        std::remove(path_.c_str());
    }
    static int varRow(int i) { return 8 + i; }

    // Compiles `text` after `c0` unrelated rows.
    int compile(std::string_view text, int c0 = 0, int line0 = 0, int level = 0) {
        t.hMacro.clear();
        for (int i = 0; i < c0; ++i) cx.addMacro(OP_MCLK, 0, 0);
        mark_ = log_.text().size();
        return compileCondition(cx, text, line0, level);
    }
    // Error lines written by the last compile.
    std::string errors() const { return log_.text().substr(mark_); }
    // Cells 0..6 of the rows from `from` on, joined by '/'.
    std::vector<std::string> rows(int from) const {
        std::vector<std::string> out;
        for (int r = from; r < t.hMacro.rowCount(); ++r) {
            std::string s;
            for (int c = mac::instruct; c <= mac::go_to; ++c) {
                if (c) s += '/';
                s += t.hMacro.cell(r, c);
            }
            out.push_back(s);
        }
        return out;
    }

    Tables t;

  private:
    CompileLog log_{nullptr};
    std::string path_;
    std::size_t mark_ = 0;

  public:
    CompileContext cx{t, log_};
};

// Row shapes: a conditional row (operands "l/lk/op/r/rk") and a jump row.
std::string cnd(const std::string& cells, int go) {
    return "0/" + cells + "/" + std::to_string(go);
}
std::string jmp(int go) {
    return "11/2/////" + std::to_string(go);
}
const std::string kExit = "11/2/////";

// ------------------------------------------------------------------ running the rows

struct Outcome {
    bool ok = false;
    bool value = false;
    std::string why;
};

// Walks the condition rows [c0, end) from c0: a conditional row continues on true and jumps to
// its goto on false, a jump row always jumps. Reaching `falseExit` is false, reaching `end` is
// true; anything else (bad row, backward or out-of-range goto, empty goto elsewhere, loop) is a
// failure.
Outcome runRows(const RowTable& m, int c0, int falseExit, const std::function<bool(int)>& test) {
    const int end = m.rowCount();
    // Every jump goes forward and stays inside the condition; only the false exit is open.
    for (int r = c0; r < end; ++r) {
        const std::string& go = m.cell(r, mac::go_to);
        if (r == falseExit ? !go.empty() : !allDigits(go) || toInt(go) <= r || toInt(go) > end)
            return {false, false, "row " + toText(r) + " has goto '" + go + "'"};
    }
    int pc = c0;
    for (int steps = 0; steps <= end - c0 + 1; ++steps) {
        if (pc == falseExit) return {true, false, ""};
        if (pc == end) return {true, true, ""};
        if (pc < c0 || pc > end) return {false, false, "jump out of range to " + toText(pc)};
        const std::string& code = m.cell(pc, mac::instruct);
        const std::string& go = m.cell(pc, mac::go_to);
        if (!allDigits(go)) return {false, false, "row " + toText(pc) + " has goto '" + go + "'"};
        if (code == "0") {
            pc = test(pc) ? pc + 1 : toInt(go);
        } else if (code == "11" && m.cell(pc, mac::shiki1) == "2") {
            pc = toInt(go);
        } else {
            return {false, false, "row " + toText(pc) + " is not a condition row"};
        }
    }
    return {false, false, "loop"};
}

// ------------------------------------------------------------------ generated conditions

// A generated condition: a comparison (cmp >= 0) or a parenthesised list of items with the
// connective between items i and i + 1 in conns[i] ('A' or 'O').
struct Node {
    int cmp = -1;
    std::vector<Node> kids;
    std::string conns;
};

// The meaning of a condition: within one list the items are split at AND into parts, each
// part is the OR of its items, and the list is the AND of its parts.
bool evalNode(const Node& n, const std::vector<bool>& truth) {
    if (n.cmp >= 0) return truth[static_cast<std::size_t>(n.cmp)];
    bool all = true, part = false;
    for (std::size_t i = 0; i < n.kids.size(); ++i) {
        part = evalNode(n.kids[i], truth) || part;
        if (i + 1 == n.kids.size() || n.conns[i] == 'A') {
            all = all && part;
            part = false;
        }
    }
    return all;
}

struct Comparison {
    int op;
    int num;
};

bool compare(int a, int op, int b) {
    switch (op) {
        case 0:
            return a == b;
        case 1:
            return a > b;
        case 2:
            return a >= b;
        case 3:
            return a < b;
        case 4:
            return a <= b;
        default:
            return a != b;
    }
}

enum class Shape { Flat, OneConnective, Free };

class Generator {
  public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    // Fills root (the top-level list), cmps and returns the text.
    std::string make(Shape shape, Node& root, std::vector<Comparison>& cmps) {
        shape_ = shape;
        cmps_ = &cmps;
        single_ = pick(2) ? 'A' : 'O';
        std::string text;
        if (pick(5) == 0) text += pick(2) ? "AND " : "OR ";
        text += list(root, 3, 1 + pick(4));
        if (pick(4) == 0) text += ' ';
        return text;
    }

  private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    std::string blank() { return pick(3) ? " " : ""; }

    // Items of one list; `room` is how many parentheses may still open around a comparison.
    std::string list(Node& n, int room, int count) {
        std::string s;
        for (int i = 0; i < count; ++i) {
            if (i) {
                char c = shape_ == Shape::OneConnective ? single_ : (pick(2) ? 'A' : 'O');
                n.conns += c;
                s += blank() + (c == 'A' ? "AND" : "OR") + blank();
            }
            n.kids.emplace_back();
            s += item(n.kids.back(), room);
        }
        return s;
    }

    std::string item(Node& n, int room) {
        int wraps = shape_ != Shape::Flat && room >= 2 && pick(4) == 0 ? 1 : 0;
        std::string body;
        if (shape_ != Shape::Flat && room - wraps >= 2 && cmps_->size() < 8 && pick(3) == 0) {
            body = "(" + blank() + list(n, room - wraps - 1, 2 + pick(2)) + blank() + ")";
        } else {
            n.cmp = static_cast<int>(cmps_->size());
            Comparison c{pick(6), pick(4)};
            cmps_->push_back(c);
            static const char* const ops[] = {"==", ">", ">=", "<", "<=", "<>"};
            body = "(" + blank() + "%v" + std::to_string(n.cmp) + blank() + ops[c.op] + blank() +
                   std::to_string(c.num) + blank() + ")";
        }
        for (int i = 0; i < wraps; ++i) body = "(" + blank() + body + blank() + ")";
        return body;
    }

    std::mt19937 rng_;
    Shape shape_ = Shape::Free;
    char single_ = 'A';
    std::vector<Comparison>* cmps_ = nullptr;
};

// Compiles one generated condition and compares the rows with the meaning for `tries` random
// assignments. Returns an empty text when they agree, else a description of the first failure.
// `rowsTaken`, when given, receives the number of rows the condition took.
std::string checkGenerated(Harness& h, std::mt19937& rng, const std::string& text, const Node& root,
                           const std::vector<Comparison>& cmps, int tries,
                           int* rowsTaken = nullptr) {
    int c0 = std::uniform_int_distribution<int>(0, 5)(rng);
    int exitRow = h.compile(text, c0);
    if (exitRow < 0) return "did not compile: " + cp932ToUtf8(h.errors());
    if (!h.errors().empty()) return "error line written";
    if (rowsTaken) *rowsTaken = h.t.hMacro.rowCount() - c0;
    std::uniform_int_distribution<int> value(0, 3);
    for (int t = 0; t < tries; ++t) {
        std::vector<int> values(cmps.size());
        std::vector<bool> truth(cmps.size());
        for (std::size_t i = 0; i < cmps.size(); ++i) {
            values[i] = value(rng);
            truth[i] = compare(values[i], cmps[i].op, cmps[i].num);
        }
        const RowTable& m = h.t.hMacro;
        std::string bad;
        Outcome o = runRows(m, c0, exitRow, [&](int r) {
            int var = toInt(m.cell(r, mac::shiki1)) - Harness::varRow(0);
            if (var < 0 || var >= static_cast<int>(values.size()) ||
                m.cell(r, mac::syurui1) != "6" || m.cell(r, mac::syurui2) != "2") {
                bad = "bad operands in row " + toText(r);
                return false;
            }
            return compare(values[static_cast<std::size_t>(var)], toInt(m.cell(r, mac::jyoken)),
                           toInt(m.cell(r, mac::shiki2)));
        });
        if (!bad.empty()) return bad;
        if (!o.ok) return o.why;
        if (o.value != evalNode(root, truth)) {
            std::string vs;
            for (std::size_t i = 0; i < values.size(); ++i)
                vs += " %v" + std::to_string(i) + "=" + std::to_string(values[i]);
            return std::string("rows give ") + (o.value ? "true" : "false") + " for" + vs;
        }
    }
    return {};
}

}  // namespace

// ------------------------------------------------------------------ worked examples, shapes

TEST(ConditionCompiler, WorkedExampleOneAndChain) {
    Harness h;
    EXPECT_EQ(h.compile("(%a > 1) AND (%b < 2)", 10), 14);
    EXPECT_EQ(h.rows(10),
              (std::vector<std::string>{cnd("0/6/1/1/2", 14), jmp(12), cnd("1/6/3/2/2", 14),
                                        jmp(15), kExit, jmp(16)}));
    EXPECT_EQ(h.errors(), "");
}

TEST(ConditionCompiler, WorkedExampleTwoNestedAndThenOr) {
    Harness h;
    EXPECT_EQ(h.compile("((%a > 1) AND (%b > 2)) OR (%c > 3)", 1), 9);
    EXPECT_EQ(h.rows(1), (std::vector<std::string>{cnd("0/6/1/1/2", 5), jmp(3), cnd("1/6/1/2/2", 5),
                                                   jmp(6), jmp(7), jmp(10), cnd("2/6/1/3/2", 9),
                                                   jmp(10), kExit, jmp(11)}));
}

TEST(ConditionCompiler, RowsCarryLevelSequenceAndSourceLine) {
    Harness h;
    ASSERT_EQ(h.compile("(%a > 1)", 3, 7, 2), 5);
    for (int r = 3; r < h.t.hMacro.rowCount(); ++r) {
        EXPECT_EQ(h.t.hMacro.cell(r, mac::LineLvl), "2");
        EXPECT_EQ(h.t.hMacro.cell(r, mac::Line), std::to_string(r));
        EXPECT_EQ(h.t.hMacro.cell(r, mac::MacroLine), "7");
        EXPECT_EQ(h.t.hMacro.tag(r), r);
    }
}

struct ShapeCase {
    const char* text;
    int c0;
    int exitRow;
    std::vector<std::string> rows;
};
// Spellings that compile alike.
struct SpellingsCase {
    std::vector<const char*> texts;
    int c0;
    int exitRow;
    std::vector<std::string> rows;
};

// The rows of a single comparison compiled at row 0.
std::vector<std::string> single(const char* cells) {
    return {cnd(cells, 2), jmp(3), kExit, jmp(4)};
}

TEST(ConditionCompiler, CompilesEdgeCasesToExactRows) {
    const std::vector<std::string> orPair = {
        cnd("0/6/1/1/2", 2), jmp(3), cnd("1/6/1/2/2", 4), jmp(5), kExit, jmp(6)};
    const std::vector<std::string> andPair = {
        cnd("0/6/1/1/2", 4), jmp(2), cnd("1/6/1/2/2", 4), jmp(5), kExit, jmp(6)};
    std::vector<SpellingsCase> cases = {
        {{"(%a > 1)", "(%a>1)", "1 (%a > 1)", "E (%a > 1)", "AND (%a > 1)", "OR(%a > 1)",
          "  (  %a   >   1  )  "},
         0,
         2,
         single("0/6/1/1/2")},
        {{"(%a > 1) OR (%b > 2)", "(%a > 1) OR(%b > 2)", "(%a > 1)OR (%b > 2)"}, 0, 4, orPair},
        {{"(%a > 1) AND (%b > 2)", "(%a > 1) AND(%b > 2)"}, 0, 4, andPair},
        {{"(%a > 1)"}, 5, 7, {cnd("0/6/1/1/2", 7), jmp(8), kExit, jmp(9)}},
        // ORs bind inside the AND chain: a failed OR alternative falls to the next one.
        {{"(%a > 1) AND (%b > 2) OR (%c > 3)"},
         0,
         6,
         {cnd("0/6/1/1/2", 6), jmp(2), cnd("1/6/1/2/2", 4), jmp(5), cnd("2/6/1/3/2", 6), jmp(7),
          kExit, jmp(8)}},
        // A connective standing alone at a shallower level reserves no rows.
        {{"((%a > 1)) AND ((%b > 2))"},
         0,
         6,
         {cnd("0/6/1/1/2", 2), jmp(3), jmp(6), jmp(4), cnd("1/6/1/2/2", 6), jmp(7), kExit, jmp(8)}},
        {{"((%a > 1) AND (%b > 2)) OR ((%c > 3) AND (%d > 4))"},
         0,
         10,
         {cnd("0/6/1/1/2", 4), jmp(2), cnd("1/6/1/2/2", 4), jmp(5), jmp(6), jmp(11),
          cnd("2/6/1/3/2", 10), jmp(8), cnd("3/6/1/4/2", 10), jmp(11), kExit, jmp(12)}},
    };
    // Single comparisons of every operand form and operator: the text and its row's cells.
    const char* const singles[][2] = {
        {"($s <> 'x')", "4/6/5/x/1"},        {"($s == '')", "4/6/0//1"},
        {"('a b' == $s)", "a b/1/0/4/6"},    {"(&1 <> EOF)", "&1/7/5/EOF/10"},
        {"(EOF <> &12)", "EOF/10/5/&12/7"},  {"(&1 <> &2)", "&1/7/5/&2/7"},
        {"(EOF >= EOF)", "EOF/10/2/EOF/10"}, {"(#MAX > %a)", "100/2/1/0/6"},
        {"(#NAME == $s)", "abc/1/0/4/6"},    {"(%a == 007)", "0/6/0/007/2"},
        {"(%a >= 1)", "0/6/2/1/2"},          {"(%a < 1)", "0/6/3/1/2"},
        {"(%a <= 1)", "0/6/4/1/2"},          {"(%a <> %b)", "0/6/5/1/6"},
    };
    for (const auto& s : singles) cases.push_back({{s[0]}, 0, 2, single(s[1])});
    Harness h;
    for (const SpellingsCase& c : cases) {
        for (const char* text : c.texts) {
            SCOPED_TRACE(text);
            EXPECT_EQ(h.compile(text, c.c0), c.exitRow);
            EXPECT_EQ(h.rows(c.c0), c.rows);
            EXPECT_EQ(h.errors(), "");
        }
    }
}

// Conditions whose block layout already means what is written keep it, row for row: flat
// chains, one kind of connective at any nesting, nested groups of one connective each.
TEST(ConditionCompiler, KeepsBlockLayoutWhereItMeansWhatIsWritten) {
    const std::string a = "0/6/1/1/2", b = "1/6/1/2/2", c = "2/6/1/3/2", d = "3/6/1/4/2";
    const std::vector<ShapeCase> cases = {
        {"(%a > 1) AND (%b > 2) AND (%c > 3)",
         0,
         6,
         {cnd(a, 6), jmp(2), cnd(b, 6), jmp(4), cnd(c, 6), jmp(7), kExit, jmp(8)}},
        {"(%a > 1) OR (%b > 2) OR (%c > 3)",
         0,
         6,
         {cnd(a, 2), jmp(3), cnd(b, 4), jmp(5), cnd(c, 6), jmp(7), kExit, jmp(8)}},
        {"(%a > 1) OR (%b > 2) AND (%c > 3) OR (%d > 4)",
         0,
         8,
         {cnd(a, 2), jmp(3), cnd(b, 8), jmp(4), cnd(c, 6), jmp(7), cnd(d, 8), jmp(9), kExit,
          jmp(10)}},
        {"((%a > 1) OR (%b > 2)) OR (%c > 3)",
         0,
         8,
         {cnd(a, 2), jmp(3), cnd(b, 4), jmp(5), jmp(6), jmp(9), cnd(c, 8), jmp(9), kExit, jmp(10)}},
        {"(%a > 1) AND ((%b > 2) AND (%c > 3))",
         0,
         8,
         {cnd(a, 2), jmp(3), jmp(8), jmp(4), cnd(b, 8), jmp(6), cnd(c, 8), jmp(9), kExit, jmp(10)}},
        // Mixed, but the block chain gives the written grouping: (A OR B) AND (C OR D).
        {"((%a > 1) OR (%b > 2)) AND ((%c > 3) OR (%d > 4))",
         2,
         12,
         {cnd(a, 4), jmp(5), cnd(b, 6), jmp(7), jmp(12), jmp(8), cnd(c, 10), jmp(11), cnd(d, 12),
          jmp(13), kExit, jmp(14)}},
    };
    Harness h;
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(h.compile(c.text, c.c0), c.exitRow);
        EXPECT_EQ(h.rows(c.c0), c.rows);
    }
}

// Where the block chain would lose the written grouping, the rows are two per comparison,
// wired as written: a conditional row jumping to where a failure leads, a jump to where
// success leads, then the false exit; the body follows it.
TEST(ConditionCompiler, MixedNestingGetsRowsWiredAsWritten) {
    const std::string a = "0/6/1/1/2", b = "1/6/1/2/2", c = "2/6/1/3/2", d = "3/6/1/4/2";
    const std::vector<ShapeCase> cases = {
        // (A OR B) AND C
        {"((%a > 1)) OR (%b > 2) AND (%c > 3)",
         0,
         6,
         {cnd(a, 2), jmp(4), cnd(b, 6), jmp(4), cnd(c, 6), jmp(7), kExit}},
        // A AND (B OR C)
        {"((%a > 1)) AND ((%b > 2)) OR ((%c > 3))",
         0,
         6,
         {cnd(a, 6), jmp(2), cnd(b, 4), jmp(7), cnd(c, 6), jmp(7), kExit}},
        // A OR (B AND C), after four other rows
        {"(%a > 1) OR ((%b > 2) AND ((%c > 3)))",
         4,
         10,
         {cnd(a, 6), jmp(11), cnd(b, 10), jmp(8), cnd(c, 10), jmp(11), kExit}},
        // A AND ((B OR C) OR D)
        {"(%a > 1) AND ((%b > 2) OR (%c > 3)) OR (%d > 4)",
         0,
         8,
         {cnd(a, 8), jmp(2), cnd(b, 4), jmp(9), cnd(c, 6), jmp(9), cnd(d, 8), jmp(9), kExit}},
    };
    Harness h;
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(h.compile(c.text, c.c0, 3, 1), c.exitRow);
        EXPECT_EQ(h.rows(c.c0), c.rows);
        EXPECT_EQ(h.errors(), "");
        for (int r = c.c0; r < h.t.hMacro.rowCount(); ++r) {
            EXPECT_EQ(h.t.hMacro.cell(r, mac::LineLvl), "1");
            EXPECT_EQ(h.t.hMacro.cell(r, mac::Line), std::to_string(r));
            EXPECT_EQ(h.t.hMacro.cell(r, mac::MacroLine), "3");
        }
    }
}

// Conditions whose blocks include one made of a connective only (before that block was
// dropped, every later goto pointed two rows short), and odd placements of parentheses and
// connectives. All truth assignments are checked.
TEST(ConditionCompiler, OddGroupingsEvaluateAsWritten) {
    struct Case {
        const char* text;
        std::function<bool(const std::vector<bool>&)> meaning;
    };
    const std::vector<Case> cases = {
        {"((%v0 > 0)) AND ((%v1 > 0))", [](auto& v) { return v[0] && v[1]; }},
        {"((%v0 > 0)) OR ((%v1 > 0))", [](auto& v) { return v[0] || v[1]; }},
        {"((%v0 > 0) AND (%v1 > 0)) OR ((%v2 > 0) AND (%v3 > 0))",
         [](auto& v) { return (v[0] && v[1]) || (v[2] && v[3]); }},
        {"((%v0 > 0) OR (%v1 > 0)) AND ((%v2 > 0) OR (%v3 > 0))",
         [](auto& v) { return (v[0] || v[1]) && (v[2] || v[3]); }},
        {"(((%v0 > 0))) AND (((%v1 > 0))) AND (%v2 > 0)",
         [](auto& v) { return v[0] && v[1] && v[2]; }},
        {"AND ((%v0 > 0) OR (%v1 > 0))", [](auto& v) { return v[0] || v[1]; }},
        // Two comparisons are joined at the shallowest depth between them, wherever the
        // connective itself stands; a stray ")" only lowers the depth.
        {"(%v0 > 0) (AND (%v1 > 0))", [](auto& v) { return v[0] && v[1]; }},
        {"((%v0 > 0) OR ) (%v1 > 0) AND (%v2 > 0)", [](auto& v) { return (v[0] || v[1]) && v[2]; }},
        {"(%v0 > 0) ) OR ((%v1 > 0) AND (%v2 > 0)", [](auto& v) { return v[0] || (v[1] && v[2]); }},
        {"(%v0 > 0) OR ((%v1 > 0) OR (%v2 > 0)) AND (%v3 > 0)",
         [](auto& v) { return (v[0] || v[1] || v[2]) && v[3]; }},
        {"((%v0 > 0)) AND (((%v1 > 0) OR (%v2 > 0)) AND (%v3 > 0))",
         [](auto& v) { return v[0] && (v[1] || v[2]) && v[3]; }},
        {"(((%v0 > 0)) OR (%v1 > 0) AND (%v2 > 0)) OR (%v3 > 0)",
         [](auto& v) { return ((v[0] || v[1]) && v[2]) || v[3]; }},
        // A parenthesised right operand.
        {"(%v0 > (0))", [](auto& v) { return v[0]; }},
        {"(%v0 == (2)) OR (%v1 > 0)", [](auto& v) { return v[0] || v[1]; }},
        {"((%v0 == (2)) OR (%v1 > ((0)))) AND (%v2 > (0)) OR (%v3 > 0)",
         [](auto& v) { return (v[0] || v[1]) && (v[2] || v[3]); }},
    };
    Harness h;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        for (unsigned bits = 0; bits < 16; ++bits) {
            int exitRow = h.compile(c.text, 3);
            ASSERT_GE(exitRow, 0) << cp932ToUtf8(h.errors());
            std::vector<bool> truth(4);
            for (int i = 0; i < 4; ++i) truth[static_cast<std::size_t>(i)] = (bits >> i) & 1;
            const RowTable& m = h.t.hMacro;
            Outcome o = runRows(m, 3, exitRow, [&](int r) {
                return truth[static_cast<std::size_t>(toInt(m.cell(r, mac::shiki1)) -
                                                      Harness::varRow(0))];
            });
            ASSERT_TRUE(o.ok) << o.why;
            EXPECT_EQ(o.value, c.meaning(truth)) << "bits " << bits;
        }
    }
}

// ------------------------------------------------------------------ errors

struct ErrorCase {
    const char* text;
    const char* line;  // expected error line (UTF-8), for source line 5
};

TEST(ConditionCompiler, ReportsEachErrorWithItsText) {
    const std::vector<ErrorCase> cases = {
        // 20: names that are not declared (with their type)
        {"(%x > 1)", "*5 Line Error(020) %x 定義されていません\r\n"},
        {"(%a\t> 1)", "*5 Line Error(020) %a\t 定義されていません\r\n"},
        {"($a == 'x')", "*5 Line Error(020) $a 定義されていません\r\n"},
        {"(#NONE > 1)", "*5 Line Error(020) #NONE 定義されていません\r\n"},
        {"(%LOOP > 1)", "*5 Line Error(020) %LOOP 定義されていません\r\n"},
        {"(% > 1)", "*5 Line Error(020) % 定義されていません\r\n"},
        // 21: types, bad characters in numbers and EOF, comparisons without a connective
        {"(%a == 'x')", "*5 Line Error(021) 型が違います。\r\n"},
        {"($s == 1)", "*5 Line Error(021) 型が違います。\r\n"},
        {"(&1 <> 1)", "*5 Line Error(021) 型が違います。\r\n"},
        {"(1>%a)", "*5 Line Error(021) 型が違います。\r\n"},
        {"(%a > 1.5)", "*5 Line Error(021) 型が違います。\r\n"},
        {"(%a > 1x)", "*5 Line Error(021) 型が違います。\r\n"},
        {"(&1 <> EOX)", "*5 Line Error(021) 型が違います。\r\n"},
        {"(&1 <> EO)", "*5 Line Error(021) 型が違います。\r\n"},
        {"(&1 <> E )", "*5 Line Error(021) 型が違います。\r\n"},
        {"(&1 <> EOFF)", "*5 Line Error(021) 型が違います。\r\n"},
        {"(%a > 1)(%b > 2)", "*5 Line Error(021) 型が違います。\r\n"},
        // 22: malformed comparisons and conditions
        {"($s > 'x')", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(&1 == EOF)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(&1 > &2)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > 1", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(&1 <> EOF", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"('abc", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a >)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(> 1)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a %b > 1)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > 1 2)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > 1 > 2)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > 1) AND ", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > 1) AND OR (%b > 2)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > 1) and (%b > 2)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > 1)\t", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"\t(%a > 1)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > 1)\r", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > 1) %b ", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > (1) 2)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"((1) > %a)", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > AND (1))", "*5 Line Error(022) 条件式が不適切です\r\n"},
        {"(%a > 1 AND (%b > 2))", "*5 Line Error(022) 条件式が不適切です\r\n"},
        // 23: an operator without operands
        {"(>)", "*5 Line Error(023) 演算子が不適切です\r\n"},
        {"( <> )", "*5 Line Error(023) 演算子が不適切です\r\n"},
        // 24: a single "=" and malformed connectives
        {"(%a = 1)", "*5 Line Error(024) =  この演算子は使用できません\r\n"},
        {"(%a =1)", "*5 Line Error(024) =1 この演算子は使用できません\r\n"},
        {"(%a =", "*5 Line Error(024) = この演算子は使用できません\r\n"},
        {"(%a > 1) AND", "*5 Line Error(024) AND この演算子は使用できません\r\n"},
        {"(%a > 1) ANDY (%b > 2)", "*5 Line Error(024) AND この演算子は使用できません\r\n"},
        {"(%a > 1) AN", "*5 Line Error(024) AN この演算子は使用できません\r\n"},
        {"(%a > 1) OR", "*5 Line Error(024) OR この演算子は使用できません\r\n"},
        {"(%a > 1) OX (%b > 2)", "*5 Line Error(024) OX この演算子は使用できません\r\n"},
        {"EOF (%a > 1)", "*5 Line Error(024) OF この演算子は使用できません\r\n"},
        // 25: before the first "(", and sigils inside names and literals
        {"%a > 1", "*5 Line Error(025) '(' が必要です\r\n"},
        {"> (%a > 1)", "*5 Line Error(025) '(' が必要です\r\n"},
        {"'x' (%a > 1)", "*5 Line Error(025) '(' が必要です\r\n"},
        {"(%a$b > 1)", "*5 Line Error(025) '(' が必要です\r\n"},
        {"(&1& <> EOF)", "*5 Line Error(025) '(' が必要です\r\n"},
        {"('a%' == $s)", "*5 Line Error(025) '(' が必要です\r\n"},
        // 26: unbalanced parentheses, checked before anything at the end
        {"(%a > 1 ", "*5 Line Error(026) '('と')'の数が一致しません\r\n"},
        {"((%a > 1)", "*5 Line Error(026) '('と')'の数が一致しません\r\n"},
        {"(%a > 1))", "*5 Line Error(026) '('と')'の数が一致しません\r\n"},
        {"()(", "*5 Line Error(026) '('と')'の数が一致しません\r\n"},
    };
    Harness h;
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(h.compile(c.text, 2, 4), -1);
        EXPECT_EQ(cp932ToUtf8(h.errors()), c.line);
        EXPECT_EQ(h.t.hMacro.rowCount(), 2) << "rows written on error";
    }
}

TEST(ConditionCompiler, NoComparisonGivesMinusOneWithoutErrorLine) {
    Harness h;
    for (const char* text : {"", "   ", "()", "(())", "( ) ( )", "1 ", "E", "AND ()"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(h.compile(text, 1), -1);
        EXPECT_EQ(h.errors(), "");
        EXPECT_EQ(h.t.hMacro.rowCount(), 1);
    }
}

// Alternating depths start a new block each time; a hundred blocks are the limit.
TEST(ConditionCompiler, MoreThanHundredBlocksIsAnError) {
    auto make = [](int items) {
        std::string s;
        for (int i = 0; i < items; ++i) {
            if (i) s += " AND ";
            s += i % 2 ? "((%a > 1))" : "(%a > 1)";
        }
        return s;
    };
    Harness h;
    EXPECT_GE(h.compile(make(100)), 0);
    EXPECT_EQ(h.errors(), "");
    EXPECT_EQ(h.compile(make(101)), -1);
    EXPECT_EQ(cp932ToUtf8(h.errors()), "*1 Line Error(022) 条件式が不適切です\r\n");
}

TEST(ConditionCompiler, LongSingleBlockChain) {
    std::string s;
    for (int i = 0; i < 400; ++i) s += i ? " OR (%a > 1)" : "(%a > 1)";
    Harness h;
    EXPECT_EQ(h.compile(s, 1), 1 + 2 * 400);
    EXPECT_EQ(h.t.hMacro.rowCount(), 1 + 2 * 400 + 2);
}

// ------------------------------------------------------------------ debug listing

TEST(ConditionCompiler, WritesWorkTableToDebugChannel) {
    std::vector<std::string> lines;
    dbg::setSink([&](std::string_view l) { lines.emplace_back(cp932ToUtf8(l)); });
    Harness h;
    h.compile("((%a > 1) AND (%b > 2)) OR (%c > 3)", 1);
    h.compile("((%a > 1)) AND ((%b > 2))");
    dbg::setSink({});
    EXPECT_EQ(
        lines,
        (std::vector<std::string>{
            "hWrk/右辺(0)/type(1)/条件(2)/左辺(3)/type(4)/Lvl(5)/Grp(6)/etype(7)/Block(8)\r\n",
            "0/6/1/1/2/1/1/2/1\r\n", "AND/////1/1//1\r\n", "1/6/1/2/2/1/1/2/1\r\n",
            "OR/////0/2//2\r\n", "2/6/1/3/2/0/2/2/2\r\n", "Grp/no/klvl/num\r\n", "1/6/2\r\n",
            "2/10/1\r\n",
            // the connective-only block 2 has no entry
            "hWrk/右辺(0)/type(1)/条件(2)/左辺(3)/type(4)/Lvl(5)/Grp(6)/etype(7)/Block(8)\r\n",
            "0/6/1/1/2/1/1/2/1\r\n", "AND/////0/2//2\r\n", "1/6/1/2/2/1/3/2/3\r\n",
            "Grp/no/klvl/num\r\n", "1/3/1\r\n", "3/7/1\r\n"}));
}

// ------------------------------------------------------------------ properties

// Near-miss texts: chains of comparisons of every operand form, with random parentheses,
// connective spellings and blanks, half of them damaged by inserting, deleting or doubling
// a piece. Whatever the text, the call ends with -1 and at most one error line, or with rows
// whose every path ends at one of the two exits.
TEST(ConditionProperty, AnyTextEndsInAnErrorOrInSoundRows) {
    static const char* const operands[] = {"%a",  "%b",  "$s", "#MAX", "#NAME", "&1",
                                           "EOF", "'x'", "1",  "22",   "%x",    "''"};
    static const char* const ops[] = {"==", ">", ">=", "<", "<=", "<>", "="};
    static const char* const conns[] = {" AND ", " OR ", "AND", "OR", " AND", "OR ", " and "};
    static const char* const noise[] = {"(", ")", " ", "AND ", "OR", "%a", "'", "=", "\t", "\r",
                                        "A", "O", "E", "1",    "$",  "#",  "&", "x", ">"};
    std::mt19937 rng(20240611);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    Harness h;
    int compiled = 0, failed = 0;
    for (int n = 0; n < 6000; ++n) {
        std::string text = pick(4) == 0 ? "AND " : "";
        for (int k = 1 + pick(4); k > 0; --k) {
            if (text.size() > 4) text += conns[pick(static_cast<int>(std::size(conns)))];
            int wraps = pick(3);
            std::string l, op, r;
            if (pick(5) == 0) {  // anything
                l = operands[pick(12)], op = ops[pick(7)], r = operands[pick(12)];
            } else {  // a pair of one type
                static const char* const pairs[][3] = {{"%a", "1", "=><"},  {"#MAX", "%b", "=><"},
                                                       {"$s", "'x'", "=!"}, {"''", "#NAME", "=!"},
                                                       {"&1", "EOF", "!"},  {"&1", "&1", "!"}};
                const auto& pr = pairs[pick(6)];
                std::string kinds = pr[2];
                char k = kinds[static_cast<std::size_t>(pick(static_cast<int>(kinds.size())))];
                op = k == '=' ? "==" : k == '!' ? "<>" : ops[pick(6)];
                l = pr[0], r = pr[1];
            }
            std::string c = "(" + l + (pick(2) ? " " : "") + op + (pick(2) ? " " : "") + r + ")";
            for (int w = 0; w < wraps; ++w) c = "(" + c + ")";
            text += c;
        }
        for (int m = pick(2) ? 1 + pick(2) : 0; m > 0; --m) {
            std::size_t at = static_cast<std::size_t>(pick(static_cast<int>(text.size()) + 1));
            switch (pick(3)) {
                case 0:
                    text.insert(at, noise[pick(static_cast<int>(std::size(noise)))]);
                    break;
                case 1:
                    text.erase(at, static_cast<std::size_t>(1 + pick(3)));
                    break;
                default:
                    text.insert(at, text.substr(at, static_cast<std::size_t>(pick(8))));
            }
        }
        SCOPED_TRACE(text);
        int exitRow = h.compile(text, 2);
        std::string errs = h.errors();
        if (exitRow < 0) {
            EXPECT_LE(std::count(errs.begin(), errs.end(), '\n'), 1);
            EXPECT_EQ(h.t.hMacro.rowCount(), 2);
            failed += errs.empty() ? 0 : 1;
            continue;
        }
        ASSERT_EQ(errs, "");
        ++compiled;
        for (int seed = 0; seed < 4; ++seed) {
            std::mt19937 bits(static_cast<unsigned>(seed));
            Outcome o = runRows(h.t.hMacro, 2, exitRow, [&](int) { return bits() & 1; });
            ASSERT_TRUE(o.ok) << o.why;
        }
    }
    // Both roads are taken often.
    EXPECT_GT(compiled, 500);
    EXPECT_GT(failed, 500);
}

// Generated well-formed conditions: comparisons of numeric variables with numbers, lists
// nested up to three parentheses deep, AND/OR, doubled parentheses, a leading connective.
// Every one compiles, every path through its rows ends at one of the two exits, and the
// result agrees with the meaning (OR binds inside a list, AND between its parts).
TEST(ConditionProperty, GeneratedConditionsEvaluateAsWritten) {
    Harness h;
    std::mt19937 rng(7);
    Generator gen(11);
    for (int n = 0; n < 3000; ++n) {
        Shape shape = n % 3 == 0 ? Shape::Flat : n % 3 == 1 ? Shape::OneConnective : Shape::Free;
        Node root;
        std::vector<Comparison> cmps;
        std::string text = gen.make(shape, root, cmps);
        SCOPED_TRACE(text);
        ASSERT_EQ(checkGenerated(h, rng, text, root, cmps, 12), "");
        if (shape != Shape::Free) continue;
        // Mixed connectives: also every path, not only those of the values tried.
        int exitRow = h.compile(text, 1);
        ASSERT_GE(exitRow, 0) << cp932ToUtf8(h.errors());
        for (int seed = 0; seed < 8; ++seed) {
            std::mt19937 bits(static_cast<unsigned>(seed));
            Outcome o = runRows(h.t.hMacro, 1, exitRow, [&](int) { return bits() & 1; });
            ASSERT_TRUE(o.ok) << o.why;
        }
    }
}

// Mixed nested conditions only. Each evaluates as written; those whose block layout means
// what is written keep it (more than two rows per comparison), the others take the plain
// layout (two rows per comparison and the false exit). Both happen often.
TEST(ConditionProperty, MixedNestedConditionsEvaluateAsWritten) {
    Harness h;
    std::mt19937 rng(7);
    Generator gen(13);
    int plain = 0, blocks = 0;
    for (int n = 0; n < 3000; ++n) {
        Node root;
        std::vector<Comparison> cmps;
        std::string text = gen.make(Shape::Free, root, cmps);
        SCOPED_TRACE(text);
        int rows = 0;
        ASSERT_EQ(checkGenerated(h, rng, text, root, cmps, 16, &rows), "");
        const int n2 = 2 * static_cast<int>(cmps.size());
        ASSERT_GE(rows, n2 + 1);
        (rows == n2 + 1 ? plain : blocks) += 1;
    }
    EXPECT_GT(plain, 300);
    EXPECT_GT(blocks, 1500);
}
