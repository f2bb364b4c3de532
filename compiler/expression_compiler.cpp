// The expression compiler.
//
// An arithmetic or copy assignment becomes one hCal row per operator (each writing a fresh
// numeric temporary "!n" appended to hVal), a final "=" row into the target, and one code-34
// hMacro row that points at the statement's first hCal row. A call of one of the seven
// built-in functions becomes one hMacro row with code 35 to 41 (function_compiler.cpp).
//
// Every check of a statement is made before anything is appended, so a statement that fails
// leaves no rows and no temporaries behind; exactly one error line is written for it.
#include "compiler/expression_compiler.h"

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/expression_internal.h"
#include "lang/debug_out.h"
#include "lang/tables.h"
#include "lang/text.h"

namespace orv {

namespace expr {

namespace {

// ---------------------------------------------------------------------------------------------
// Characters of an expression.

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isOperator(char c) {
    return c == '+' || c == '-' || c == '*' || c == '/';
}
bool isParen(char c) {
    return c == '(' || c == ')';
}
// Where a name, a digit run or an unknown word inside an expression ends.
bool endsWord(char c) {
    return isBlank(c) || isOperator(c) || isParen(c);
}

// ---------------------------------------------------------------------------------------------
// Expression tokens.

enum class Tok { Number, Name, Literal, Op, LParen, RParen, Word };

struct Token {
    Tok kind;
    std::string_view text;
    bool closed = true;  // Literal: the closing quotation mark was found
};

// Reads one token starting at the non-blank byte s[p]; advances p past it.
Token lexToken(std::string_view s, std::size_t& p) {
    const std::size_t start = p;
    const char c = s[p];
    auto runToWordEnd = [&] {
        while (p < s.size() && !endsWord(s[p])) ++p;
    };
    Token t{Tok::Word, {}};
    if (isOperator(c)) {
        ++p;
        t.kind = Tok::Op;
    } else if (c == '(') {
        ++p;
        t.kind = Tok::LParen;
    } else if (c == ')') {
        ++p;
        t.kind = Tok::RParen;
    } else if (isDigit(c)) {
        runToWordEnd();
        t.kind = Tok::Number;
    } else if (c == '%' || c == '$' || c == '#') {
        runToWordEnd();
        t.kind = Tok::Name;
    } else if (c == '\'') {
        std::size_t close = s.find('\'', p + 1);
        t.kind = Tok::Literal;
        if (close == std::string_view::npos) {
            p = s.size();
            t.closed = false;
        } else {
            p = close + 1;
        }
    } else if (isLetter(c)) {
        // A function name: letters and digits, so that "GETTIME+1:0:0" and "GETSTR$s,1,2"
        // separate the name from its arguments.
        while (p < s.size() && (isLetter(s[p]) || isDigit(s[p]))) ++p;
    } else {
        runToWordEnd();
    }
    t.text = s.substr(start, p - start);
    return t;
}

// An operand of the right side as it will be written into hCal.
struct Operand {
    std::string cell;       // value text, or hVal index
    std::string_view kind;  // the cell code of KIND_NUMBER (a value) or KIND_VARIABLE
};

// One element of the parsed expression: an operand leaf or a two-operand operation.
struct Node {
    bool isOp = false;
    char op = 0;
    int left = -1, right = -1;  // node indices (operations)
    int seq = 0;                // position of the operator among all operators
    int depth = 0;              // distance from the outermost operation
    int token = -1;             // token index (operands)
    int tempRow = -1;           // hVal row of the temporary (operations)
    std::string tempName;       // "!n" (operations)
};

std::string_view opCode(char op) {
    switch (op) {
        case '+':
            return cellCode(CALC_ADD);
        case '-':
            return cellCode(CALC_SUB);
        case '/':
            return cellCode(CALC_DIV);
        default:
            return cellCode(CALC_MUL);
    }
}
int precedence(char op) {
    return (op == '*' || op == '/') ? 2 : 1;
}

// Checks one token of the right side as it is read: word tokens after the first, malformed
// digit runs and literals, operand types, and constants (whose type decides their use).
// `operand` receives the cells of a literal, a number or a constant; "%" and "$" variables
// are filled in once the whole expression has been checked.
bool checkToken(Statement& st, std::size_t index, const Token& tok, Operand& operand) {
    if (tok.kind == Tok::Word)
        return st.fail(CompileError::BadAssignment);  // a function name inside an expression
    if (tok.kind == Tok::Literal && !tok.closed) return st.fail(CompileError::BadAssignment);
    if (st.targetIsString) {
        // Exactly one operand: a string literal, a "$" variable or a string constant.
        if (index > 0) return st.fail(CompileError::TypeMismatch, tok.text);
        if (tok.kind == Tok::Literal) {
            operand = {std::string(tok.text.substr(1, tok.text.size() - 2)), kValue};
            return true;
        }
        if (tok.kind == Tok::Name && tok.text[0] == '$') return true;  // looked up later
        if (tok.kind == Tok::Name && tok.text[0] == '#') {
            int r = st.cx.findVar(tok.text);
            if (r < 0) return st.fail(CompileError::UndefinedName, tok.text);
            if (st.hVal().cell(r, val::type) != kTypeString)
                return st.fail(CompileError::TypeMismatch, tok.text);
            operand = {st.hVal().cell(r, val::value), kValue};
            return true;
        }
        return st.fail(CompileError::TypeMismatch, tok.text);
    }
    switch (tok.kind) {
        case Tok::Number:
            if (!allDigits(tok.text)) return st.fail(CompileError::BadAssignment, tok.text);
            operand = {std::string(tok.text), kValue};
            return true;
        case Tok::Literal:
            return st.fail(CompileError::TypeMismatch, tok.text);
        case Tok::Name:
            if (tok.text[0] == '$') return st.fail(CompileError::TypeMismatch, tok.text);
            if (tok.text[0] == '#') {
                int r = st.cx.findVar(tok.text);
                if (r < 0) return st.fail(CompileError::UndefinedName, tok.text);
                if (st.hVal().cell(r, val::type) != kTypeNumber)
                    return st.fail(CompileError::TypeMismatch, tok.text);
                operand = {st.hVal().cell(r, val::value), kValue};
            }
            return true;  // "%" names are looked up after the expression has been parsed
        default:
            return true;
    }
}

constexpr char kOpenParen = 0;  // a "(" on the operator stack

// The operator stack and the value stack of the expression parser. Nodes are created in the
// order the operations are completed, so each operation follows its operands.
struct Shunt {
    struct Pending {
        char op;  // kOpenParen for "("
        int seq;
    };
    std::vector<Node>& nodes;
    std::vector<Pending> ops;
    std::vector<int> values;
    int seq = 0;

