// The statement parser: reads a macro text line by line, checks each
// statement and writes its rows into hMacro and hVal.
#pragma once

#include <string_view>
#include <vector>

#include "compiler/compile_context.h"

namespace orv {

// Parses the whole text; returns true when no error was reported.
bool parseStatements(CompileContext& cx, std::string_view text);

// Splits a macro text into lines: a line ends at LF (a CR right before it belongs to the line
// end); a lone CR stays in its line. Each line is cut to 1023 bytes.
std::vector<std::string_view> splitLines(std::string_view text);

}  // namespace orv
