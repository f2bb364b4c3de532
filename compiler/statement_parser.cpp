// The statement parser. Each line is scanned for its statement word; a table from the word's
// instruction code to a handler hands the statement to its own short function, which checks
// the operands and writes the statement's rows.
#include "compiler/statement_parser.h"

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "compiler/compile_driver.h"
#include "compiler/condition_compiler.h"
#include "compiler/expression_compiler.h"
#include "lang/debug_out.h"
#include "lang/text.h"

namespace orv {

namespace {

constexpr int kMaxBlocks = 100;

struct Block {
    int level = -1;    // -1: free entry
    int kind = OP_IF;  // OP_IF, OP_DO or OP_SELECT
    int exitRow = -1;
    int secondRow = -1;
    std::string varName;
    int varIndex = -1;
};

// Where a SELECT stands: none open, waiting for its first CASE, or past a CASE.
enum class SelectState { None, InCase, AwaitingCase };

// One operand of MMOVE, WMOVE and WSIZE: value, mode and value kind as written to the row.
struct Coord {
    std::string value;
    int mode = COORD_ABS;
    int kind = KIND_NUMBER;
};

// A statement as the line scanner found it: its word, where the word ends in the line, and
// the operand text from the first byte after the blanks that follow the word.
struct Statement {
    int kw;
    std::string_view word;
    std::size_t afterWord;
    std::string_view ops;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

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

// Words separated by blanks or commas.
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

class Parser {
  public:
    explicit Parser(CompileContext& cx) : cx_(cx), m_(cx.t.hMacro) {}

    bool run(std::string_view text);

  private:
    using Handler = void (Parser::*)(const Statement&);
    struct Entry {
        Handler run;
        bool operands;    // the statement needs operands on its line
        bool needsStart;  // allowed only after START, checked before anything else
    };
    // Indexed by instruction code, OP_IF .. OP_LABEL.
    static const std::array<Entry, kKeywordCount + 1> kStatements;

    void err(CompileError e, std::string_view text = {}) { cx_.error(line0_, e, text); }
    void dumpMacro() { dumpTablesDebug(cx_.t, DUMP_MACRO); }

    void parseLine();
    void dispatch(const Statement& st);

    // Blocks.
    Block* findBlock(int kind);
    Block* findAnyBlock();
    bool anyBlockOfKind(int kind) const;
    bool push(const Block& blk);
    void setGoto(int row, int target) { m_.set(row, mac::go_to, std::to_string(target)); }
    int addJump(std::string_view macroLine);
    int addJump() { return addJump(std::to_string(line0_)); }
    int addRow(int kw) { return cx_.addMacro(kw, level_, line0_); }

    // Statements without operands.
    void elseStatement(const Statement& st);
    void endIf(const Statement& st);
    void endDo(const Statement& st);
    void endSelect(const Statement& st);
    void start(const Statement& st);
    void end(const Statement& st);
    void exitStatement(const Statement& st);
    void label(const Statement& st);

    // Control statements with operands.
    void conditionBlock(const Statement& st);
    void select(const Statement& st);
    void caseStatement(const Statement& st);
    bool caseValue(std::string_view ops, std::string& value, int& kind, bool& isString);
    void addCase(Block& b, std::string_view ops, const std::string& value, int kind, bool isString);
    void define(const Statement& st);
    void defineConstant(std::string_view ops);
    void defineVariables(std::string_view ops);

    // Commands.
    void gotoStatement(const Statement& st);
    void fileCommand(const Statement& st);
    void open(const Statement& st);
    void set(const Statement& st);
    void mmove(const Statement& st);
    void button(const Statement& st);
    void count(const Statement& st);
    void captionCommand(const Statement& st);
    void key(const Statement& st);
    bool keyText(std::string_view ops, std::string_view word, std::string& first,
                 std::vector<std::string_view>& others, std::size_t& count);
    bool keyOperand(std::string_view f, std::string_view word, std::string& first, int& kind);
    void windowCoords(const Statement& st);
    void getMpos(const Statement& st);
    void windowQuery(const Statement& st);
    void assignment(std::string_view word, std::size_t scanStart);