    void push(const Node& n) {
        nodes.push_back(n);
        values.push_back(static_cast<int>(nodes.size()) - 1);
    }
    void reduce() {
        Pending p = ops.back();
        ops.pop_back();
        Node n;
        n.isOp = true;
        n.op = p.op;
        n.seq = p.seq;
        n.right = values.back();
        values.pop_back();
        n.left = values.back();
        values.pop_back();
        push(n);
    }
    // A binary operator: completes the pending operations that bind at least as tightly.
    void binary(char op) {
        while (!ops.empty() && ops.back().op != kOpenParen &&
               precedence(ops.back().op) >= precedence(op))
            reduce();
        ops.push_back({op, seq++});
    }
    // ")": false when no "(" is open.
    bool close() {
        while (!ops.empty() && ops.back().op != kOpenParen) reduce();
        if (ops.empty()) return false;
        ops.pop_back();
        return true;
    }
    // The end of the expression: false when a "(" was never closed.
    bool finish() {
        while (!ops.empty()) {
            if (ops.back().op == kOpenParen) return false;
            reduce();
        }
        return true;
    }
};

// Depths: the outermost operation (the last node) is 0; walk from it towards the operands.
void setDepths(std::vector<Node>& nodes) {
    for (std::size_t i = nodes.size(); i-- > 0;) {
        const Node& n = nodes[i];
        if (!n.isOp) continue;
        nodes[static_cast<std::size_t>(n.left)].depth = n.depth + 1;
        nodes[static_cast<std::size_t>(n.right)].depth = n.depth + 1;
    }
}

// Parses the operator structure of a numeric right side (operator precedence, left
// grouping, parentheses to any depth) without recursion; the last node is the outermost one.
bool parseExpression(Statement& st, const std::vector<Token>& toks, std::vector<Node>& nodes) {
    Shunt sh{nodes, {}, {}};
    bool expectOperand = true;
    for (std::size_t i = 0; i < toks.size(); ++i) {
        const Token& t = toks[i];
        if (expectOperand) {
            if (t.kind == Tok::Number || t.kind == Tok::Name || t.kind == Tok::Literal) {
                Node n;
                n.token = static_cast<int>(i);
                sh.push(n);
                expectOperand = false;
            } else if (t.kind == Tok::LParen) {
                sh.ops.push_back({kOpenParen, 0});
            } else {
                // A missing operand, a leading sign, a doubled operator or "()".
                return st.fail(CompileError::BadAssignment);
            }
            continue;
        }
        if (t.kind == Tok::Op) {
            sh.binary(t.text[0]);
            expectOperand = true;
        } else if (t.kind != Tok::RParen || !sh.close()) {
            // Two operands in a row, "(" after an operand, or ")" without "(".
            return st.fail(CompileError::BadAssignment);
        }
    }
    // An empty right side, a dangling operator, or a "(" never closed.
    if (expectOperand || !sh.finish()) return st.fail(CompileError::BadAssignment);
    setDepths(nodes);
    return true;
}

// Writes the operation table of one statement to the debug channel.
void traceOperations(const Statement& st, const std::vector<Token>& toks,
                     const std::vector<Node>& nodes, std::string_view finalValue) {
    static const std::string header = sj("/LVL/演算子/左辺/右辺/Reslt \r\n");
    dbg::out(header);
    auto text = [&](int node) -> std::string {
        const Node& n = nodes[static_cast<std::size_t>(node)];
        if (n.isOp) return n.tempName;
        return std::string(toks[static_cast<std::size_t>(n.token)].text);
    };
    auto row = [](std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                  std::string_view e) {
        std::string line;
        line.append(a).append("/").append(b).append("/").append(c).append("/").append(d);
        line.append("/").append(e).append(" \r\n");
        dbg::out(line);
    };
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Node& n = nodes[i];
        if (!n.isOp) continue;
        row(std::to_string(n.depth), opCode(n.op), text(n.left), text(n.right), n.tempName);
    }
    row(toText(0), kCalcCopy, finalValue, "", st.targetName);
}

// Sorts the rows appended since `oldCount` into place. Each statement's rows carry a larger
// SORTBLOCK than every earlier row, so sorting the new rows alone normally suffices; the whole
// table is sorted only when the new rows would not follow the old ones.
void sortNewRows(RowTable& hCal, int oldCount) {
    auto cmp = [&hCal](int a, int b) { return hCalCompare(hCal, a, b); };
    hCal.sortRange(oldCount, hCal.rowCount(), cmp);
    if (oldCount > 0 && oldCount < hCal.rowCount() && cmp(oldCount - 1, oldCount) > 0)
        hCal.sort(cmp);
}

int appendCalRow(RowTable& hCal, const std::string& left, const Operand& r1, std::string_view op,
                 const Operand* r2, const std::string& block, int level, int seq) {
    int r = hCal.append(left, hCal.rowCount());
    hCal.set(r, cal::RIGHT1, r1.cell);
    hCal.set(r, cal::RIGHT1_KIND, r1.kind);
    hCal.set(r, cal::ENZANSI, op);
    if (r2) {
        hCal.set(r, cal::RIGHT2, r2->cell);
        hCal.set(r, cal::RIGHT2_KIND, r2->kind);
    }
    hCal.set(r, cal::SORTBLOCK, block);
    hCal.set(r, cal::SORTLEVEL, std::to_string(level));
    hCal.set(r, cal::SORTSEQ, std::to_string(seq));
    return r;
}

// ---------------------------------------------------------------------------------------------
// Arithmetic and copy assignments.

// Variables named in the expression must be declared; their operands become row indices.
bool lookUpVariables(Statement& st, const std::vector<Token>& toks,
                     std::vector<Operand>& operands) {
    for (std::size_t i = 0; i < toks.size(); ++i) {
        const Token& t = toks[i];
        if (t.kind != Tok::Name || (t.text[0] != '%' && t.text[0] != '$')) continue;
        int r = st.cx.findVar(t.text);
        if (r < 0) return st.fail(CompileError::UndefinedName, t.text);
        operands[i] = {std::to_string(r), kVariable};
    }
    return true;
}

// Registers one temporary for each operation, in completion order; returns their count.
int addTemporaries(CompileContext& cx, std::vector<Node>& nodes, int tempCounter) {
    int temps = 0;
    for (Node& n : nodes) {
        if (!n.isOp) continue;
        const auto number =
            static_cast<std::uint32_t>(tempCounter) + static_cast<std::uint32_t>(temps++);
        n.tempName = "!" + std::to_string(static_cast<std::int32_t>(number));
        n.tempRow = cx.addTemporary(n.tempName, static_cast<std::int32_t>(number));
    }
    return temps;
}

bool compileCalculation(Statement& st, const std::vector<Token>& toks,
                        std::vector<Operand>& operands, int tempCounter, int statementCounter,
                        int& temps) {
    std::vector<Node> nodes;
    nodes.reserve(toks.size());
    if (st.targetIsString) {
        // checkToken has accepted exactly one operand.
        Node n;
        n.token = 0;
        nodes.push_back(n);
    } else if (!parseExpression(st, toks, nodes)) {
        return false;
    }
    if (!lookUpVariables(st, toks, operands)) return false;

    // Every check has passed.
    CompileContext& cx = st.cx;
    temps = addTemporaries(cx, nodes, tempCounter);
    auto operandOf = [&](int node) -> Operand {
        const Node& n = nodes[static_cast<std::size_t>(node)];
        if (n.isOp) return {std::to_string(n.tempRow), kVariable};
        return operands[static_cast<std::size_t>(n.token)];
    };
    const Node& root = nodes.back();
    if (dbg::enabled())
        traceOperations(st, toks, nodes,
                        root.isOp ? std::string_view(root.tempName)
                                  : toks[static_cast<std::size_t>(root.token)].text);

    RowTable& hCal = cx.t.hCal;
    const int oldCount = hCal.rowCount();
    const std::string block = std::to_string(statementCounter);
    for (const Node& n : nodes) {
        if (!n.isOp) continue;
        const Operand l = operandOf(n.left), r = operandOf(n.right);
        appendCalRow(hCal, std::to_string(n.tempRow), l, opCode(n.op), &r, block, n.depth, n.seq);
    }
    const Operand finalValue = operandOf(static_cast<int>(nodes.size()) - 1);
    appendCalRow(hCal, std::to_string(st.target), finalValue, kCalcCopy, nullptr, block, 0, temps);
    sortNewRows(hCal, oldCount);

    int m = cx.addMacro(OP_CALC, st.level, st.line0);
    cx.t.hMacro.set(m, mac::go_to, std::to_string(oldCount));
    return true;
}

// Runs one statement; returns whether it compiled, and sets `isFunction` and `temps`.
bool compileStatement(Statement& st, std::string_view s, std::size_t p, int tempCounter,
                      int statementCounter, bool& isFunction, int& temps) {
    const std::string& type = st.hVal().cell(st.target, val::type);
    const bool numeric = !st.targetName.empty() && st.targetName[0] == '%' && type == kTypeNumber;
    if (!st.targetIsString && !numeric)
        return st.fail(CompileError::BadTargetType, st.targetName);  // not a variable

    auto skipBlanks = [&] {
        while (p < s.size() && isBlank(s[p])) ++p;
    };
    skipBlanks();
    if (p >= s.size() || s[p] != '=') return st.fail(CompileError::BadAssignment);
    ++p;
    if (p < s.size() && s[p] == '=') return st.fail(CompileError::BadAssignment);

    std::vector<Token> toks;
    std::vector<Operand> operands;
    toks.reserve(16);
    operands.reserve(16);
    for (;;) {
        skipBlanks();
        if (p >= s.size()) break;
        Token tok = lexToken(s, p);
        if (tok.kind == Tok::Word && toks.empty()) {
            // A function call: the whole right side is the name and its arguments.
            int fn = findFunction(tok.text);
            if (fn < 0) return st.fail(CompileError::BadAssignment, tok.text);
            isFunction = true;
            return compileFunction(st, fn, s.substr(p));
        }
        operands.push_back({});
        if (!checkToken(st, toks.size(), tok, operands.back())) return false;
        toks.push_back(tok);
    }
    if (toks.empty()) return st.fail(CompileError::BadAssignment);
    return compileCalculation(st, toks, operands, tempCounter, statementCounter, temps);
}

}  // namespace

}  // namespace expr

AssignResult compileAssignment(CompileContext& cx, std::string_view line, std::size_t scanStart,
                               int targetIndex, int line0, int level, int tempCounter,
                               int statementCounter) {
    // The statement ends at the end of the line or at its line end.
    std::size_t end = line.find_first_of("\r\n");
    if (end != std::string_view::npos) line = line.substr(0, end);

    const std::string& name = cx.t.hVal.cell(targetIndex, val::Val);
    const bool isString =
        !name.empty() && name[0] == '$' && cx.t.hVal.cell(targetIndex, val::type) == kTypeString;
    expr::Statement st{cx, targetIndex, name, isString, line0, level, {}};

    bool isFunction = false;
    int temps = 0;
    if (!expr::compileStatement(st, line, scanStart < line.size() ? scanStart : line.size(),
                                tempCounter, statementCounter, isFunction, temps)) {
        cx.error(line0, st.failure.error, st.failure.text);
        return {-1, isFunction};
    }
    if (isFunction) return {tempCounter, true};
    const auto next = static_cast<std::uint32_t>(tempCounter) + static_cast<std::uint32_t>(temps);
    return {static_cast<int>(next), false};
}

}  // namespace orv
