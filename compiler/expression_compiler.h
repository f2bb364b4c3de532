// The expression and function compiler: assignments into hCal rows plus one
// code-34 hMacro row, and the seven built-in functions into one hMacro row.
#pragma once

#include <cstddef>
#include <string_view>

#include "compiler/compile_context.h"

namespace orv {

struct AssignResult {
    int nextTemp;     // next temporary counter, or -1 on failure (one error line written)
    bool isFunction;  // the statement was a built-in function call
};

// `line` is the whole source line; scanning starts at `scanStart`, the first byte after the
// target's name. `targetIndex` is the target's hVal row. `statementCounter` is the SORTBLOCK of
// an arithmetic or copy assignment.
AssignResult compileAssignment(CompileContext& cx, std::string_view line, std::size_t scanStart,
                               int targetIndex, int line0, int level, int tempCounter,
                               int statementCounter);

}  // namespace orv
