// Decoding of hMacro and hCal into the row executor's structs. Each instruction has its own
// decoder (a table from instruction code to decoder); the operand rules live here:
//   - conditions and calculations: kind KIND_VARIABLE is an hVal row, any other kind a
//     literal (KIND_FILE a file number);
//   - numeric operands of MMOVE, WMOVE, WSIZE, WAIT and MTAB: kind KIND_NUMBER is a literal,
//     anything else an hVal row;
//   - operands of KEY, GETSTR, STRSCH and STRADD: kind KIND_VARIABLE is an hVal row, anything
//     else a literal.
#include <array>

#include "executor/row_executor.h"
#include "lang/text.h"

namespace orv {

namespace {

constexpr std::string_view kNumberKind = cellCode(KIND_NUMBER);
constexpr std::string_view kVariableKind = cellCode(KIND_VARIABLE);

int keyCode(std::string_view name) {
    int c = keyNameCode(name);
    if (c < 0) c = name.empty() ? 0 : static_cast<unsigned char>(name[0]);
    return c;
}

}  // namespace

// Indexed by instruction code. decodeNone: the fields every row has are enough. A code outside
// the table goes on with the next row.
constexpr RowExecutor::Instruction RowExecutor::kInstructions[] = {
    {&RowExecutor::decodeCondition, &RowExecutor::doCondition},     // IF
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // ELSE
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // ENDIF
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // DO
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // ENDDO
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // SELECT
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // CASE
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // ENDSELECT
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // START
    {&RowExecutor::decodeNone, &RowExecutor::doEnd},                // END
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // EXIT
    {&RowExecutor::decodeNone, &RowExecutor::doGoto},               // GOTO
    {&RowExecutor::decodeOpen, &RowExecutor::doOpen},               // OPEN
    {&RowExecutor::decodeName, &RowExecutor::doClose},              // CLOSE
    {&RowExecutor::decodeSet, &RowExecutor::doSet},                 // SET
    {&RowExecutor::decodeName, &RowExecutor::doRead},               // READ
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // DEFINE
    {&RowExecutor::decodeCoords, &RowExecutor::doMmove},            // MMOVE
    {&RowExecutor::decodeButton, &RowExecutor::doButton},           // MCLK
    {&RowExecutor::decodeButton, &RowExecutor::doButton},           // MDCLK
    {&RowExecutor::decodeButton, &RowExecutor::doButton},           // MDOWN
    {&RowExecutor::decodeButton, &RowExecutor::doButton},           // MUP
    {&RowExecutor::decodeCount, &RowExecutor::doWait},              // WAIT
    {&RowExecutor::decodeName, &RowExecutor::doFocusDestroy},       // FOCUS
    {&RowExecutor::decodeKey, &RowExecutor::doKey},                 // KEY
    {&RowExecutor::decodeCount, &RowExecutor::doMtab},              // MTAB
    {&RowExecutor::decodeName, &RowExecutor::doExecute},            // EXECUTE
    {&RowExecutor::decodeWindowCoords, &RowExecutor::doWindowSet},  // WMOVE
    {&RowExecutor::decodeName, &RowExecutor::doFocusDestroy},       // DESTROY
    {&RowExecutor::decodeTargets, &RowExecutor::doGetMpos},         // GETMPOS
    {&RowExecutor::decodeWindowQuery, &RowExecutor::doWindowGet},   // GETWPOS
    {&RowExecutor::decodeWindowQuery, &RowExecutor::doWindowGet},   // GETWSIZ
    {&RowExecutor::decodeWindowCoords, &RowExecutor::doWindowSet},  // WSIZE
    {&RowExecutor::decodeNone, &RowExecutor::doNext},               // label
    {&RowExecutor::decodeNone, &RowExecutor::doCalc},               // CALC
    {&RowExecutor::decodeCalendar, &RowExecutor::doGetTime},        // GETTIME
    {&RowExecutor::decodeCalendar, &RowExecutor::doGetDate},        // GETDATE
    {&RowExecutor::decodeCalendar, &RowExecutor::doGetDate},        // GETWEEK
    {&RowExecutor::decodeGetStr, &RowExecutor::doGetStr},           // GETSTR
    {&RowExecutor::decodeGetStr, &RowExecutor::doGetLen},           // GETLEN (the source)
    {&RowExecutor::decodeGetStr, &RowExecutor::doStrSch},           // STRSCH
    {&RowExecutor::decodeStrAdd, &RowExecutor::doStrAdd},           // STRADD
};

// Conditions and calculations.
RowExecutor::Operand RowExecutor::byKind(std::string_view value, std::string_view kind) {
    Operand o;
    o.kind = toInt(kind);
    o.isVar = o.kind == KIND_VARIABLE;
    o.index = o.isVar ? toInt(value) : -1;
    o.num = toInt(value);
    o.text.assign(value.data(), value.size());
    return o;
}
// Numeric operands of the desktop commands.
RowExecutor::Operand RowExecutor::desktopNumber(std::string_view value, std::string_view kind) {
    Operand o;
    o.isVar = kind != kNumberKind;
    if (o.isVar)
        o.index = toInt(value);
    else
        o.num = toInt(value);
    return o;
}
// Operands of KEY and the string functions.
RowExecutor::Operand RowExecutor::functionOperand(std::string_view value, std::string_view kind) {
    Operand o;
    o.isVar = kind == kVariableKind;
    if (o.isVar) {
        o.index = toInt(value);
    } else {
        o.num = toInt(value);
        o.text.assign(value.data(), value.size());
    }
    return o;
}

void RowExecutor::prepare() {
    static_assert(std::size(kInstructions) == OP_STRADD + 1);
    const int n = t_.hMacro.rowCount();
    rows_.assign(static_cast<std::size_t>(n), DRow{});
    count_ = n;
    for (int r = 0; r < n; ++r) decodeRow(r, rows_[static_cast<std::size_t>(r)]);
    const RowTable& c = t_.hCal;
    cals_.assign(static_cast<std::size_t>(c.rowCount()), DCal{});
    for (int r = 0; r < c.rowCount(); ++r) decodeCal(r, cals_[static_cast<std::size_t>(r)]);
    sh_.assign(static_cast<std::size_t>(t_.hVal.rowCount()), Shadow{});
    bindingsValid_ = false;
    prepared_ = true;
}

void RowExecutor::decodeRow(int r, DRow& d) {
    d.code = toInt(cell(r, mac::instruct));
    const std::string_view ml = cell(r, mac::MacroLine);
    d.dash = ml == kNoLine;
    d.line = d.dash ? -1 : toInt(ml);
    d.next = r + 1 < t_.hMacro.rowCount() ? r + 1 : -1;
    d.go = toInt(cell(r, mac::go_to));
    if (d.code < 0 || d.code >= static_cast<int>(std::size(kInstructions))) return;
    const Instruction& in = kInstructions[d.code];
    d.run = in.run;
    (this->*in.decode)(r, d);
}

void RowExecutor::decodeCal(int r, DCal& c) {
    const RowTable& t = t_.hCal;
    c.left = toInt(t.at(r, cal::LEFT));
    c.r1 = byKind(t.at(r, cal::RIGHT1), t.at(r, cal::RIGHT1_KIND));
    c.r2 = byKind(t.at(r, cal::RIGHT2), t.at(r, cal::RIGHT2_KIND));
    const std::string& op = t.at(r, cal::ENZANSI);
    if (op == kCalcCopy) {
        c.op = kCopy;
    } else {
        const int o = toInt(op);
        c.op = (o >= CALC_ADD && o <= CALC_MUL) ? o : -1;
    }
}

// The comparison type is fixed by a literal or file operand; two variables compare as the
// first one's hVal type.
void RowExecutor::decodeCondition(int r, DRow& d) {
    d.a = byKind(cell(r, mac::shiki1), cell(r, mac::syurui1));
    d.b = byKind(cell(r, mac::shiki2), cell(r, mac::syurui2));
    d.op = toInt(cell(r, mac::jyoken));
    int type = KIND_NONE;  // not fixed yet
    if (d.a.kind == KIND_FILE)
        type = KIND_FILE;
    else if (d.a.kind != KIND_VARIABLE)
        type = d.a.kind;
    if (d.b.kind == KIND_FILE)
        type = KIND_FILE;
    else if (d.b.kind != KIND_VARIABLE && type == KIND_NONE)
        type = d.b.kind;
    if (type == KIND_NONE) type = toInt(t_.hVal.cell(d.a.index, val::type));
    d.type = type;
}

// MMOVE: x (value, mode, kind) and y (value, mode, kind).
void RowExecutor::decodeCoords(int r, DRow& d) {
    d.a = desktopNumber(cell(r, mac::shiki1), cell(r, mac::jyoken));
    d.modeX = toInt(cell(r, mac::syurui1));
    d.b = desktopNumber(cell(r, mac::shiki2), cell(r, mac::go_to));
    d.modeY = toInt(cell(r, mac::syurui2));
}

void RowExecutor::decodeWindowCoords(int r, DRow& d) {
    decodeCoords(r, d);
    d.name = cell(r, mac::Caption);
}

void RowExecutor::decodeButton(int r, DRow& d) {
    const std::string_view b = cell(r, mac::go_to);
    d.hasButton = b == "L" || b == "R" || b == "C";
    d.button = b == "R" ? MouseButton::Right : b == "C" ? MouseButton::Middle : MouseButton::Left;
}

// WAIT and MTAB: the kind in shiki1, the value in goto.
void RowExecutor::decodeCount(int r, DRow& d) {
    d.a = desktopNumber(cell(r, mac::go_to), cell(r, mac::shiki1));
}

// KEY: key names are pressed together; any other first operand is a text typed before them.
void RowExecutor::decodeKey(int r, DRow& d) {
    const std::string_view kind = cell(r, mac::syurui1);
    const std::string_view first = cell(r, mac::shiki1);
    d.typeText = kind != cellCode(KIND_KEY_NAMES);
    if (d.typeText)
        d.a = functionOperand(first, kind);
    else if (!first.empty())
        d.keys.push_back(keyCode(first));
    for (int col : {mac::jyoken, mac::shiki2})
        if (!cell(r, col).empty()) d.keys.push_back(keyCode(cell(r, col)));
}

// CLOSE, READ, FOCUS, DESTROY, EXECUTE: one text in goto.
void RowExecutor::decodeName(int r, DRow& d) {
    d.name = cell(r, mac::go_to);
}

// GETMPOS: the number variables that receive x and y.
void RowExecutor::decodeTargets(int r, DRow& d) {
    d.out = toInt(cell(r, mac::shiki1));
    d.out2 = toInt(cell(r, mac::syurui1));
}

void RowExecutor::decodeWindowQuery(int r, DRow& d) {
    decodeTargets(r, d);
    decodeName(r, d);
}

void RowExecutor::decodeOpen(int r, DRow& d) {
    d.name = cell(r, mac::shiki1);
    d.name2 = cell(r, mac::go_to);
}

void RowExecutor::decodeSet(int r, DRow& d) {
    d.src = toInt(cell(r, mac::shiki1));
    d.name = cell(r, mac::jyoken);
    d.name2 = cell(r, mac::go_to);
}

// GETTIME, GETDATE, GETWEEK: result, sign (none, "+", anything else subtracts), the three
// offset parts and the base variable (none: the clock).
void RowExecutor::decodeCalendar(int r, DRow& d) {
    d.out = toInt(cell(r, mac::shiki1));
    const std::string_view sign = cell(r, mac::syurui1);
    d.offset.sign = sign.empty()  ? calendar::Sign::None
                    : sign == "+" ? calendar::Sign::Add
                                  : calendar::Sign::Subtract;
    d.offset.high = toInt(cell(r, mac::jyoken));
    d.offset.middle = toInt(cell(r, mac::shiki2));
    d.offset.low = toInt(cell(r, mac::syurui2));
    d.fromClock = cell(r, mac::go_to).empty();
    d.src = toInt(cell(r, mac::go_to));
}

// GETSTR (source, start, count), GETLEN (source), STRSCH (source, search text, start).
void RowExecutor::decodeGetStr(int r, DRow& d) {
    d.out = toInt(cell(r, mac::shiki1));
    d.src = toInt(cell(r, mac::syurui1));
    d.a = functionOperand(cell(r, mac::jyoken), cell(r, mac::shiki2));
    d.b = functionOperand(cell(r, mac::syurui2), cell(r, mac::go_to));
}

void RowExecutor::decodeStrAdd(int r, DRow& d) {
    d.out = toInt(cell(r, mac::shiki1));
    d.a = functionOperand(cell(r, mac::syurui1), cell(r, mac::jyoken));
    d.b = functionOperand(cell(r, mac::shiki2), cell(r, mac::syurui2));
}

}  // namespace orv
