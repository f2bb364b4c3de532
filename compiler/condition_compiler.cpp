// The condition compiler. One call compiles one condition in three passes:
//
//  1. a character scanner that writes every comparison and every connective
//     (AND, OR) as a row of the work table hWrk, with its level, group and
//     block number;
//  2. the block table: consecutive work rows with the same block number form
//     one block; each block occupies 2 * comparisons + 2 rows of hMacro, of
//     which the last two are its "failed" and "passed" exits;
//  3. emission of the conditional (code 0) and jump (code 11) rows.
//
// The block layout of pass 3 chains the blocks from left to right, which is not always
// what the parentheses say. Before anything is appended, the planned rows and the written
// condition are both turned into reduced ordered decision diagrams over the comparisons;
// when they differ, a plain layout wired from the written grouping is emitted instead.
//
// The work table lives for one call only and is dropped on every exit.
#include "compiler/condition_compiler.h"

#include <algorithm>
#include <climits>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "lang/debug_out.h"
#include "lang/text.h"

namespace orv {

namespace {

constexpr int kMaxGroups = 100;
constexpr int kMaxBlocks = 100;

struct Operand {
    bool present = false;
    std::string text;
    int kind = 0;  // as written to the row (KIND_*)
    int type = 0;  // what it compares as: KIND_TEXT, KIND_NUMBER, KIND_FILE or KIND_EOF
};

struct Group {
    int grp;
    int lvl;
};

struct BlockEntry {
    int block;
    int num;  // comparison rows carrying this block number
    int no;   // hMacro index of the block's last row (its "passed" exit)
};

// One row of a layout, planned before anything is appended.
struct Planned {
    int cmp;       // comparison index of a conditional row, -1 for a jump row
    long long go;  // goto row; -1 leaves it empty (the false exit)
};

struct Layout {
    std::vector<Planned> rows;  // rows[i] will be hMacro row c0 + i
    int falseExit = -1;         // index into rows
};

// Targets of a decision graph with one node per comparison: a node index, or one of these.
constexpr int kToTrue = -1;
constexpr int kToFalse = -2;
constexpr int kInvalid = -3;

struct DecisionGraph {
    std::vector<int> hi;  // where comparison k leads when it holds
    std::vector<int> lo;  // where it leads when it does not
    int root = kInvalid;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSigil(char c) {
    return c == '$' || c == '#' || c == '%';
}
// A number or the end-of-file word ends at one of these.
bool endsWord(char c) {
    return c == ' ' || c == ')' || c == '\r';
}
// A name ends at one of these.
bool endsName(char c) {
    return c == ' ' || c == '(' || c == ')' || c == '<' || c == '=' || c == '>';
}

class ConditionCompiler {
  public:
    ConditionCompiler(CompileContext& cx, std::string_view text, int line0, int level)
        : cx_(cx), s_(text), line0_(line0), level_(level) {}

    int run();

  private:
    // Reports one error and returns false, so that scanner steps can `return fail(..)`.
    bool fail(CompileError e, std::string_view text = {}) {
        cx_.error(line0_, e, text);
        return false;
    }

    // Phase 1.
    bool scan();
    bool scanOperator();
    bool scanConnective();
    bool scanOperand();
    bool readName(Operand& o);
    bool readLiteral(Operand& o);
    bool readNumber(Operand& o);
    bool readEof(Operand& o);
    bool closeComparison();
    bool newBlock();
    bool newGroup(int lvl);
    bool underConstruction() const { return left_.present || haveOp_ || right_.present; }
    bool awaitingRight() const { return left_.present && haveOp_ && !right_.present; }

    // Phase 2 and 3.
    bool isComparison(int row) const { return !wrk_.cell(row, wrk::enzantype).empty(); }
    int lvl(int row) const { return toInt(wrk_.cell(row, wrk::lvl)); }
    bool buildBlocks();
    void dumpWork() const;
    bool checkShape();
    int emit();
    Layout describedLayout() const;
    DecisionGraph writtenGraph() const;
    Layout writtenLayout(const DecisionGraph& g) const;
    int write(const Layout& l);
    int addConditional(int wrkRow);
    int addJump();

    CompileContext& cx_;
    std::string_view s_;
    int line0_;
    int level_;

