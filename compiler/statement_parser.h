// The statement parser: reads a macro text line by line, checks each
// statement and writes its rows into hMacro and hVal.
#pragma once

#include <string_view>

#include "compiler/compile_context.h"

namespace orv {

// Parses the whole text; returns true when no error was reported.
bool parseStatements(CompileContext& cx, std::string_view text);

}  // namespace orv
