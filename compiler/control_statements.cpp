// The parser's blocks and the statements that open, continue and close them (IF, ELSE,
// ENDIF, DO, ENDDO, SELECT, CASE, ENDSELECT, EXIT), START, END, labels and DEFINE.
#include "compiler/condition_compiler.h"
#include "compiler/statement_parser_internal.h"
#include "lang/text.h"

namespace orv::parser {

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

}  // namespace orv::parser
