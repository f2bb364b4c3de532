// The parser's commands (GOTO, the file, mouse, key and window commands, WAIT and MTAB) and
// assignments, with the operand forms they share.
#include "compiler/expression_compiler.h"
#include "compiler/statement_parser_internal.h"
#include "lang/text.h"

namespace orv::parser {

namespace {

// Operands of the common form: they start at a byte that is not a space, TAB or CR and end at
// a space, TAB, CR, comma or the end; a comma right after an operand separates it from the
// next. At most `limit` operands are taken.
std::vector<std::string_view> splitCommon(std::string_view text, std::size_t limit = 4) {
    std::vector<std::string_view> ops;
    std::size_t i = 0, n = text.size();
    while (i < n && ops.size() < limit) {
        while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
        if (i >= n) break;
        std::size_t s = i++;
        while (i < n && text[i] != ' ' && text[i] != '\t' && text[i] != '\r' && text[i] != ',') ++i;
        ops.push_back(text.substr(s, i - s));
        if (i < n && text[i] == ',') ++i;
    }
    return ops;
}

// The texts between single or double quotation marks of FOCUS, EXECUTE and DESTROY (at most
// four); false for a quotation mark that is never closed.
bool quotedTexts(std::string_view ops, std::vector<std::string_view>& texts) {
    std::size_t i = 0;
    while (i < ops.size() && texts.size() < 4) {
        char c = ops[i];
        if (c != '\'' && c != '"') {
            ++i;
            continue;
        }
        std::size_t q = ops.find(c, i + 1);
        if (q == std::string_view::npos) return false;
        texts.push_back(ops.substr(i + 1, q - i - 1));
        i = q + 1;
    }
    return true;
}

}  // namespace

std::vector<std::string_view> splitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0, n = text.size();
    auto sep = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == ','; };
    while (i < n) {
        while (i < n && sep(text[i])) ++i;
        if (i >= n) break;
        std::size_t s = i;
        while (i < n && !sep(text[i])) ++i;
        words.push_back(text.substr(s, i - s));
    }
    return words;
}

// ---- commands ----

void Parser::gotoStatement(const Statement& st) {
    auto o = splitCommon(st.ops);
    if (o.size() >= 2) return err(CompileError::TooManyParams, st.word);
    std::string_view name = o[0];
    int r = cx_.findName(name);
    if (r >= 0 && cx_.t.hVal.cell(r, val::type) != kTypeLabel)
        return err(CompileError::UndefinedOperand, name);
    int j = addRow(OP_GOTO);
    if (r >= 0) {
        m_.set(j, mac::shiki1, cellCode(JUMP_RESOLVED));
        m_.set(j, mac::go_to, cx_.t.hVal.cell(r, val::value));
    } else {
        m_.set(j, mac::shiki1, cellCode(JUMP_PENDING));
        m_.set(j, mac::go_to, name);
        pending_[std::string(nameKey(name))].push_back(j);
    }
}

// CLOSE and READ: one file number.
void Parser::fileCommand(const Statement& st) {
    auto o = splitCommon(st.ops);
    if (o.size() >= 2) return err(CompileError::TooManyParams, st.word);
    if (o[0][0] != '&') return err(CompileError::BadParam, st.word);
    m_.set(addRow(st.kw), mac::go_to, o[0]);
}

void Parser::open(const Statement& st) {
    std::string_view file;
    std::vector<std::string_view> rest;
    if (!captionAndTwo(st.ops, st.word, true, file, rest)) return;
    int r = addRow(st.kw);
    m_.set(r, mac::shiki1, rest[1]);
    m_.set(r, mac::go_to, file);
}

