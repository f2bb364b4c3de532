// Phase 1 of the condition compiler: the character scanner, which writes every comparison
// and every connective (AND, OR) of the condition as a row of the work table hWrk.
#include <algorithm>
#include <array>
#include <string>

#include "compiler/condition_internal.h"

namespace orv::cond {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSigil(char c) {
    return c == '$' || c == '#' || c == '%';
}
// A number or the end-of-file word ends at one of these.
bool endsWord(char c) {
    return c == ' ' || c == ')' || c == '\r';
}
// A name ends at one of these.
bool endsName(char c) {
    return c == ' ' || c == '(' || c == ')' || c == '<' || c == '=' || c == '>';
}

}  // namespace

bool ConditionCompiler::newBlock() {
    if (blockNo_ >= kMaxBlocks) return fail(CompileError::BadCondition);
    ++blockNo_;
    return true;
}

bool ConditionCompiler::newGroup(int lvl) {
    if (static_cast<int>(groups_.size()) >= kMaxGroups) return fail(CompileError::BadCondition);
    int id = static_cast<int>(groups_.size()) + 1;
    groups_.push_back({id, lvl});
    curGrp_ = id;
    return true;
}

// The scanner step for each byte that starts something in a condition (a blank is passed
// over); null: the byte cannot stand there.
constexpr std::array<ConditionCompiler::Step, 256> ConditionCompiler::kSteps = [] {
    std::array<Step, 256> t{};
    const auto set = [&t](std::string_view bytes, Step step) {
        for (char c : bytes) t[static_cast<unsigned char>(c)] = step;
    };
    set("(", &ConditionCompiler::openParen);
    set(")", &ConditionCompiler::closeParen);
    set("=<>", &ConditionCompiler::scanOperator);
    set("AO", &ConditionCompiler::scanConnective);
    set("$%#&'E0123456789", &ConditionCompiler::scanOperand);
    return t;
}();

bool ConditionCompiler::scan() {
    while (pos_ < s_.size()) {
        if (s_[pos_] == ' ') {  // the commonest byte, passed over without a step
            ++pos_;
            continue;
        }
        const Step step = kSteps[static_cast<unsigned char>(s_[pos_])];
        if (!step) return fail(CompileError::BadCondition);
        if (!(this->*step)()) return false;
    }
    return true;
}

// An operand is a plain token: no parenthesis may open inside a comparison, except around
// its right operand (the depth it reaches only counts where the comparison joins its
// neighbours, as after any other parenthesis).
bool ConditionCompiler::openParen() {
    if (underConstruction() && !awaitingRight()) return fail(CompileError::BadCondition);
    ++opens_;
    ++depth_;
    seenParen_ = true;
    ++pos_;
    return true;
}

// A ")" closes the comparison under construction, or stands after a closed one.
bool ConditionCompiler::closeParen() {
    const bool closing = right_.present;
    if (closing) {
        if (!closeComparison()) return false;
    } else if (left_.present) {
        return fail(CompileError::BadCondition);
    } else if (haveOp_) {
        return fail(CompileError::BadOperator);
    }
    ++closes_;
    --depth_;
    minSince_ = closing ? depth_ : std::min(minSince_, depth_);
    ++pos_;
    return true;
}

bool ConditionCompiler::scanOperator() {
    if (!seenParen_) return fail(CompileError::ParenNeeded);
    if (haveOp_) return fail(CompileError::BadCondition);
    char c = s_[pos_];
    char next = pos_ + 1 < s_.size() ? s_[pos_ + 1] : '\0';
    int len = 1;
    if (c == '=') {
        if (next != '=') return fail(CompileError::OperatorNotAllowed, s_.substr(pos_, 2));
        op_ = CMP_EQ;
        len = 2;
    } else if (c == '>') {
        op_ = next == '=' ? CMP_GE : CMP_GT;
        len = next == '=' ? 2 : 1;
    } else if (next == '=') {
        op_ = CMP_LE;
        len = 2;
    } else if (next == '>') {
        op_ = CMP_NE;
        len = 2;
    } else {
        op_ = CMP_LT;
    }
    haveOp_ = true;
    pos_ += static_cast<std::size_t>(len);
    return true;
}

bool ConditionCompiler::scanConnective() {
    const bool isAnd = s_[pos_] == 'A';
    const std::string_view word = isAnd ? "AND" : "OR";
    const std::size_t after = pos_ + word.size();
    if (s_.substr(pos_, word.size()) != word || after >= s_.size() ||
        (s_[after] != ' ' && s_[after] != '('))
        return fail(CompileError::OperatorNotAllowed, s_.substr(pos_, word.size()));
    // A connective cannot stand inside a comparison.
    if (underConstruction()) return fail(CompileError::BadCondition);
    if (lastLvl_ != depth_) {
        if (!newBlock()) return false;
        bool found = false;
        for (const Group& g : groups_) {
            if (g.lvl == depth_) {
                curGrp_ = g.grp;
                found = true;
                break;
            }
        }
        if (!found && !newGroup(depth_)) return false;
        lastLvl_ = depth_;
    }
    int r = wrk_.append(word, wrk_.rowCount());
    wrk_.set(r, wrk::lvl, toText(lastLvl_));
    wrk_.set(r, wrk::grp, toText(curGrp_));
    wrk_.set(r, wrk::block, toText(blockNo_));
    pos_ = after;
    return true;
}

