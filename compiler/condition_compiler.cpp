// The condition compiler. One call compiles one condition in three passes:
//
//  1. a character scanner (condition_scanner.cpp) that writes every comparison and every
//     connective (AND, OR) as a row of the work table hWrk, with its level, group and
//     block number;
//  2. the block table: consecutive work rows with the same block number form
//     one block; each block occupies 2 * comparisons + 2 rows of hMacro, of
//     which the last two are its "failed" and "passed" exits;
//  3. emission of the conditional (code 0) and jump (code 11) rows (condition_layout.cpp).
//
// The block layout of pass 3 chains the blocks from left to right, which is not always
// what the parentheses say. Before anything is appended, the planned rows and the written
// condition are both turned into reduced ordered decision diagrams over the comparisons;
// when they differ, a plain layout wired from the written grouping is emitted instead.
//
// The work table lives for one call only and is dropped on every exit.
#include "compiler/condition_compiler.h"

#include <climits>

#include "compiler/condition_internal.h"
#include "lang/debug_out.h"

namespace orv {

namespace cond {

// Phase 2: the block table.

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

}  // namespace cond

int compileCondition(CompileContext& cx, std::string_view text, int line0, int level) {
    cond::ConditionCompiler cc(cx, text, line0, level);
    return cc.run();
}

}  // namespace orv
