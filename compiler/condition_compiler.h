// The condition compiler: turns the condition text of an IF or DO line into
// conditional (code 0) and jump (code 11) rows of hMacro with short-circuit
// AND/OR wiring.
#pragma once

#include <string_view>

#include "compiler/compile_context.h"

namespace orv {

// Compiles `text` (the rest of the line after IF or DO) at nesting level `level`.
// Returns the hMacro index of the false-exit jump row (its goto is empty), or -1
// after one error line (or, for a condition with no comparison at all, -1 without one).
int compileCondition(CompileContext& cx, std::string_view text, int line0, int level);

}  // namespace orv
