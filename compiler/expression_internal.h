// What the assignment and the function compilers share while compiling one statement: its
// state and its failure, the character tests, and the built-in functions' entry. Only the
// expression compiler's files include this.
#pragma once

#include <string>
#include <string_view>

#include "compiler/compile_context.h"

namespace orv::expr {

// Characters and small text helpers.
inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
inline std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Splits a trimmed operand into its first word (up to the first blank) and the rest after
// the blanks that follow it.
inline void splitWord(std::string_view core, std::string_view& word, std::string_view& rest) {
    std::size_t i = 0;
    while (i < core.size() && !isBlank(core[i])) ++i;
    word = core.substr(0, i);
    rest = trimBlanks(core.substr(i));
}

// The error a statement fails with: its number and its text.
struct Failure {
    CompileError error = CompileError::EndLine;
    std::string text;
};

// The statement being compiled.
struct Statement {
    CompileContext& cx;
    int target;
    std::string targetName;
    bool targetIsString;  // "$" target (string); otherwise "%" (number)
    int line0;
    int level;
    Failure failure;

    bool fail(CompileError e, std::string_view text = {}) {
        failure.error = e;
        failure.text.assign(text.data(), text.size());
        return false;
    }
    const RowTable& hVal() const { return cx.t.hVal; }
};

// The cell kinds of an operand: a value, or a variable's hVal row.
inline constexpr std::string_view kValue = cellCode(KIND_NUMBER);
inline constexpr std::string_view kVariable = cellCode(KIND_VARIABLE);

// The built-in functions, in instruction-code order from OP_GETTIME.
enum Fn { kGetTime, kGetDate, kGetWeek, kGetStr, kGetLen, kStrSch, kStrAdd, kFnCount };
// The function named `name`, or -1.
int findFunction(std::string_view name);
// Checks the arguments of function `fn` and writes its hMacro row; false after a failure.
bool compileFunction(Statement& st, int fn, std::string_view args);

}  // namespace orv::expr
