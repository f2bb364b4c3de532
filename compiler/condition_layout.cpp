// Phase 3 of the condition compiler: the conditional (code 0) and jump (code 11) rows. The
// block layout is checked against the written condition through their decision diagrams,
// and the plain layout of the written grouping is emitted where they differ.
#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "compiler/condition_internal.h"

namespace orv::cond {

namespace {

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

}  // namespace

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

}  // namespace orv::cond
