// Every code the compiler writes into a table cell and the executor reads back, the run
// modes, and the compile error numbers: one place, so that no other file spells them as
// digits. Table cells hold decimal text; `cellCode(c)` gives the text of a code.
#pragma once

#include <array>
#include <string_view>

namespace orv {

// Operand kinds: `syurui1`/`syurui2` of hMacro, the value kinds of coordinates, WAIT and
// MTAB, the kind of a CASE value, the kinds of hCal operands and of function arguments.
enum OperandKind : int {
    KIND_NONE = 0,       // no value: the NOW / KEEP word of a coordinate
    KIND_TEXT = 1,       // string literal or string constant (the text itself)
    KIND_NUMBER = 2,     // number (the digits), or a literal value in hCal
    KIND_VARIABLE = 6,   // hVal row index
    KIND_FILE = 7,       // file number &n, in conditions
    KIND_KEY_TEXT = 8,   // KEY: fixed text to type
    KIND_KEY_NAMES = 9,  // KEY: one to three key names
    KIND_EOF = 10,       // the end-of-file word, in conditions
};

// `shiki1` of a GOTO row: whether `goto` holds a row index or a label still to resolve.
enum JumpState : int {
    JUMP_RESOLVED = 2,
    JUMP_PENDING = 5,
};

// Coordinate modes of MMOVE, WMOVE and WSIZE (`syurui1`, `syurui2`).
enum CoordMode : int {
    COORD_ADD = 1,   // "+n"
    COORD_SUB = 2,   // "-n"
    COORD_KEEP = 3,  // NOW / KEEP (value cell holds the word, kind KIND_NONE)
    COORD_ABS = 4,
};

// Comparison operators (`jyoken` of a conditional row, hWrk).
enum CompareOp : int {
    CMP_EQ = 0,  // ==
    CMP_GT = 1,  // >
    CMP_GE = 2,  // >=
    CMP_LT = 3,  // <
    CMP_LE = 4,  // <=
    CMP_NE = 5,  // <>
};

// Arithmetic operators (`ENZANSI` of hCal); the final copy is written "=".
enum CalcOp : int {
    CALC_ADD = 6,
    CALC_SUB = 7,
    CALC_DIV = 8,
    CALC_MUL = 9,
};
inline constexpr std::string_view kCalcCopy = "=";

// hVal `type`. A constant's type doubles as its operand kind (KIND_TEXT, KIND_NUMBER).
enum ValueType : int {
    TYPE_STRING = 1,
    TYPE_NUMBER = 2,
    TYPE_LABEL = 5,
    TYPE_FILE = 7,
};
static_assert(static_cast<int>(TYPE_STRING) == static_cast<int>(KIND_TEXT) &&
              static_cast<int>(TYPE_NUMBER) == static_cast<int>(KIND_NUMBER));

// Run kinds passed to the compile driver and the executor, and the executor's `mode`.
enum RunMode : int {
    MODE_IDLE = 0,
    MODE_RUN = 1,
    MODE_CHECK = 2,
    MODE_DEBUG = 3,
    MODE_STEP = 4,  // also a paused debug run
    MODE_AUTO = 5,
};
// Kinds after whose successful compile a run starts (all but the syntax check).
constexpr bool startsRun(int kind) {
    return kind == MODE_RUN || kind == MODE_DEBUG || kind == MODE_STEP || kind == MODE_AUTO;
}
// Modes in which the tables belong to a run or a paused debug run.
constexpr bool runBusy(int mode) {
    return mode != MODE_IDLE && mode != MODE_CHECK;
}

// Compile error numbers; the result log's message table is indexed by them.
enum class CompileError : int {
    EndLine = 0,         // not an error: writes the end line
    OperandMissing = 1,  // オペランドが記述されていません"%s"
    TwoStatements = 2,   // 同一行に２つの命令語は記述できません
    CaseMissing = 3,     // 無効な命令語です。対応するCASE文が存在しません。
    StartMissing = 4,  // 無効な命令語です。START制御文が定義されていません。
    DefineAfterStart = 5,  // 無効なDEFINE文です...
    SelectNotVariable = 6,  // 無効な変数です。SELECT文では変数しか指定できません。
    UndefinedName = 7,      // %s 定義されていません。 (SELECT, CASE, assignments)
    SelectMissing = 8,      // 対応するSELECT文が定義されていません。
    BadDefinition = 9,      // %s 無効な定義文です。
    CaseTypeMismatch = 10,  // %s 比較する変数の型が違います
    StartTwice = 11,        // このSTART制御文は無効です
    ElseWithoutIf = 12,
    EndifWithoutIf = 13,
    EnddoWithoutDo = 14,
    EndselectWithoutSelect = 15,
    NoEnclosingBlock = 16,  // 入れ子が存在しません
    InvalidStatement = 17,  // 無効な命令語です
    BadVariableName = 18,   // 複数定義はできません
    AlreadyDeclared = 19,   // %s 宣言済みの変数です
    UndefinedOperand = 20,  // %s 定義されていません (operands, conditions, labels)
    TypeMismatch = 21,      // 型が違います。
    BadCondition = 22,      // 条件式が不適切です
    BadOperator = 23,       // 演算子が不適切です
    OperatorNotAllowed = 24,
    ParenNeeded = 25,  // '(' が必要です
    ParenCount = 26,   // '('と')'の数が一致しません
    UnknownStatement = 27,
    BadAssignment = 28,  // 不正な代入式です-%s
    Internal = 29,       // 内部変換エラー発生 %s
    OperandNeeded = 30,  // %s オペランドが必要です
    LabelTwice = 31,
    NameTaken = 32,  // %s 別名で定義済みです
    Syntax = 33,
    TooManyParams = 34,
    BadParam = 35,
    TooFewParams = 36,
    BlockNotClosed = 37,  // ENDIF/ENDOD/ENDSELECTいずれかが存在しません
    EndMissing = 38,
    BadFunction = 39,
    BadValue = 40,          // パラメタで指定した値が不正です(%s)
    BadTargetType = 41,     // 左辺で指定する変数のタイプが不正です(%s)
    BadName = 42,           // 指定された変数または定数が不正です(%s)
    NoStringVariable = 43,  // 文字変数は指定できません(%s)
    NoNumberVariable = 44,  // 数値変数は指定できません(%s)
    ConstantNotNumber = 45,
    NumberVariableOnly = 46,
};
inline constexpr int kMaxCompileError = 46;
constexpr int errorNumber(CompileError e) {
    return static_cast<int>(e);
}

// The decimal text of a small code (0..99), as stored in a cell.
namespace detail {
inline constexpr std::array<char[3], 100> kCodeText = [] {
    std::array<char[3], 100> t{};
    for (int i = 0; i < 100; ++i) {
        if (i < 10) {
            t[i][0] = static_cast<char>('0' + i);
            t[i][1] = 0;
        } else {
            t[i][0] = static_cast<char>('0' + i / 10);
            t[i][1] = static_cast<char>('0' + i % 10);
        }
        t[i][2] = 0;
    }
    return t;
}();
}  // namespace detail
// (The length is given, so that a call at run time costs no strlen.)
constexpr std::string_view cellCode(int code) {
    if (code < 0 || code >= 100) return {};
    return std::string_view(detail::kCodeText[code], code < 10 ? 1 : 2);
}

}  // namespace orv
