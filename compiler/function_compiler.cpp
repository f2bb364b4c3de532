// The built-in functions: GETTIME, GETDATE and GETWEEK with their offsets, and GETSTR,
// GETLEN, STRSCH and STRADD with their arguments, each into one hMacro row (code 35 to 41).
// Every check is made before the row is appended.
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/expression_internal.h"
#include "lang/text.h"

namespace orv::expr {

namespace {

// Digits read as a 32-bit number with wrap-around, written back in decimal.
std::string wrappedDigits(std::string_view digits) {
    std::uint32_t v = 0;
    for (char c : digits) v = v * 10u + static_cast<std::uint32_t>(c - '0');
    return toText(static_cast<std::int32_t>(v));
}

const char* const kFnNames[kFnCount] = {"GETTIME", "GETDATE", "GETWEEK", "GETSTR",
                                        "GETLEN",  "STRSCH",  "STRADD"};
// Whether the function's result is a string ("$" target) or a number ("%" target).
const bool kFnString[kFnCount] = {true, true, false, true, false, false, true};

// The cells a function row receives after its target (syurui1, jyoken, shiki2, syurui2, goto).
struct FnCells {
    std::string c[5];
};

// An offset as written: its sign, its three digit groups and the optional base variable.
struct Offset {
    char sign = 0;
    std::string_view group[3];
    std::string_view base;
};

// The form of an offset of GETTIME (time, ":") or GETDATE/GETWEEK (date, "/"): a sign right
// before three digit groups, then an optional "$" name; blanks before and after.
bool offsetSyntax(Statement& st, std::string_view args, bool isTime, Offset& out) {
    const char sep = isTime ? ':' : '/';
    std::size_t p = 0;
    const std::size_t n = args.size();
    auto skipBlanks = [&] {
        while (p < n && isBlank(args[p])) ++p;
    };
    skipBlanks();
    out.sign = args[p];
    if (out.sign != '+' && out.sign != '-')
        return st.fail(isDigit(out.sign) ? CompileError::BadParam : CompileError::BadValue, args);
    ++p;
    if (p < n && isBlank(args[p])) return st.fail(CompileError::BadParam, args);
    for (int g = 0; g < 3; ++g) {
        const std::size_t start = p;
        while (p < n && args[p] != sep && !isBlank(args[p])) ++p;
        std::string_view group = out.group[g] = args.substr(start, p - start);
        if (group.empty()) return st.fail(CompileError::BadParam, args);
        for (char c : group) {
            if (isDigit(c)) continue;
            return st.fail(c == '+' || c == '-' ? CompileError::BadParam : CompileError::BadValue,
                           args);
        }
        if (g == 2) break;
        if (p >= n || args[p] != sep) return st.fail(CompileError::BadParam, args);  // missing
        ++p;
    }
    if (p < n && args[p] == sep) return st.fail(CompileError::BadParam, args);  // a fourth group
    skipBlanks();
    if (p >= n) return true;
    if (args[p] != '$') return st.fail(CompileError::BadParam, args);
    const std::size_t start = p;
    while (p < n && !isBlank(args[p])) ++p;
    out.base = args.substr(start, p - start);
    skipBlanks();
    if (p < n) return st.fail(CompileError::BadParam, args);
    return true;
}

// Lengths and limits of an offset's groups, group by group, on the full value of each group.
bool offsetLimits(Statement& st, std::string_view args, bool isTime, const Offset& o) {
    static const std::string kTooLong[2][4] = {
        {sj("(hhは10桁以内)\r\n"), sj("(mmは10桁以内)\r\n"), sj("(ddは10桁以内)\r\n"),
         sj("(dd<は10桁以内)\r\n")},
        {sj("(hhは10桁以内)\r\n"), sj("(mmは10桁以内)\r\n"), sj("(ssは10桁以内)\r\n"),
         sj("(ss<は10桁以内)\r\n")}};
    static const char* const kLimitText[2][3] = {
        {"(yyyy<=100)\r\n", "(mm<=1200)\r\n", "(dd<=36500)\r\n"},
        {"(hh<=87600)\r\n", "(mm<=52256000)\r\n", "(ss<=315360000)\r\n"}};
    static const std::int64_t kLimit[2][3] = {{100, 1200, 36500}, {87600, 52256000, 315360000}};
    const int kind = isTime ? 1 : 0;
    for (int g = 0; g < 3; ++g) {
        if (o.group[g].size() > 10) {
            const int which = (g == 2 && !o.base.empty()) ? 3 : g;
            return st.fail(CompileError::BadValue, std::string(args) + kTooLong[kind][which]);
        }
        std::int64_t v = 0;
        for (char c : o.group[g]) v = v * 10 + (c - '0');
        if (v > kLimit[kind][g]) {
            std::string text(args);
            text += '-';
            if (g == 2) text += o.group[g];
            text += kLimitText[kind][g];
            return st.fail(CompileError::BadValue, text);
        }
    }
    return true;
}

// Offsets of GETTIME, GETDATE and GETWEEK: sign, groups and base row into the function row.
bool compileOffset(Statement& st, std::string_view args, bool isTime, FnCells& out) {
    if (trimBlanks(args).empty()) return true;  // no offset: the current time or date
    Offset o;
    if (!offsetSyntax(st, args, isTime, o) || !offsetLimits(st, args, isTime, o)) return false;
    int baseRow = -1;
    if (!o.base.empty()) {
        baseRow = st.cx.findVar(o.base);
        if (baseRow < 0) return st.fail(CompileError::UndefinedName, o.base);
    }
    out.c[0] = std::string(1, o.sign);
    for (int g = 0; g < 3; ++g) out.c[g + 1] = std::string(o.group[g]);
    if (baseRow >= 0) out.c[4] = std::to_string(baseRow);
    return true;
}

// The source text of GETSTR, GETLEN and STRSCH: a declared "$" variable.
bool sourceArg(Statement& st, std::string_view piece, int fn, std::string& index) {
    const bool strict = fn != kStrSch;  // GETSTR and GETLEN report value errors (40)
    std::string_view core = trimBlanks(piece);
    if (core[0] == '\'')
        return st.fail(strict ? CompileError::BadValue : CompileError::BadParam, piece);
    if (core[0] != '$') return st.fail(CompileError::BadParam, piece);
    std::string_view name, rest;
    splitWord(core, name, rest);
    if (!rest.empty())
        return st.fail(strict ? CompileError::BadValue : CompileError::BadParam, piece);
    int r = st.cx.findVar(name);
    if (r < 0) return st.fail(CompileError::UndefinedName, name);
    index = std::to_string(r);
    return true;
}

// How a named argument is taken: a variable with sigil `variable` is written as its row index
// (KIND_VARIABLE); a constant must have type `constType` and is written as its value with
// kind `constKind`. Words after the name are the error `extraWords`.
struct NamedArg {
    char variable;
    std::string_view constType;
    std::string_view constKind;
    CompileError extraWords;
};
constexpr NamedArg kNumberName{'%', kTypeNumber, cellCode(KIND_NUMBER), CompileError::BadValue};
constexpr NamedArg kTextName{'$', kTypeString, cellCode(KIND_TEXT), CompileError::BadParam};

bool namedArg(Statement& st, std::string_view piece, std::string_view core, const NamedArg& rule,
              std::string& cell, std::string& kind) {
    std::string_view name, rest;
    splitWord(core, name, rest);
    if (!rest.empty()) return st.fail(rule.extraWords, piece);
    int r = st.cx.findVar(name);
    if (r < 0) return st.fail(CompileError::UndefinedName, name);
    if (core[0] == rule.variable) {
        cell = std::to_string(r);
        kind = kVariable;
        return true;
    }
    if (st.hVal().cell(r, val::type) != rule.constType)
        return st.fail(CompileError::TypeMismatch, name);
    cell = st.hVal().cell(r, val::value);
    kind = rule.constKind;
    return true;
}

// A start position or count of GETSTR and STRSCH.
bool numberArg(Statement& st, std::string_view piece, std::string& cell, std::string& kind) {
    std::string_view core = trimBlanks(piece);
    const char c = core[0];
    if (isDigit(c)) {
        if (!allDigits(core)) return st.fail(CompileError::BadValue, piece);
        cell = wrappedDigits(core);
        kind = kValue;
        return true;
    }
    if (c == '$') return st.fail(CompileError::BadParam, piece);
    if (c != '%' && c != '#')
        return st.fail(CompileError::BadValue, piece);  // a sign or another non-digit
    return namedArg(st, piece, core, kNumberName, cell, kind);
}

// The search text of STRSCH and the operands of STRADD.
bool textArg(Statement& st, std::string_view piece, int fn, std::string& cell, std::string& kind) {
    std::string_view core = trimBlanks(piece);
    const char c = core[0];
    if (c == '\'') {
        std::size_t close = core.find('\'', 1);
        if (close == std::string_view::npos || close + 1 != core.size())
            return st.fail(CompileError::BadValue, piece);
        cell = std::string(core.substr(1, close - 1));
        kind = cellCode(KIND_TEXT);
        return true;
    }
    if (isDigit(c))
        return st.fail(fn == kStrAdd ? CompileError::BadValue : CompileError::BadParam, piece);
    if (c != '$' && c != '#') return st.fail(CompileError::BadParam, piece);
    return namedArg(st, piece, core, kTextName, cell, kind);
}

// GETSTR, GETLEN, STRSCH and STRADD: comma-separated arguments, each checked as it is read.
bool compileArgs(Statement& st, std::string_view args, int fn, FnCells& out) {
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0;;) {
        std::size_t comma = args.find(',', start);
        if (comma == std::string_view::npos) {
            pieces.push_back(args.substr(start));
            break;
        }
        pieces.push_back(args.substr(start, comma - start));
        start = comma + 1;
    }
    const std::size_t wanted = fn == kGetLen ? 1 : (fn == kStrAdd ? 2 : 3);
    for (std::size_t i = 0; i < wanted; ++i) {
        if (i >= pieces.size() || trimBlanks(pieces[i]).empty())
            return st.fail(CompileError::BadParam, args);  // a missing argument
        std::string_view piece = pieces[i];
        bool ok = true;
        switch (fn) {
            case kGetStr:
                ok = i == 0 ? sourceArg(st, piece, fn, out.c[0])
                            : numberArg(st, piece, out.c[2 * i - 1], out.c[2 * i]);
                break;
            case kGetLen:
                ok = sourceArg(st, piece, fn, out.c[0]);
                break;
            case kStrSch:
                ok = i == 0   ? sourceArg(st, piece, fn, out.c[0])
                     : i == 1 ? textArg(st, piece, fn, out.c[1], out.c[2])
                              : numberArg(st, piece, out.c[3], out.c[4]);
                break;
            default:
                ok = textArg(st, piece, fn, out.c[2 * i], out.c[2 * i + 1]);
                break;
        }
        if (!ok) return false;
    }
    if (pieces.size() > wanted) return st.fail(CompileError::BadParam, args);  // an extra argument
    return true;
}

}  // namespace

int findFunction(std::string_view name) {
    for (int i = 0; i < kFnCount; ++i)
        if (name == kFnNames[i]) return i;
    return -1;
}

bool compileFunction(Statement& st, int fn, std::string_view args) {
    if (kFnString[fn] != st.targetIsString)
        return st.fail(CompileError::BadTargetType, st.targetName);
    FnCells cells;
    bool ok = fn <= kGetWeek ? compileOffset(st, args, fn == kGetTime, cells)
                             : compileArgs(st, args, fn, cells);
    if (!ok) return false;
    int r = st.cx.addMacro(OP_GETTIME + fn, st.level, st.line0);
    RowTable& m = st.cx.t.hMacro;
    m.set(r, mac::shiki1, std::to_string(st.target));
    const int cols[5] = {mac::syurui1, mac::jyoken, mac::shiki2, mac::syurui2, mac::go_to};
    for (int i = 0; i < 5; ++i) m.set(r, cols[i], cells.c[i]);
    return true;
}

}  // namespace orv::expr