void Parser::set(const Statement& st) {
    auto w = splitWords(st.ops);
    if (w.size() < 5)
        return err(w.size() == 1 ? CompileError::TooFewParams : CompileError::Syntax, st.word);
    if (w.size() > 5) return err(CompileError::TooManyParams, st.word);
    if (w[1] != "AS") return err(CompileError::Syntax, st.word);
    if (w[3] != "FROM") return err(CompileError::Syntax, w[0]);
    int r = cx_.findName(w[0]);
    if (r < 0) return err(CompileError::UndefinedOperand, w[0]);
    if (cx_.t.hVal.cell(r, val::type) == kTypeLabel) return err(CompileError::TypeMismatch, w[0]);
    int row = addRow(st.kw);
    m_.set(row, mac::shiki1, std::to_string(r));
    m_.set(row, mac::jyoken, w[4]);
    m_.set(row, mac::go_to, w[2]);
}

void Parser::mmove(const Statement& st) {
    auto o = splitCommon(st.ops);
    if (o.size() >= 4) return err(CompileError::TooManyParams, st.word);
    if (o.size() == 1) return err(CompileError::TooFewParams, st.word);
    if (o.size() >= 3) return err(CompileError::TooManyParams, st.word);
    Coord x, y;
    if (!coord(o[0], "NOW", st.word, x) || !coord(o[1], "NOW", st.word, y)) return;
    setCoords(addRow(st.kw), x, y);
}

// MCLK, MDCLK, MDOWN and MUP: the button L, R or C.
void Parser::button(const Statement& st) {
    auto o = splitCommon(st.ops);
    if (o.size() >= 2) return err(CompileError::TooManyParams, st.word);
    if (o[0] != "L" && o[0] != "R" && o[0] != "C") return err(CompileError::BadParam, st.word);
    m_.set(addRow(st.kw), mac::go_to, o[0]);
}

// WAIT and MTAB: one number, a number variable or a number constant.
void Parser::count(const Statement& st) {
    auto o = splitCommon(st.ops);
    if (o.size() >= 4) return err(CompileError::TooManyParams, st.word);
    if (o.size() >= 2) return err(CompileError::Syntax, st.word);
    std::string_view op = o[0];
    std::string value;
    int kind = KIND_NUMBER;
    if (op[0] == '%') {
        if (op.size() == 1) return err(CompileError::BadName, st.word);
        int r = cx_.findVar(op);
        if (r < 0) return err(CompileError::UndefinedOperand, op);
        value = std::to_string(r);
        kind = KIND_VARIABLE;
    } else if (op[0] == '#') {
        int r = cx_.findVar(op);
        if (r < 0) return err(CompileError::UndefinedOperand, op);
        if (cx_.t.hVal.cell(r, val::type) != kTypeNumber)
            return err(CompileError::ConstantNotNumber, op);
        value = cx_.t.hVal.cell(r, val::value);
    } else if (op[0] == '$') {
        return err(CompileError::ConstantNotNumber, st.word);
    } else {
        if (!allDigits(op)) return err(CompileError::BadParam, st.word);
        value = std::string(op);
    }
    int r = addRow(st.kw);
    m_.set(r, mac::shiki1, cellCode(kind));
    m_.set(r, mac::go_to, value);
}

// FOCUS, EXECUTE and DESTROY: one quoted text.
void Parser::captionCommand(const Statement& st) {
    std::vector<std::string_view> texts;
    if (!quotedTexts(st.ops, texts)) return err(CompileError::Syntax, st.word);
    if (texts.empty()) return err(CompileError::OperandNeeded, st.word);
    if (texts.size() >= 2) return err(CompileError::TooManyParams, st.word);
    if (texts[0].empty()) return err(CompileError::Syntax, st.word);
    m_.set(addRow(st.kw), mac::go_to, texts[0]);
}

void Parser::key(const Statement& st) {
    std::string first;
    int kind = KIND_KEY_TEXT;
    std::vector<std::string_view> others;
    std::size_t count = 0;
    if (st.ops[0] == '\'') {
        if (!keyText(st.ops, st.word, first, others, count)) return;
    } else {
        auto o = splitCommon(st.ops);
        if (o.size() >= 4) return err(CompileError::TooManyParams, st.word);
        count = o.size();
        others.assign(o.begin() + 1, o.end());
        if (!keyOperand(o[0], st.word, first, kind)) return;
        if (kind == KIND_VARIABLE && count > 1) return err(CompileError::Syntax, st.word);
    }
    for (auto k : others)
        if (!isKeyName(k)) return err(CompileError::BadParam, st.word);
    int row = addRow(OP_KEY);
    m_.set(row, mac::shiki1, first);
    m_.set(row, mac::syurui1, cellCode(kind));
    if (others.size() >= 1) m_.set(row, mac::jyoken, others[0]);
    if (others.size() >= 2) m_.set(row, mac::shiki2, others[1]);
    m_.set(row, mac::go_to, std::to_string(count));
}