    RowTable wrk_{wrk::kColumns, "hWrk"};
    std::vector<Group> groups_;
    std::vector<BlockEntry> blocks_;
    // Index into blocks_ for each block number (-1: no entry, a block without comparisons).
    std::vector<int> entryOf_;

    std::size_t pos_ = 0;
    int depth_ = 0;
    int opens_ = 0;
    int closes_ = 0;
    bool seenParen_ = false;
    int lastLvl_ = -1;
    int curGrp_ = -1;
    int blockNo_ = 0;
    int comparisons_ = 0;
    // Shallowest depth reached since the last comparison closed, and, for each pair of
    // neighbouring comparisons, the depth at which the text joins them.
    int minSince_ = 0;
    std::vector<int> joinDepth_;
    // Work row of each comparison, and whether the connective after it is AND.
    std::vector<int> cmpRow_;
    std::vector<bool> joinAnd_;

    Operand left_, right_;
    bool haveOp_ = false;
    int op_ = 0;
};

// ---------------------------------------------------------------- phase 1

bool ConditionCompiler::newBlock() {
    if (blockNo_ >= kMaxBlocks) return fail(CompileError::BadCondition);
    ++blockNo_;
    return true;
}

bool ConditionCompiler::newGroup(int lvl) {
    if (static_cast<int>(groups_.size()) >= kMaxGroups) return fail(CompileError::BadCondition);
    int id = static_cast<int>(groups_.size()) + 1;
    groups_.push_back({id, lvl});
    curGrp_ = id;
    return true;
}

bool ConditionCompiler::scan() {
    while (pos_ < s_.size()) {
        char c = s_[pos_];
        switch (c) {
            case ' ':
                ++pos_;
                break;
            case '(':
                // An operand is a plain token: no parenthesis may open inside a comparison,
                // except around its right operand (the depth it reaches only counts where
                // the comparison joins its neighbours, as after any other parenthesis).
                if (underConstruction() && !awaitingRight())
                    return fail(CompileError::BadCondition);
                ++opens_;
                ++depth_;
                seenParen_ = true;
                ++pos_;
                break;
            case ')': {
                const bool closing = right_.present;
                if (closing) {
                    if (!closeComparison()) return false;
                } else if (left_.present) {
                    return fail(CompileError::BadCondition);
                } else if (haveOp_) {
                    return fail(CompileError::BadOperator);
                }
                ++closes_;
                --depth_;
                minSince_ = closing ? depth_ : std::min(minSince_, depth_);
                ++pos_;
                break;
            }
            case '=':
            case '<':
            case '>':
                if (!scanOperator()) return false;
                break;
            case 'A':
            case 'O':
                if (!scanConnective()) return false;
                break;
            case '$':
            case '%':
            case '#':
            case '&':
            case '\'':
            case 'E':
                if (!scanOperand()) return false;
                break;
            default:
                if (isDigit(c)) {
                    if (!scanOperand()) return false;
                    break;
                }
                return fail(CompileError::BadCondition);
        }
    }
    return true;
}

bool ConditionCompiler::scanOperator() {
    if (!seenParen_) return fail(CompileError::ParenNeeded);
    if (haveOp_) return fail(CompileError::BadCondition);
    char c = s_[pos_];
    char next = pos_ + 1 < s_.size() ? s_[pos_ + 1] : '\0';
    int len = 1;
    if (c == '=') {
        if (next != '=') return fail(CompileError::OperatorNotAllowed, s_.substr(pos_, 2));
        op_ = CMP_EQ;
        len = 2;
    } else if (c == '>') {
        op_ = next == '=' ? CMP_GE : CMP_GT;
        len = next == '=' ? 2 : 1;
    } else if (next == '=') {
        op_ = CMP_LE;
        len = 2;
    } else if (next == '>') {
        op_ = CMP_NE;
        len = 2;
    } else {
        op_ = CMP_LT;
    }
    haveOp_ = true;
    pos_ += static_cast<std::size_t>(len);
    return true;
}

bool ConditionCompiler::scanConnective() {
    const bool isAnd = s_[pos_] == 'A';
    const std::string_view word = isAnd ? "AND" : "OR";
    const std::size_t after = pos_ + word.size();
    if (s_.substr(pos_, word.size()) != word || after >= s_.size() ||
        (s_[after] != ' ' && s_[after] != '('))
        return fail(CompileError::OperatorNotAllowed, s_.substr(pos_, word.size()));
    // A connective cannot stand inside a comparison.
    if (underConstruction()) return fail(CompileError::BadCondition);
    if (lastLvl_ != depth_) {
        if (!newBlock()) return false;
        bool found = false;
        for (const Group& g : groups_) {
            if (g.lvl == depth_) {
                curGrp_ = g.grp;
                found = true;
                break;
            }
        }
        if (!found && !newGroup(depth_)) return false;
        lastLvl_ = depth_;
    }
    int r = wrk_.append(word, wrk_.rowCount());
    wrk_.set(r, wrk::lvl, toText(lastLvl_));
    wrk_.set(r, wrk::grp, toText(curGrp_));
    wrk_.set(r, wrk::block, toText(blockNo_));
    pos_ = after;
    return true;
}

bool ConditionCompiler::scanOperand() {
    char c = s_[pos_];
    if (!seenParen_) {
        // Before the first "(" a digit or an "E" is passed over.
        if (isDigit(c) || c == 'E') {
            ++pos_;
            return true;
        }
        return fail(CompileError::ParenNeeded);
    }
    if (lastLvl_ != depth_ - 1) {
        if (!newGroup(depth_ - 1)) return false;
        lastLvl_ = depth_ - 1;
        if (!newBlock()) return false;
    }
    Operand* o = &left_;
    if (!haveOp_) {
        if (left_.present) return fail(CompileError::BadCondition);
    } else {
        if (right_.present) return fail(CompileError::BadCondition);
        o = &right_;
    }
    bool ok;
    if (c == '\'')
        ok = readLiteral(*o);
    else if (isDigit(c))
        ok = readNumber(*o);
    else if (c == 'E')
        ok = readEof(*o);
    else
        ok = readName(*o);
    if (ok) o->present = true;
    return ok;
}

bool ConditionCompiler::readName(Operand& o) {
    std::size_t end = pos_ + 1;
    while (end < s_.size() && !endsName(s_[end])) {
        if (isSigil(s_[end]) || s_[end] == '&') return fail(CompileError::ParenNeeded);
        ++end;
    }
    if (end >= s_.size()) return fail(CompileError::BadCondition);
    std::string_view token = s_.substr(pos_, end - pos_);
    if (token[0] == '&') {
        o.text = std::string(token);
        o.kind = KIND_FILE;
        o.type = KIND_FILE;
    } else {
        int r = cx_.findVar(token);
        if (r < 0) return fail(CompileError::UndefinedOperand, token);
        if (token[0] == '#') {
            const std::string& type = cx_.t.hVal.cell(r, val::type);
            o.text = cx_.t.hVal.cell(r, val::value);
            o.kind = toInt(type);
            o.type = o.kind;
        } else {
            o.text = toText(r);
            o.kind = KIND_VARIABLE;
            o.type = token[0] == '$' ? KIND_TEXT : KIND_NUMBER;
        }
    }
    pos_ = end;
    return true;
}

bool ConditionCompiler::readLiteral(Operand& o) {
    std::size_t end = pos_ + 1;
    while (end < s_.size() && s_[end] != '\'') {
        if (isSigil(s_[end])) return fail(CompileError::ParenNeeded);
        ++end;
    }
    if (end >= s_.size()) return fail(CompileError::BadCondition);
    o.text = std::string(s_.substr(pos_ + 1, end - pos_ - 1));
    o.kind = KIND_TEXT;
    o.type = KIND_TEXT;
    pos_ = end + 1;
    return true;
}

bool ConditionCompiler::readNumber(Operand& o) {
    std::size_t end = pos_;
    while (end < s_.size() && isDigit(s_[end])) ++end;
    if (end >= s_.size()) return fail(CompileError::BadCondition);
    if (!endsWord(s_[end])) return fail(CompileError::TypeMismatch);
    o.text = std::string(s_.substr(pos_, end - pos_));
    o.kind = KIND_NUMBER;
    o.type = KIND_NUMBER;
    pos_ = end;
    return true;
}

bool ConditionCompiler::readEof(Operand& o) {
    std::size_t end = pos_ + 1;
    while (end < s_.size() && (s_[end] == 'O' || s_[end] == 'F')) ++end;
    if (end >= s_.size()) return fail(CompileError::BadCondition);
    std::string_view word = s_.substr(pos_, end - pos_);
    if (!endsWord(s_[end]) || word != "EOF") return fail(CompileError::TypeMismatch);
    o.text = std::string(word);
    o.kind = KIND_EOF;
    o.type = KIND_EOF;
    pos_ = end;
    return true;
}

bool ConditionCompiler::closeComparison() {
    if (!left_.present || !haveOp_ || !right_.present) return fail(CompileError::BadCondition);
    const int lt = left_.type, rt = right_.type;
    const bool fileTest = (lt == KIND_FILE && rt == KIND_EOF) ||
                          (lt == KIND_EOF && rt == KIND_FILE) ||
                          (lt == KIND_FILE && rt == KIND_FILE);
    if (fileTest) {
        if (op_ != CMP_NE) return fail(CompileError::BadCondition);
    } else if (lt != rt) {
        return fail(CompileError::TypeMismatch);
    } else if (lt == KIND_TEXT && op_ != CMP_EQ && op_ != CMP_NE) {
        return fail(CompileError::BadCondition);
    }
    int r = wrk_.append(left_.text, wrk_.rowCount());
    wrk_.set(r, wrk::shiki1kind, toText(left_.kind));
    wrk_.set(r, wrk::jyoken, toText(op_));
    wrk_.set(r, wrk::shiki2, right_.text);
    wrk_.set(r, wrk::shiki2kind, toText(right_.kind));
    wrk_.set(r, wrk::lvl, toText(lastLvl_));
    wrk_.set(r, wrk::grp, toText(curGrp_));
    wrk_.set(r, wrk::enzantype, toText(rt));
    wrk_.set(r, wrk::block, toText(blockNo_));
    if (comparisons_ > 0) joinDepth_.push_back(minSince_);
    ++comparisons_;
    left_ = Operand{};
    right_ = Operand{};
    haveOp_ = false;
    return true;
}

// ---------------------------------------------------------------- phase 2

// Builds the block table. A block made of connective rows only reserves no rows and gets
// no entry: its neighbours' exits lead straight to each other.
bool ConditionCompiler::buildBlocks() {
    entryOf_.assign(static_cast<std::size_t>(blockNo_) + 1, -1);
    std::vector<BlockEntry> all;
    for (int r = 0; r < wrk_.rowCount(); ++r) {
        int b = toInt(wrk_.cell(r, wrk::block));
        if (all.empty() || all.back().block != b) all.push_back({b, 0, 0});
        if (isComparison(r)) ++all.back().num;
    }
    long long no = static_cast<long long>(cx_.t.hMacro.rowCount()) - 1;
    for (const BlockEntry& e : all) {
        if (e.num == 0) continue;
        no += 2LL * e.num + 2;
        if (no >= INT_MAX) return fail(CompileError::BadCondition);
        if (e.block >= 0 && e.block < static_cast<int>(entryOf_.size()))
            entryOf_[static_cast<std::size_t>(e.block)] = static_cast<int>(blocks_.size());
        blocks_.push_back({e.block, e.num, static_cast<int>(no)});
    }
    return true;
}

void ConditionCompiler::dumpWork() const {
    static const std::string header =
        sj("hWrk/右辺(0)/type(1)/条件(2)/左辺(3)/type(4)/Lvl(5)/Grp(6)/etype(7)/Block(8)\r\n");
    dbg::out(header);
    for (int r = 0; r < wrk_.rowCount(); ++r) {
        std::string line;
        for (int c = 0; c < wrk::kColumns; ++c) {
            if (c) line += '/';
            line += wrk_.cell(r, c);
        }
        line += "\r\n";
        dbg::out(line);
    }
    dbg::out("Grp/no/klvl/num\r\n");
    for (const BlockEntry& e : blocks_)
        dbg::out(toText(e.block) + "/" + toText(e.no) + "/" + toText(e.num) + "\r\n");
}

// Comparisons and connectives must alternate, and the condition must end with a comparison.
bool ConditionCompiler::checkShape() {
    const int rows = wrk_.rowCount();
    for (int r = 0; r < rows; ++r) {
        const bool cmp = isComparison(r);
        if (r + 1 < rows) {
            if (cmp && isComparison(r + 1)) return fail(CompileError::TypeMismatch);
            if (!cmp && !isComparison(r + 1)) return fail(CompileError::BadCondition);
        } else if (!cmp) {
            return fail(CompileError::BadCondition);
        }
    }
    return true;
}

// ---------------------------------------------------------------- phase 3

int ConditionCompiler::addConditional(int w) {
    int r = cx_.addMacro(OP_IF, level_, line0_);
    RowTable& m = cx_.t.hMacro;
    m.set(r, mac::shiki1, wrk_.cell(w, wrk::shiki1));
    m.set(r, mac::syurui1, wrk_.cell(w, wrk::shiki1kind));
    m.set(r, mac::jyoken, wrk_.cell(w, wrk::jyoken));
    m.set(r, mac::shiki2, wrk_.cell(w, wrk::shiki2));
    m.set(r, mac::syurui2, wrk_.cell(w, wrk::shiki2kind));
    return r;
}

int ConditionCompiler::addJump() {
    int r = cx_.addMacro(OP_GOTO, level_, line0_);
    cx_.t.hMacro.set(r, mac::shiki1, cellCode(JUMP_RESOLVED));
    return r;
}

// The block layout: each block's comparisons followed by its "failed" and "passed" exits.
Layout ConditionCompiler::describedLayout() const {
    Layout l;
    const long long c0 = cx_.t.hMacro.rowCount();
    auto here = [&] { return c0 + static_cast<long long>(l.rows.size()); };
    auto cond = [&](int k, long long go) { l.rows.push_back({k, go}); };
    auto jump = [&](long long go) { l.rows.push_back({-1, go}); };
    const int rows = wrk_.rowCount();
    int k = 0;  // comparison index
    for (int w = 0; w < rows; ++w) {
        if (!isComparison(w)) continue;
        int entry = entryOf_[static_cast<std::size_t>(toInt(wrk_.cell(w, wrk::block)))];
        const long long n = blocks_[static_cast<std::size_t>(entry)].no;
        const std::size_t nextEntry = static_cast<std::size_t>(entry) + 1;
        const long long nn = nextEntry < blocks_.size() ? blocks_[nextEntry].no : n;

        if (w + 1 >= rows) {  // the last comparison of the condition
            cond(k, n - 1);
            jump(here() + 2);
            l.falseExit = static_cast<int>(l.rows.size());
            jump(-1);
            jump(here() + 1);
            break;
        }
        // checkShape() guarantees: row w + 1 is a connective, row w + 2 a comparison.
        const bool isAnd = wrk_.cell(w + 1, wrk::shiki1) == "AND";
        const int lm = lvl(w), lc = lvl(w + 1), ln = lvl(w + 2);
        if (isAnd) {
            cond(k, n - 1);
            if (lm == lc && lc == ln) {
                jump(here() + 1);
            } else {
                jump(n);
                jump(nn - 1);
                jump(lm == lc ? here() + 1 : n + 1);
            }
        } else {
            cond(k, here() + 2);
            jump(here() + 2);
            if (!(lm == lc && lc == ln)) {
                jump(n + 1);
                jump(nn);
            }
        }
        ++k;
        ++w;  // past the connective
    }
    return l;
}

// The written condition as a decision graph, one node per comparison. Two neighbouring
// comparisons are joined at the shallowest depth the text reaches between them; within one
// depth OR binds more tightly than AND, and a deeper join more tightly than a shallower one.
// So the joins form an infix chain whose binding strength is 2 * depth (+1 for OR). A
// comparison's "holds" edge goes past the first AND it is the left operand of, its "fails"
// edge past the first such OR; the joins it is a left operand of are the chain of next
// joins that bind no more tightly, starting with the join right after it.
DecisionGraph ConditionCompiler::writtenGraph() const {
    const int n = static_cast<int>(cmpRow_.size());
    const int m = n - 1;  // joins
    std::vector<long long> strength(static_cast<std::size_t>(std::max(m, 0)));
    for (int j = 0; j < m; ++j) {
        const auto u = static_cast<std::size_t>(j);
        strength[u] = 2LL * joinDepth_[u] + (joinAnd_[u] ? 0 : 1);
    }
    // nextWeaker[j]: the first join after j that binds no more tightly than j, or -1.
    std::vector<int> nextWeaker(strength.size(), -1), firstAnd(strength.size(), -1),
        firstOr(strength.size(), -1);
    std::vector<int> stack;
    for (int j = m - 1; j >= 0; --j) {
        const auto u = static_cast<std::size_t>(j);
        while (!stack.empty() && strength[static_cast<std::size_t>(stack.back())] > strength[u])
            stack.pop_back();
        nextWeaker[u] = stack.empty() ? -1 : stack.back();
        stack.push_back(j);
        const int next = nextWeaker[u];
        firstAnd[u] = joinAnd_[u] ? j : next < 0 ? -1 : firstAnd[static_cast<std::size_t>(next)];
        firstOr[u] = !joinAnd_[u] ? j : next < 0 ? -1 : firstOr[static_cast<std::size_t>(next)];
    }
    DecisionGraph g;
    g.hi.assign(static_cast<std::size_t>(n), kToTrue);
    g.lo.assign(static_cast<std::size_t>(n), kToFalse);
    for (int k = 0; k < m; ++k) {
        const auto u = static_cast<std::size_t>(k);
        if (firstAnd[u] >= 0) g.hi[u] = firstAnd[u] + 1;
        if (firstOr[u] >= 0) g.lo[u] = firstOr[u] + 1;
    }
    g.root = n > 0 ? 0 : kInvalid;
    return g;
}

// The decision graph that a layout's rows walk: a conditional row continues with the next
// row when its comparison holds and at its goto when not; jump rows are followed. Reaching
// the false exit is false, reaching the row after the layout true. Any jump that does not
// go forward inside the layout, and any comparison that does not lead to a later one, makes
// the graph invalid.
DecisionGraph rowsGraph(const Layout& l, long long c0, int comparisons) {
    DecisionGraph g;
    const int size = static_cast<int>(l.rows.size());
    // reach[i]: where arriving at row i leads (filled from the end, as every jump goes forward).
    std::vector<int> reach(static_cast<std::size_t>(size) + 1, kInvalid);
    reach[static_cast<std::size_t>(size)] = kToTrue;
    auto target = [&](int from, long long go) {
        const long long i = go - c0;
        return i > from && i <= size ? reach[static_cast<std::size_t>(i)] : kInvalid;
    };
    for (int i = size - 1; i >= 0; --i) {
        const Planned& p = l.rows[static_cast<std::size_t>(i)];
        int& r = reach[static_cast<std::size_t>(i)];
        if (i == l.falseExit)
            r = kToFalse;
        else if (p.cmp >= 0)
            r = p.cmp < comparisons ? p.cmp : kInvalid;
        else
            r = target(i, p.go);
    }
    g.hi.assign(static_cast<std::size_t>(comparisons), kInvalid);
    g.lo.assign(static_cast<std::size_t>(comparisons), kInvalid);
    std::vector<int> seen(static_cast<std::size_t>(comparisons), 0);
    for (int i = 0; i < size; ++i) {
        const Planned& p = l.rows[static_cast<std::size_t>(i)];
        if (p.cmp < 0 || p.cmp >= comparisons || i == l.falseExit) continue;
        const auto u = static_cast<std::size_t>(p.cmp);
        if (++seen[u] > 1) return {};  // a comparison tested twice
        g.hi[u] = reach[static_cast<std::size_t>(i) + 1];
        g.lo[u] = target(i, p.go);
    }
    g.root = size > 0 ? reach[0] : kInvalid;
    return g;
}

// Reduces a decision graph in the shared unique table `unique` and returns its root's id
// (0 false, 1 true, 2.. inner nodes), or -1 when the graph is invalid or not ordered.
int reduce(const DecisionGraph& g, std::map<std::tuple<int, int, int>, int>& unique) {
    const int n = static_cast<int>(g.hi.size());
    if (static_cast<int>(g.lo.size()) != n) return -1;
    std::vector<int> id(static_cast<std::size_t>(n), -1);
    auto ref = [&](int from, int t) {
        if (t == kToFalse) return 0;
        if (t == kToTrue) return 1;
        return t > from && t < n ? id[static_cast<std::size_t>(t)] : -1;
    };
    for (int k = n - 1; k >= 0; --k) {
        const auto u = static_cast<std::size_t>(k);
        const int hi = ref(k, g.hi[u]), lo = ref(k, g.lo[u]);
        if (hi < 0 || lo < 0) {
            id[u] = -1;  // only an error if reachable; the root check below decides
            continue;
        }
        if (hi == lo) {
            id[u] = hi;
            continue;
        }
        const int next = static_cast<int>(unique.size()) + 2;
        id[u] = unique.try_emplace({k, hi, lo}, next).first->second;
    }
    return ref(-1, g.root);
}

// The plain layout of a decision graph: comparison k is a conditional row at c0 + 2k whose
// goto is its "fails" target, followed by a jump to its "holds" target; then the false exit
// at c0 + 2n; the row after it, c0 + 2n + 1, is where the condition holds.
Layout ConditionCompiler::writtenLayout(const DecisionGraph& g) const {
    Layout l;
    const long long c0 = cx_.t.hMacro.rowCount();
    const int n = static_cast<int>(g.hi.size());
    auto row = [&](int t) {
        return t == kToFalse ? c0 + 2LL * n : t == kToTrue ? c0 + 2LL * n + 1 : c0 + 2LL * t;
    };
    for (int k = 0; k < n; ++k) {
        l.rows.push_back({k, row(g.lo[static_cast<std::size_t>(k)])});
        l.rows.push_back({-1, row(g.hi[static_cast<std::size_t>(k)])});
    }
    l.falseExit = static_cast<int>(l.rows.size());
    l.rows.push_back({-1, -1});
    return l;
}

int ConditionCompiler::write(const Layout& l) {
    RowTable& m = cx_.t.hMacro;
    int falseExit = -1;
    for (std::size_t i = 0; i < l.rows.size(); ++i) {
        const Planned& p = l.rows[i];
        int r = p.cmp >= 0 ? addConditional(cmpRow_[static_cast<std::size_t>(p.cmp)]) : addJump();
        if (p.go >= 0) m.set(r, mac::go_to, toText(static_cast<std::int32_t>(p.go)));
        if (static_cast<int>(i) == l.falseExit) falseExit = r;
    }
    return falseExit;
}

int ConditionCompiler::emit() {
    for (int w = 0; w < wrk_.rowCount(); ++w) {
        if (isComparison(w))
            cmpRow_.push_back(w);
        else if (!cmpRow_.empty())  // a leading connective joins nothing
            joinAnd_.push_back(wrk_.cell(w, wrk::shiki1) == "AND");
    }
    const int n = static_cast<int>(cmpRow_.size());
    if (n == 0 || joinAnd_.size() + 1 != cmpRow_.size() ||
        joinDepth_.size() + 1 != cmpRow_.size()) {
        fail(
            CompileError::BadCondition);  // not reached: checkShape() and the scanner rule this out
        return -1;
    }
    const Layout described = describedLayout();
    const DecisionGraph written = writtenGraph();
    std::map<std::tuple<int, int, int>, int> unique;
    const int want = reduce(written, unique);
    const int have = reduce(rowsGraph(described, cx_.t.hMacro.rowCount(), n), unique);
    if (want >= 0 && have == want) return write(described);
    return write(writtenLayout(written));
}

int ConditionCompiler::run() {
    if (!scan()) return -1;
    if (opens_ != closes_) {
        fail(CompileError::ParenCount);
        return -1;
    }
    if (underConstruction()) {
        fail(CompileError::BadCondition);
        return -1;
    }
    if (comparisons_ == 0) return -1;  // nothing to test; the caller decides
    if (!buildBlocks()) return -1;
    if (dbg::enabled()) dumpWork();
    if (!checkShape()) return -1;
    return emit();
}

}  // namespace

int compileCondition(CompileContext& cx, std::string_view text, int line0, int level) {
    ConditionCompiler cc(cx, text, line0, level);
    return cc.run();
}

}  // namespace orv