bool ConditionCompiler::scanOperand() {
    char c = s_[pos_];
    if (!seenParen_) {
        // Before the first "(" a digit or an "E" is passed over.
        if (isDigit(c) || c == 'E') {
            ++pos_;
            return true;
        }
        return fail(CompileError::ParenNeeded);
    }
    if (lastLvl_ != depth_ - 1) {
        if (!newGroup(depth_ - 1)) return false;
        lastLvl_ = depth_ - 1;
        if (!newBlock()) return false;
    }
    Operand* o = &left_;
    if (!haveOp_) {
        if (left_.present) return fail(CompileError::BadCondition);
    } else {
        if (right_.present) return fail(CompileError::BadCondition);
        o = &right_;
    }
    bool ok;
    if (c == '\'')
        ok = readLiteral(*o);
    else if (isDigit(c))
        ok = readNumber(*o);
    else if (c == 'E')
        ok = readEof(*o);
    else
        ok = readName(*o);
    if (ok) o->present = true;
    return ok;
}

bool ConditionCompiler::readName(Operand& o) {
    std::size_t end = pos_ + 1;
    while (end < s_.size() && !endsName(s_[end])) {
        if (isSigil(s_[end]) || s_[end] == '&') return fail(CompileError::ParenNeeded);
        ++end;
    }
    if (end >= s_.size()) return fail(CompileError::BadCondition);
    std::string_view token = s_.substr(pos_, end - pos_);
    if (token[0] == '&') {
        o.text = std::string(token);
        o.kind = KIND_FILE;
        o.type = KIND_FILE;
    } else {
        int r = cx_.findVar(token);
        if (r < 0) return fail(CompileError::UndefinedOperand, token);
        if (token[0] == '#') {
            const std::string& type = cx_.t.hVal.cell(r, val::type);
            o.text = cx_.t.hVal.cell(r, val::value);
            o.kind = toInt(type);
            o.type = o.kind;
        } else {
            o.text = toText(r);
            o.kind = KIND_VARIABLE;
            o.type = token[0] == '$' ? KIND_TEXT : KIND_NUMBER;
        }
    }
    pos_ = end;
    return true;
}

bool ConditionCompiler::readLiteral(Operand& o) {
    std::size_t end = pos_ + 1;
    while (end < s_.size() && s_[end] != '\'') {
        if (isSigil(s_[end])) return fail(CompileError::ParenNeeded);
        ++end;
    }
    if (end >= s_.size()) return fail(CompileError::BadCondition);
    o.text = std::string(s_.substr(pos_ + 1, end - pos_ - 1));
    o.kind = KIND_TEXT;
    o.type = KIND_TEXT;
    pos_ = end + 1;
    return true;
}

bool ConditionCompiler::readNumber(Operand& o) {
    std::size_t end = pos_;
    while (end < s_.size() && isDigit(s_[end])) ++end;
    if (end >= s_.size()) return fail(CompileError::BadCondition);
    if (!endsWord(s_[end])) return fail(CompileError::TypeMismatch);
    o.text = std::string(s_.substr(pos_, end - pos_));
    o.kind = KIND_NUMBER;
    o.type = KIND_NUMBER;
    pos_ = end;
    return true;
}

bool ConditionCompiler::readEof(Operand& o) {
    std::size_t end = pos_ + 1;
    while (end < s_.size() && (s_[end] == 'O' || s_[end] == 'F')) ++end;
    if (end >= s_.size()) return fail(CompileError::BadCondition);
    std::string_view word = s_.substr(pos_, end - pos_);
    if (!endsWord(s_[end]) || word != "EOF") return fail(CompileError::TypeMismatch);
    o.text = std::string(word);
    o.kind = KIND_EOF;
    o.type = KIND_EOF;
    pos_ = end;
    return true;
}

bool ConditionCompiler::closeComparison() {
    if (!left_.present || !haveOp_ || !right_.present) return fail(CompileError::BadCondition);
    const int lt = left_.type, rt = right_.type;
    const bool fileTest = (lt == KIND_FILE && rt == KIND_EOF) ||
                          (lt == KIND_EOF && rt == KIND_FILE) ||
                          (lt == KIND_FILE && rt == KIND_FILE);
    if (fileTest) {
        if (op_ != CMP_NE) return fail(CompileError::BadCondition);
    } else if (lt != rt) {
        return fail(CompileError::TypeMismatch);
    } else if (lt == KIND_TEXT && op_ != CMP_EQ && op_ != CMP_NE) {
        return fail(CompileError::BadCondition);
    }
    int r = wrk_.append(left_.text, wrk_.rowCount());
    wrk_.set(r, wrk::shiki1kind, toText(left_.kind));
    wrk_.set(r, wrk::jyoken, toText(op_));
    wrk_.set(r, wrk::shiki2, right_.text);
    wrk_.set(r, wrk::shiki2kind, toText(right_.kind));
    wrk_.set(r, wrk::lvl, toText(lastLvl_));
    wrk_.set(r, wrk::grp, toText(curGrp_));
    wrk_.set(r, wrk::enzantype, toText(rt));
    wrk_.set(r, wrk::block, toText(blockNo_));
    if (comparisons_ > 0) joinDepth_.push_back(minSince_);
    ++comparisons_;
    left_ = Operand{};
    right_ = Operand{};
    haveOp_ = false;
    return true;
}

}  // namespace orv::cond