// KEY 'text'[,key[,key]]: the text to type and the key names after it.
bool Parser::keyText(std::string_view ops, std::string_view word, std::string& first,
                     std::vector<std::string_view>& others, std::size_t& count) {
    std::size_t q = ops.find('\'', 1);
    if (q == std::string_view::npos) return err(CompileError::BadParam, word), false;
    first = std::string(ops.substr(1, q - 1));
    std::string_view rest = ops.substr(q + 1);
    if (!rest.empty() && rest[0] == ',') rest.remove_prefix(1);
    others = splitCommon(rest, 3);
    count = others.size() + 1;
    if (count >= 4) return err(CompileError::TooManyParams, word), false;
    return true;
}

// The first operand of KEY when it is not quoted: a key name, a constant's text, or a
// variable (whose row index is written, alone on its row).
bool Parser::keyOperand(std::string_view f, std::string_view word, std::string& first, int& kind) {
    if (isKeyName(f)) {
        first = std::string(f);
        kind = KIND_KEY_NAMES;
        return true;
    }
    if (f[0] != '#' && f[0] != '$' && f[0] != '%') return err(CompileError::BadParam, word), false;
    int r = cx_.findVar(f);
    if (r < 0) return err(CompileError::UndefinedOperand, f), false;
    if (f[0] == '#') {
        first = cx_.t.hVal.cell(r, val::value);
        kind = KIND_KEY_TEXT;
    } else {
        first = std::to_string(r);
        kind = KIND_VARIABLE;
    }
    return true;
}

// WMOVE and WSIZE: a caption and two coordinates.
void Parser::windowCoords(const Statement& st) {
    std::string_view caption;
    std::vector<std::string_view> rest;
    if (!captionAndTwo(st.ops, st.word, false, caption, rest)) return;
    std::string_view keep = st.kw == OP_WMOVE ? "NOW" : "KEEP";
    Coord x, y;
    if (!coord(rest[0], keep, st.word, x) || !coord(rest[1], keep, st.word, y)) return;
    int r = addRow(st.kw);
    setCoords(r, x, y);
    m_.set(r, mac::Caption, caption);
}

void Parser::getMpos(const Statement& st) {
    auto o = splitCommon(st.ops);
    if (o.size() >= 3) return err(CompileError::TooManyParams, st.word);
    if (o.size() == 1) return err(CompileError::TooFewParams, st.word);
    int x = numVarOperand(o[0], st.word);
    if (x < 0) return;
    int y = numVarOperand(o[1], st.word);
    if (y < 0) return;
    setTargets(addRow(st.kw), x, y);
}

// GETWPOS and GETWSIZ: a caption and two number variables.
void Parser::windowQuery(const Statement& st) {
    std::string_view caption;
    std::vector<std::string_view> rest;
    if (!captionAndTwo(st.ops, st.word, false, caption, rest)) return;
    int x = numVarOperand(rest[0], st.word);
    if (x < 0) return;
    int y = numVarOperand(rest[1], st.word);
    if (y < 0) return;
    int r = addRow(st.kw);
    setTargets(r, x, y);
    m_.set(r, mac::go_to, caption);
}

void Parser::assignment(std::string_view word, std::size_t scanStart) {
    int r = cx_.findVar(word);
    if (r < 0) return err(CompileError::UndefinedName, word);
    AssignResult res = compileAssignment(cx_, line_, scanStart, r, line0_, level_, tempCounter_,
                                         statementCounter_);
    if (res.nextTemp < 0) {
        cx_.errorFlag = true;
        return;
    }
    if (!res.isFunction) {
        tempCounter_ = res.nextTemp;
        ++statementCounter_;
    }
}

