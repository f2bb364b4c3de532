// The condition compiler's state and its passes, shared by the files that define them:
// condition_compiler.cpp (the passes in order and the block table), condition_scanner.cpp
// (the character scanner) and condition_layout.cpp (the rows). Only they include this.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_context.h"
#include "lang/text.h"

namespace orv::cond {

inline constexpr int kMaxGroups = 100;
inline constexpr int kMaxBlocks = 100;

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
inline constexpr int kToTrue = -1;
inline constexpr int kToFalse = -2;
inline constexpr int kInvalid = -3;

struct DecisionGraph {
    std::vector<int> hi;  // where comparison k leads when it holds
    std::vector<int> lo;  // where it leads when it does not
    int root = kInvalid;
};

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
    // One step of the scanner: the byte at pos_ and what follows it; false after an error.
    using Step = bool (ConditionCompiler::*)();
    static const std::array<Step, 256> kSteps;
    bool scan();
    bool openParen();
    bool closeParen();
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

}  // namespace orv::cond