    // Operands.
    bool coord(std::string_view op, std::string_view keep, std::string_view word, Coord& out);
    bool coordReference(std::string_view s, std::string_view word, Coord& out);
    int numVarOperand(std::string_view op, std::string_view word);
    bool captionAndTwo(std::string_view ops, std::string_view word, bool needAs,
                       std::string_view& first, std::vector<std::string_view>& rest);
    void setCoords(int row, const Coord& x, const Coord& y);
    void setTargets(int row, int x, int y);

    CompileContext& cx_;
    RowTable& m_;
    int line0_ = 0;
    std::string_view line_;
    bool startSeen_ = false;
    int level_ = 0;
    SelectState selectState_ = SelectState::None;
    int tempCounter_ = 1;
    int statementCounter_ = 0;
    std::array<Block, kMaxBlocks> blocks_{};
    std::unordered_map<std::string, std::vector<int>> pending_;
};

constexpr std::array<Parser::Entry, kKeywordCount + 1> Parser::kStatements = {{
    {&Parser::conditionBlock, true, false},  // IF
    {&Parser::elseStatement, false, false},  // ELSE
    {&Parser::endIf, false, false},          // ENDIF
    {&Parser::conditionBlock, true, false},  // DO
    {&Parser::endDo, false, false},          // ENDDO
    {&Parser::select, true, false},          // SELECT
    {&Parser::caseStatement, true, false},   // CASE
    {&Parser::endSelect, false, false},      // ENDSELECT
    {&Parser::start, false, false},          // START
    {&Parser::end, false, false},            // END
    {&Parser::exitStatement, false, false},  // EXIT
    {&Parser::gotoStatement, true, true},    // GOTO
    {&Parser::open, true, true},             // OPEN
    {&Parser::fileCommand, true, true},      // CLOSE
    {&Parser::set, true, true},              // SET
    {&Parser::fileCommand, true, true},      // READ
    {&Parser::define, true, false},          // DEFINE
    {&Parser::mmove, true, true},            // MMOVE
    {&Parser::button, true, true},           // MCLK
    {&Parser::button, true, true},           // MDCLK
    {&Parser::button, true, true},           // MDOWN
    {&Parser::button, true, true},           // MUP
    {&Parser::count, true, true},            // WAIT
    {&Parser::captionCommand, true, true},   // FOCUS
    {&Parser::key, true, true},              // KEY
    {&Parser::count, true, true},            // MTAB
    {&Parser::captionCommand, true, true},   // EXECUTE
    {&Parser::windowCoords, true, true},     // WMOVE
    {&Parser::captionCommand, true, true},   // DESTROY
    {&Parser::getMpos, true, true},          // GETMPOS
    {&Parser::windowQuery, true, true},      // GETWPOS
    {&Parser::windowQuery, true, true},      // GETWSIZ
    {&Parser::windowCoords, true, true},     // WSIZE
    {&Parser::label, false, false},          // a label "name:"
}};

bool Parser::run(std::string_view text) {
    std::vector<std::string_view> lines = splitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        line0_ = static_cast<int>(i);
        line_ = lines[i];
        if (!line_.empty()) parseLine();
    }
    if (level_ != 0) {
        cx_.error(0, CompileError::BlockNotClosed);
        return false;
    }
    return !cx_.errorFlag;
}

void Parser::parseLine() {
    const std::string_view line = line_;
    const std::size_t n = line.size();
    std::size_t i = 0;
    bool complete = false;
    std::string_view lastWord;
    while (i < n) {
        char c = line[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        if (c == '@') return;
        if (c == '\r') {
            if (!complete) err(CompileError::OperandMissing, lastWord);
            return;
        }
        if (complete) {
            // Another statement after a complete one: one error per extra word.
            err(CompileError::TwoStatements);
            while (i < n && !isBlank(line[i]) && line[i] != '\r') ++i;
            continue;
        }
        std::size_t ws = i;
        while (i < n && line[i] != ' ' && line[i] != '\r' && line[i] != '=') ++i;
        std::string_view word = line.substr(ws, i - ws);
        lastWord = word;
        int kw = keywordIndex(word);
        if (kw < 0 && !word.empty() && word.back() == ':') kw = OP_LABEL;
        if (kw >= 0) {
            if (!kStatements[static_cast<std::size_t>(kw)].operands) {
                dispatch({kw, word, i, {}});
                complete = true;
                continue;
            }
            std::size_t j = i;
            while (j < n && isBlank(line[j])) ++j;
            if (j >= n || line[j] == '\r') return err(CompileError::OperandMissing, word);
            return dispatch({kw, word, i, line.substr(j)});
        }
        if (!word.empty() && (word[0] == '%' || word[0] == '$')) return assignment(word, i);
        return err(CompileError::UnknownStatement, word);
    }
}

void Parser::dispatch(const Statement& st) {
    const Entry& e = kStatements[static_cast<std::size_t>(st.kw)];
    if (e.needsStart && !startSeen_) return err(CompileError::StartMissing);
    (this->*e.run)(st);
}

// ---- blocks ----

Block* Parser::findBlock(int kind) {
    for (auto& b : blocks_)
        if (b.level == level_ && b.kind == kind) return &b;
    return nullptr;
}

Block* Parser::findAnyBlock() {
    for (auto& b : blocks_)
        if (b.level == level_ && b.level >= 0) return &b;
    return nullptr;
}

bool Parser::anyBlockOfKind(int kind) const {
    for (const auto& b : blocks_)
        if (b.level >= 0 && b.kind == kind) return true;
    return false;
}

// Records an open block; a 101st open block is an error on its own line.
bool Parser::push(const Block& blk) {
    for (auto& b : blocks_) {
        if (b.level < 0) {
            b = blk;
            return true;
        }
    }
    err(CompileError::InvalidStatement);
    return false;
}

int Parser::addJump(std::string_view macroLine) {
    int r = cx_.addMacro(OP_GOTO, level_, macroLine);
    m_.set(r, mac::shiki1, cellCode(JUMP_RESOLVED));
    return r;
}

// ---- statements without operands ----

void Parser::elseStatement(const Statement&) {
    Block* b = level_ == 0 ? nullptr : findBlock(OP_IF);
    if (!b) return err(CompileError::ElseWithoutIf);
    int j = addJump();
    setGoto(b->exitRow, j + 1);
    b->exitRow = j;
}

void Parser::endIf(const Statement&) {
    Block* b = findBlock(OP_IF);
    if (!b) return err(CompileError::EndifWithoutIf);
    setGoto(b->exitRow, m_.rowCount());
    b->level = -1;
    --level_;
}

void Parser::endDo(const Statement&) {
    Block* b = findBlock(OP_DO);
    if (!b) return err(CompileError::EnddoWithoutDo);
    int j = addJump();
    setGoto(j, b->secondRow);
    setGoto(b->exitRow, m_.rowCount());
    b->level = -1;
    --level_;
}

void Parser::endSelect(const Statement&) {
    if (selectState_ != SelectState::InCase) {
        err(CompileError::EndselectWithoutSelect);
        dumpMacro();
        return;
    }
    Block* b = findBlock(OP_SELECT);
    if (!b) {
        if (!cx_.errorFlag) {
            // The innermost open block here is not a SELECT.
            err(CompileError::EndselectWithoutSelect);
            dumpMacro();
            return;
        }
        // The SELECT was not recorded because the compile had already failed.
    } else {
        int rc = m_.rowCount();
        if (b->exitRow >= 0) setGoto(b->exitRow, rc);
        setGoto(b->secondRow, rc);
        b->level = -1;
    }
    --level_;
    if (!anyBlockOfKind(OP_SELECT)) selectState_ = SelectState::None;
    dumpMacro();
}

void Parser::start(const Statement&) {
    if (startSeen_) return err(CompileError::StartTwice);
    startSeen_ = true;
}

void Parser::end(const Statement&) {
    addRow(OP_END);
}

void Parser::exitStatement(const Statement&) {
    if (level_ == 0) return err(CompileError::NoEnclosingBlock);
    Block* b = findAnyBlock();
    // Without a recorded block the compile has already failed.
    if (!b) return;
    int target = b->kind == OP_SELECT ? b->secondRow : b->exitRow;
    if (target < 0) return;
    int j = addJump();
    setGoto(j, target);
}

void Parser::label(const Statement& st) {
    std::string_view name = st.word.substr(0, st.word.size() - 1);
    int r = cx_.findName(name);
    if (r >= 0) {
        if (cx_.t.hVal.cell(r, val::type) == kTypeLabel) return err(CompileError::LabelTwice, name);
        return err(CompileError::NameTaken, name);
    }
    int rc = m_.rowCount();
    cx_.addVal(name, kTypeLabel, std::to_string(rc));
    auto it = pending_.find(std::string(nameKey(name)));
    if (it == pending_.end()) return;
    for (int row : it->second) {
        if (m_.cell(row, mac::instruct) == cellCode(OP_GOTO) &&
            m_.cell(row, mac::shiki1) == cellCode(JUMP_PENDING) &&
            nameKey(m_.cell(row, mac::go_to)) == nameKey(name)) {
            setGoto(row, rc);
            m_.set(row, mac::shiki1, cellCode(JUMP_RESOLVED));
        }
    }
    pending_.erase(it);
}

// ---- control statements with operands ----

// IF and DO: the condition's rows; the block remembers its false exit and its first row.
void Parser::conditionBlock(const Statement& st) {
    ++level_;
    if (!startSeen_) return err(CompileError::StartMissing);
    if (selectState_ == SelectState::AwaitingCase) return err(CompileError::CaseMissing);
    int noted = m_.rowCount();
    int exitRow = compileCondition(cx_, line_.substr(st.afterWord), line0_, level_);
    if (exitRow < 0) {
        cx_.errorFlag = true;
        return;
    }
    Block b;
    b.level = level_;
    b.kind = st.kw;
    b.exitRow = exitRow;
    b.secondRow = noted;
    push(b);
}

void Parser::select(const Statement& st) {
    std::string_view ops = st.ops;
    if (!startSeen_) return err(CompileError::StartMissing);
    ++level_;
    if (selectState_ == SelectState::AwaitingCase) return err(CompileError::CaseMissing);
    int r = cx_.findName(ops);
    if (r < 0) {
        err(CompileError::UndefinedName, ops);
        dumpMacro();
        return;
    }
    if ((ops[0] != '$' && ops[0] != '%') || cx_.findVar(ops) != r) {
        err(CompileError::SelectNotVariable);
        dumpMacro();
        return;
    }
    selectState_ = SelectState::AwaitingCase;
    if (!cx_.errorFlag) {
        int a = addJump(kNoLine);
        setGoto(a, a + 2);
        int bRow = addJump(kNoLine);
        Block b;
        b.level = level_;
        b.kind = OP_SELECT;
        b.exitRow = -1;
        b.secondRow = bRow;
        b.varName = std::string(ops);
        b.varIndex = r;
        push(b);
    }
    dumpMacro();
}

void Parser::caseStatement(const Statement& st) {
    if (!startSeen_) return err(CompileError::StartMissing);
    if (selectState_ == SelectState::None) {
        err(CompileError::SelectMissing);
        dumpMacro();
        return;
    }
    if (selectState_ == SelectState::AwaitingCase) selectState_ = SelectState::InCase;
    std::string value;
    int kind = KIND_NUMBER;
    bool isString = false;
    if (!caseValue(st.ops, value, kind, isString)) {
        dumpMacro();
        return;
    }
    Block* b = findBlock(OP_SELECT);
    if (!b) {
        // A CASE whose innermost open block is not a SELECT; after an earlier error the
        // SELECT itself may not have been recorded.
        if (!cx_.errorFlag) err(CompileError::SelectMissing);
        dumpMacro();
        return;
    }
    addCase(*b, st.ops, value, kind, isString);
    dumpMacro();
}

// The value a CASE compares with: a quoted text, a variable or constant, or digits.
bool Parser::caseValue(std::string_view ops, std::string& value, int& kind, bool& isString) {
    if (ops[0] == '\'') {
        std::size_t q = ops.find('\'', 1);
        if (q == std::string_view::npos) return err(CompileError::BadDefinition, ops), false;
        value = std::string(ops.substr(1, q - 1));
        kind = KIND_TEXT;
        isString = true;
        return true;
    }
    std::string_view first = ops.substr(0, ops.find_first_of(" \t"));
    if (ops[0] == '$' || ops[0] == '%' || ops[0] == '#') {
        int r = cx_.findVar(first);
        if (r < 0) return err(CompileError::UndefinedName, first), false;
        if (first[0] == '#') {
            value = cx_.t.hVal.cell(r, val::value);
            kind = toInt(cx_.t.hVal.cell(r, val::type));
            isString = kind == KIND_TEXT;
        } else {
            value = std::to_string(r);
            kind = KIND_VARIABLE;
            isString = first[0] == '$';
        }
        return true;
    }
    if (!allDigits(first)) return err(CompileError::BadDefinition, first), false;
    value = std::string(first);
    kind = KIND_NUMBER;
    return true;
}

// Closes the previous CASE of the block and writes this CASE's test and its jump.
void Parser::addCase(Block& b, std::string_view ops, const std::string& value, int kind,
                     bool isString) {
    int rc = m_.rowCount();
    if (b.exitRow >= 0) {
        setGoto(b.exitRow, rc);
        if (rc == b.exitRow + 2) setGoto(b.exitRow + 1, rc + 1);
    }
    bool selString = !b.varName.empty() && b.varName[0] == '$';
    if (selString != isString) return err(CompileError::CaseTypeMismatch, ops);
    if (cx_.errorFlag) return;
    int c = addRow(OP_IF);
    m_.set(c, mac::shiki1, std::to_string(b.varIndex));
    m_.set(c, mac::syurui1, cellCode(KIND_VARIABLE));
    m_.set(c, mac::jyoken, cellCode(CMP_EQ));
    m_.set(c, mac::shiki2, value);
    m_.set(c, mac::syurui2, cellCode(kind));
    int j = addJump();
    setGoto(j, j + 1);
    b.exitRow = c;
}

void Parser::define(const Statement& st) {
    if (startSeen_) return err(CompileError::DefineAfterStart);
    if (st.ops[0] == '#') return defineConstant(st.ops);
    defineVariables(st.ops);
}

void Parser::defineConstant(std::string_view ops) {
    std::size_t e = ops.find_first_of(" \t\r");
    if (e == std::string_view::npos) return err(CompileError::UndefinedOperand, ops);
    std::string_view name = ops.substr(0, e);
    std::size_t p = e;
    while (p < ops.size() && isBlank(ops[p])) ++p;
    if (p >= ops.size()) return err(CompileError::UndefinedOperand, name);
    std::string_view value;
    std::string_view type;
    if (ops[p] == '\'') {
        std::size_t q = ops.find('\'', p + 1);
        if (q == std::string_view::npos) return err(CompileError::BadDefinition, name);
        value = ops.substr(p + 1, q - p - 1);
        type = kTypeString;
    } else if (ops[p] >= '0' && ops[p] <= '9') {
        std::size_t q = p;
        while (q < ops.size() && !isBlank(ops[q])) ++q;
        value = ops.substr(p, q - p);
        if (!allDigits(value)) return err(CompileError::BadDefinition, name);
        type = kTypeNumber;
    } else {
        return err(CompileError::BadDefinition, name);
    }
    if (cx_.findName(name) >= 0) return err(CompileError::AlreadyDeclared, name);
    cx_.addVal(name, type, value);
}

void Parser::defineVariables(std::string_view ops) {
    for (std::string_view name : splitWords(ops)) {
        if (name[0] != '$' && name[0] != '%') return err(CompileError::BadVariableName);
        if (cx_.findName(name) >= 0) return err(CompileError::AlreadyDeclared, name);
        if (name[0] == '$')
            cx_.addVal(name, kTypeString, "");
        else
            cx_.addVal(name, kTypeNumber, kZeroValue);
    }
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

}  // namespace

bool parseStatements(CompileContext& cx, std::string_view text) {
    // Room for the rows a text of this shape is likely to need, so that a large macro's tables
    // are not copied as they grow: about one instruction row a line, and for each '=' (an
    // assignment, or part of a comparison) up to three calculation rows and two temporaries.
    int lines = 1, equals = 0;
    for (char c : text) {
        lines += c == '\n';
        equals += c == '=';
    }
    cx.t.hMacro.reserve(lines + 8);
    cx.reserveVals(2 * equals + 64);
    cx.t.hCal.reserve(3 * equals);
    Parser p(cx);
    return p.run(text);
}

}  // namespace orv