// ---- operands ----

// A coordinate operand of MMOVE, WMOVE or WSIZE; `keep` is NOW or KEEP.
bool Parser::coord(std::string_view op, std::string_view keep, std::string_view word, Coord& out) {
    if (op == keep) {
        out = {std::string(op), COORD_KEEP, KIND_NONE};
        return true;
    }
    out.mode = COORD_ABS;
    std::string_view s = op;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        out.mode = s[0] == '+' ? COORD_ADD : COORD_SUB;
        s.remove_prefix(1);
    }
    if (!s.empty() && (s[0] == '%' || s[0] == '#')) return coordReference(s, word, out);
    if (!s.empty() && s[0] == '$') return err(CompileError::ConstantNotNumber, op), false;
    if (!allDigits(s)) return err(CompileError::BadParam, word), false;
    out.value = std::string(s);
    out.kind = KIND_NUMBER;
    return true;
}

// A coordinate given by a number variable (its row index) or a number constant (its value).
bool Parser::coordReference(std::string_view s, std::string_view word, Coord& out) {
    if (s[0] == '%' && s.size() == 1) return err(CompileError::BadName, word), false;
    int r = cx_.findVar(s);
    if (r < 0) return err(CompileError::UndefinedOperand, s), false;
    if (s[0] == '%') {
        out.value = std::to_string(r);
        out.kind = KIND_VARIABLE;
        return true;
    }
    if (cx_.t.hVal.cell(r, val::type) != kTypeNumber)
        return err(CompileError::ConstantNotNumber, s), false;
    out.value = cx_.t.hVal.cell(r, val::value);
    out.kind = KIND_NUMBER;
    return true;
}

// A "%" variable operand of GETMPOS, GETWPOS, GETWSIZ: its hVal index or -1.
int Parser::numVarOperand(std::string_view op, std::string_view word) {
    if (op.empty() || op[0] != '%') return err(CompileError::NumberVariableOnly, op), -1;
    if (op.size() == 1) return err(CompileError::BadName, word), -1;
    int r = cx_.findVar(op);
    if (r < 0) return err(CompileError::UndefinedOperand, op), -1;
    return r;
}

// The operands of OPEN, WMOVE, WSIZE, GETWPOS and GETWSIZ: a first operand between single
// quotation marks, then two words (after "AS" for OPEN). Returns false after an error.
bool Parser::captionAndTwo(std::string_view ops, std::string_view word, bool needAs,
                           std::string_view& first, std::vector<std::string_view>& rest) {
    if (ops[0] != '\'') return err(CompileError::OperandNeeded, word), false;
    std::size_t q = ops.find('\'', 1);
    if (q == std::string_view::npos) return err(CompileError::Syntax, word), false;
    first = ops.substr(1, q - 1);
    rest = splitWords(ops.substr(q + 1));
    const std::size_t count = rest.size() + 1;
    if (count == 1) return err(CompileError::TooFewParams, word), false;
    if (count == 2) return err(CompileError::Syntax, word), false;
    if (needAs && rest[0] != "AS") return err(CompileError::Syntax, word), false;
    if (count == 4 || count == 5) return err(CompileError::Syntax, word), false;
    if (count >= 6) return err(CompileError::TooManyParams, word), false;
    return true;
}

void Parser::setCoords(int row, const Coord& x, const Coord& y) {
    m_.set(row, mac::shiki1, x.value);
    m_.set(row, mac::syurui1, cellCode(x.mode));
    m_.set(row, mac::jyoken, cellCode(x.kind));
    m_.set(row, mac::shiki2, y.value);
    m_.set(row, mac::syurui2, cellCode(y.mode));
    m_.set(row, mac::go_to, cellCode(y.kind));
}

// The number variables GETMPOS, GETWPOS and GETWSIZ write x and y into.
void Parser::setTargets(int row, int x, int y) {
    m_.set(row, mac::shiki1, std::to_string(x));
    m_.set(row, mac::syurui1, std::to_string(y));
}

}  // namespace orv::parser
