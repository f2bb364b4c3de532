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
    int level = -1;  // -1: free entry
    int kind = 0;    // 0 IF, 3 DO, 5 SELECT
    int exitRow = -1;
    int secondRow = -1;
    std::string varName;
    int varKind = 0;
    int varIndex = -1;
};

// One operand of MMOVE, WMOVE and WSIZE: value, mode and value kind as written to the row.
struct Coord {
    std::string value;
    int mode = 4;
    int kind = 2;
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

class Parser {
  public:
    explicit Parser(CompileContext& cx) : cx_(cx), m_(cx.t.hMacro) {}

    bool run(std::string_view text) {
        std::vector<std::string_view> lines = splitLines(text);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            line0_ = static_cast<int>(i);
            line_ = lines[i];
            if (!line_.empty()) parseLine();
        }
        if (level_ != 0) {
            cx_.error(0, 37);
            return false;
        }
        return !cx_.errorFlag;
    }

  private:
    void err(int no, std::string_view text = {}) { cx_.error(line0_, no, text); }
    void dumpMacro() { dumpTablesDebug(cx_.t, 3); }

    static bool takesNoOperands(int kw) {
        return kw == OP_ELSE || kw == OP_ENDIF || kw == OP_ENDDO || kw == OP_ENDSELECT ||
               kw == OP_START || kw == OP_END || kw == OP_EXIT || kw == OP_LABEL;
    }

    void parseLine() {
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
                if (!complete) err(1, lastWord);
                return;
            }
            if (complete) {
                // Another statement after a complete one: one error per extra word.
                err(2);
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
                if (takesNoOperands(kw)) {
                    handleNoOperands(kw, word);
                    complete = true;
                    continue;
                }
                std::size_t j = i;
                while (j < n && isBlank(line[j])) ++j;
                if (j >= n || line[j] == '\r') {
                    err(1, word);
                    return;
                }
                handleOperands(kw, word, i, line.substr(j));
                return;
            }
            if (!word.empty() && (word[0] == '%' || word[0] == '$')) {
                assignment(word, i);
                return;
            }
            err(27, word);
            return;
        }
    }

    // ---- blocks ----

    Block* findBlock(int kind) {
        for (auto& b : blocks_)
            if (b.level == level_ && b.kind == kind) return &b;
        return nullptr;
    }
    Block* findAnyBlock() {
        for (auto& b : blocks_)
            if (b.level == level_ && b.level >= 0) return &b;
        return nullptr;
    }
    bool anyBlockOfKind(int kind) const {
        for (const auto& b : blocks_)
            if (b.level >= 0 && b.kind == kind) return true;
        return false;
    }
    // Records an open block; a 101st open block is an error on its own line.
    bool push(const Block& blk) {
        for (auto& b : blocks_) {
            if (b.level < 0) {
                b = blk;
                return true;
            }
        }
        err(17);
        return false;
    }
    void setGoto(int row, int target) { m_.set(row, mac::go_to, std::to_string(target)); }
    int addJump(std::string_view macroLine) {
        int r = cx_.addMacro(OP_GOTO, level_, macroLine);
        m_.set(r, mac::shiki1, "2");
        return r;
    }
    int addJump() { return addJump(std::to_string(line0_)); }

    // ---- statements without operands ----

    void handleNoOperands(int kw, std::string_view word) {
        switch (kw) {
            case OP_ELSE: {
                Block* b = level_ == 0 ? nullptr : findBlock(0);
                if (!b) return err(12);
                int j = addJump();
                setGoto(b->exitRow, j + 1);
                b->exitRow = j;
                return;
            }
            case OP_ENDIF: {
                Block* b = findBlock(0);
                if (!b) return err(13);
                setGoto(b->exitRow, m_.rowCount());
                b->level = -1;
                --level_;
                return;
            }
            case OP_ENDDO: {
                Block* b = findBlock(3);
                if (!b) return err(14);
                int j = addJump();
                setGoto(j, b->secondRow);
                setGoto(b->exitRow, m_.rowCount());
                b->level = -1;
                --level_;
                return;
            }
            case OP_ENDSELECT:
                endSelect();
                return;
            case OP_START:
                if (startSeen_) return err(11);
                startSeen_ = true;
                return;
            case OP_END:
                cx_.addMacro(OP_END, level_, line0_);
                return;
            case OP_EXIT: {
                if (level_ == 0) return err(16);
                Block* b = findAnyBlock();
                // Without a recorded block the compile has already failed.
                if (!b) return;
                int target = b->kind == 5 ? b->secondRow : b->exitRow;
                if (target < 0) return;
                int j = addJump();
                setGoto(j, target);
                return;
            }
            case OP_LABEL:
                defineLabel(word.substr(0, word.size() - 1));
                return;
            default:
                return;
        }
    }

    void endSelect() {
        if (selectMode_ != 1) {
            err(15);
            dumpMacro();
            return;
        }
        Block* b = findBlock(5);
        if (!b) {
            if (!cx_.errorFlag) {
                // The innermost open block here is not a SELECT.
                err(15);
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
        if (!anyBlockOfKind(5)) selectMode_ = 0;
        dumpMacro();
    }

    void defineLabel(std::string_view name) {
        int r = cx_.findName(name);
        if (r >= 0) {
            if (cx_.t.hVal.cell(r, val::type) == kTypeLabel) return err(31, name);
            return err(32, name);
        }
        int rc = m_.rowCount();
        cx_.addVal(name, kTypeLabel, std::to_string(rc));
        auto it = pending_.find(std::string(nameKey(name)));
        if (it == pending_.end()) return;
        for (int row : it->second) {
            if (m_.cell(row, mac::instruct) == "11" && m_.cell(row, mac::shiki1) == "5" &&
                nameKey(m_.cell(row, mac::go_to)) == nameKey(name)) {
                setGoto(row, rc);
                m_.set(row, mac::shiki1, "2");
            }
        }
        pending_.erase(it);
    }

    // ---- statements with operands ----

    void handleOperands(int kw, std::string_view word, std::size_t afterWord,
                        std::string_view ops) {
        switch (kw) {
            case OP_IF:
            case OP_DO: {
                ++level_;
                if (!startSeen_) return err(4);
                if (selectMode_ == 2) return err(3);
                int noted = m_.rowCount();
                int exitRow = compileCondition(cx_, line_.substr(afterWord), line0_, level_);
                if (exitRow < 0) {
                    cx_.errorFlag = true;
                    return;
                }
                Block b;
                b.level = level_;
                b.kind = kw;
                b.exitRow = exitRow;
                b.secondRow = noted;
                push(b);
                return;
            }
            case OP_SELECT:
                return select(ops);
            case OP_CASE:
                return caseStatement(ops);
            case OP_DEFINE:
                if (startSeen_) return err(5);
                return define(ops);
            default:
                if (!startSeen_) return err(4);
                return command(kw, word, ops);
        }
    }

    void select(std::string_view ops) {
        if (!startSeen_) return err(4);
        if (selectMode_ == 2) {
            ++level_;
            return err(3);
        }
        ++level_;
        int r = cx_.findName(ops);
        if (r < 0) {
            err(7, ops);
            dumpMacro();
            return;
        }
        if ((ops[0] != '$' && ops[0] != '%') || cx_.findVar(ops) != r) {
            err(6);
            dumpMacro();
            return;
        }
        selectMode_ = 2;
        if (!cx_.errorFlag) {
            int a = addJump("-");
            setGoto(a, a + 2);
            int bRow = addJump("-");
            Block b;
            b.level = level_;
            b.kind = 5;
            b.exitRow = -1;
            b.secondRow = bRow;
            b.varName = std::string(ops);
            b.varKind = 6;
            b.varIndex = r;
            push(b);
        }
        dumpMacro();
    }

    void caseStatement(std::string_view ops) {
        if (!startSeen_) return err(4);
        if (selectMode_ == 0) {
            err(8);
            dumpMacro();
            return;
        }
        if (selectMode_ == 2) selectMode_ = 1;
        std::string value;
        int kind = 2;
        bool isString = false;
        if (ops[0] == '\'') {
            std::size_t q = ops.find('\'', 1);
            if (q == std::string_view::npos) {
                err(9, ops);
                dumpMacro();
                return;
            }
            value = std::string(ops.substr(1, q - 1));
            kind = 1;
            isString = true;
        } else if (ops[0] == '$' || ops[0] == '%' || ops[0] == '#') {
            std::string_view name = ops.substr(0, ops.find_first_of(" \t"));
            int r = cx_.findVar(name);
            if (r < 0) {
                err(7, name);
                dumpMacro();
                return;
            }
            if (name[0] == '#') {
                value = cx_.t.hVal.cell(r, val::value);
                kind = toInt(cx_.t.hVal.cell(r, val::type));
                isString = kind == 1;
            } else {
                value = std::to_string(r);
                kind = 6;
                isString = name[0] == '$';
            }
        } else {
            std::string_view num = ops.substr(0, ops.find_first_of(" \t"));
            if (!allDigits(num)) {
                err(9, num);
                dumpMacro();
                return;
            }
            value = std::string(num);
            kind = 2;
        }
        Block* b = findBlock(5);
        if (!b) {
            // A CASE whose innermost open block is not a SELECT; after an earlier error the
            // SELECT itself may not have been recorded.
            if (!cx_.errorFlag) err(8);
            dumpMacro();
            return;
        }
        int rc = m_.rowCount();
        if (b->exitRow >= 0) {
            setGoto(b->exitRow, rc);
            if (rc == b->exitRow + 2) setGoto(b->exitRow + 1, rc + 1);
        }
        bool selString = !b->varName.empty() && b->varName[0] == '$';
        if (selString != isString) {
            err(10, ops);
            dumpMacro();
            return;
        }
        if (!cx_.errorFlag) {
            int c = cx_.addMacro(OP_IF, level_, line0_);
            m_.set(c, mac::shiki1, std::to_string(b->varIndex));
            m_.set(c, mac::syurui1, "6");
            m_.set(c, mac::jyoken, "0");
            m_.set(c, mac::shiki2, value);
            m_.set(c, mac::syurui2, std::to_string(kind));
            int j = addJump();
            setGoto(j, j + 1);
            b->exitRow = c;
        }
        dumpMacro();
    }

    void define(std::string_view ops) {
        if (ops[0] == '#') {
            std::size_t e = ops.find_first_of(" \t\r");
            if (e == std::string_view::npos) return err(20, ops);
            std::string_view name = ops.substr(0, e);
            std::size_t p = e;
            while (p < ops.size() && isBlank(ops[p])) ++p;
            if (p >= ops.size()) return err(20, name);
            std::string_view value;
            std::string_view type;
            if (ops[p] == '\'') {
                std::size_t q = ops.find('\'', p + 1);
                if (q == std::string_view::npos) return err(9, name);
                value = ops.substr(p + 1, q - p - 1);
                type = kTypeString;
            } else if (ops[p] >= '0' && ops[p] <= '9') {
                std::size_t q = p;
                while (q < ops.size() && !isBlank(ops[q])) ++q;
                value = ops.substr(p, q - p);
                if (!allDigits(value)) return err(9, name);
                type = kTypeNumber;
            } else {
                return err(9, name);
            }
            if (cx_.findName(name) >= 0) return err(19, name);
            cx_.addVal(name, type, value);
            return;
        }
        std::size_t i = 0, n = ops.size();
        auto sep = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == ','; };
        while (i < n) {
            while (i < n && sep(ops[i])) ++i;
            if (i >= n) break;
            std::size_t s = i;
            while (i < n && !sep(ops[i])) ++i;
            std::string_view name = ops.substr(s, i - s);
            if (name[0] != '$' && name[0] != '%') return err(18);
            if (cx_.findName(name) >= 0) return err(19, name);
            if (name[0] == '$')
                cx_.addVal(name, kTypeString, "");
            else
                cx_.addVal(name, kTypeNumber, "0");
        }
    }

    // ---- commands ----

    // A coordinate operand of MMOVE, WMOVE or WSIZE; `keep` is NOW or KEEP.
    bool coord(std::string_view op, std::string_view keep, std::string_view word, Coord& out) {
        if (op == keep) {
            out = {std::string(op), 3, 0};
            return true;
        }
        out.mode = 4;
        std::string_view s = op;
        if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
            out.mode = s[0] == '+' ? 1 : 2;
            s.remove_prefix(1);
        }
        if (!s.empty() && s[0] == '%') {
            if (s.size() == 1) return err(42, word), false;
            int r = cx_.findVar(s);
            if (r < 0) return err(20, s), false;
            out.value = std::to_string(r);
            out.kind = 6;
            return true;
        }
        if (!s.empty() && s[0] == '#') {
            int r = cx_.findVar(s);
            if (r < 0) return err(20, s), false;
            if (cx_.t.hVal.cell(r, val::type) != kTypeNumber) return err(45, s), false;
            out.value = cx_.t.hVal.cell(r, val::value);
            out.kind = 2;
            return true;
        }
        if (!s.empty() && s[0] == '$') return err(45, op), false;
        if (!allDigits(s)) return err(35, word), false;
        out.value = std::string(s);
        out.kind = 2;
        return true;
    }

    // A "%" variable operand of GETMPOS, GETWPOS, GETWSIZ: its hVal index or -1.
    int numVarOperand(std::string_view op, std::string_view word) {
        if (op.empty() || op[0] != '%') return err(46, op), -1;
        if (op.size() == 1) return err(42, word), -1;
        int r = cx_.findVar(op);
        if (r < 0) return err(20, op), -1;
        return r;
    }

    // A first operand between single quotation marks, then words. Returns false after an error.
    bool quotedFirst(std::string_view ops, std::string_view word, std::string_view& first,
                     std::vector<std::string_view>& rest) {
        if (ops[0] != '\'') return err(30, word), false;
        std::size_t q = ops.find('\'', 1);
        if (q == std::string_view::npos) return err(33, word), false;
        first = ops.substr(1, q - 1);
        rest = splitWords(ops.substr(q + 1));
        return true;
    }

    // Operand counts of OPEN, WMOVE, WSIZE, GETWPOS, GETWSIZ (three operands in all).
    bool threeOperands(std::size_t count, std::string_view word,
                       const std::vector<std::string_view>& rest, bool needAs) {
        if (count == 1) return err(36, word), false;
        if (count == 2) return err(33, word), false;
        if (needAs && rest[0] != "AS") return err(33, word), false;
        if (count == 4 || count == 5) return err(33, word), false;
        if (count >= 6) return err(34, word), false;
        return true;
    }

    void setCoords(int row, const Coord& x, const Coord& y) {
        m_.set(row, mac::shiki1, x.value);
        m_.set(row, mac::syurui1, std::to_string(x.mode));
        m_.set(row, mac::jyoken, std::to_string(x.kind));
        m_.set(row, mac::shiki2, y.value);
        m_.set(row, mac::syurui2, std::to_string(y.mode));
        m_.set(row, mac::go_to, std::to_string(y.kind));
    }

    void command(int kw, std::string_view word, std::string_view ops) {
        switch (kw) {
            case OP_GOTO: {
                auto o = splitCommon(ops);
                if (o.size() >= 2) return err(34, word);
                std::string_view name = o[0];
                int r = cx_.findName(name);
                if (r >= 0 && cx_.t.hVal.cell(r, val::type) != kTypeLabel) return err(20, name);
                int j = cx_.addMacro(OP_GOTO, level_, line0_);
                if (r >= 0) {
                    m_.set(j, mac::shiki1, "2");
                    m_.set(j, mac::go_to, cx_.t.hVal.cell(r, val::value));
                } else {
                    m_.set(j, mac::shiki1, "5");
                    m_.set(j, mac::go_to, name);
                    pending_[std::string(nameKey(name))].push_back(j);
                }
                return;
            }
            case OP_CLOSE:
            case OP_READ: {
                auto o = splitCommon(ops);
                if (o.size() >= 2) return err(34, word);
                if (o[0][0] != '&') return err(35, word);
                int r = cx_.addMacro(kw, level_, line0_);
                m_.set(r, mac::go_to, o[0]);
                return;
            }
            case OP_MMOVE: {
                auto o = splitCommon(ops);
                if (o.size() >= 4) return err(34, word);
                if (o.size() == 1) return err(36, word);
                if (o.size() >= 3) return err(34, word);
                Coord x, y;
                if (!coord(o[0], "NOW", word, x) || !coord(o[1], "NOW", word, y)) return;
                setCoords(cx_.addMacro(kw, level_, line0_), x, y);
                return;
            }
            case OP_MCLK:
            case OP_MDCLK:
            case OP_MDOWN:
            case OP_MUP: {
                auto o = splitCommon(ops);
                if (o.size() >= 2) return err(34, word);
                if (o[0] != "L" && o[0] != "R" && o[0] != "C") return err(35, word);
                int r = cx_.addMacro(kw, level_, line0_);
                m_.set(r, mac::go_to, o[0]);
                return;
            }
            case OP_WAIT:
            case OP_MTAB: {
                auto o = splitCommon(ops);
                if (o.size() >= 4) return err(34, word);
                if (o.size() >= 2) return err(33, word);
                std::string_view op = o[0];
                std::string value;
                int kind = 2;
                if (op[0] == '%') {
                    if (op.size() == 1) return err(42, word);
                    int r = cx_.findVar(op);
                    if (r < 0) return err(20, op);
                    value = std::to_string(r);
                    kind = 6;
                } else if (op[0] == '#') {
                    int r = cx_.findVar(op);
                    if (r < 0) return err(20, op);
                    if (cx_.t.hVal.cell(r, val::type) != kTypeNumber) return err(45, op);
                    value = cx_.t.hVal.cell(r, val::value);
                } else if (op[0] == '$') {
                    return err(45, word);
                } else {
                    if (!allDigits(op)) return err(35, word);
                    value = std::string(op);
                }
                int r = cx_.addMacro(kw, level_, line0_);
                m_.set(r, mac::shiki1, std::to_string(kind));
                m_.set(r, mac::go_to, value);
                return;
            }
            case OP_FOCUS:
            case OP_EXECUTE:
            case OP_DESTROY: {
                std::vector<std::string_view> texts;
                std::size_t i = 0;
                while (i < ops.size() && texts.size() < 4) {
                    char c = ops[i];
                    if (c == '\'' || c == '"') {
                        std::size_t q = ops.find(c, i + 1);
                        if (q == std::string_view::npos) return err(33, word);
                        texts.push_back(ops.substr(i + 1, q - i - 1));
                        i = q + 1;
                    } else {
                        ++i;
                    }
                }
                if (texts.empty()) return err(30, word);
                if (texts.size() >= 2) return err(34, word);
                if (texts[0].empty()) return err(33, word);
                int r = cx_.addMacro(kw, level_, line0_);
                m_.set(r, mac::go_to, texts[0]);
                return;
            }
            case OP_KEY:
                return key(word, ops);
            case OP_GETMPOS: {
                auto o = splitCommon(ops);
                if (o.size() >= 3) return err(34, word);
                if (o.size() == 1) return err(36, word);
                int x = numVarOperand(o[0], word);
                if (x < 0) return;
                int y = numVarOperand(o[1], word);
                if (y < 0) return;
                int r = cx_.addMacro(kw, level_, line0_);
                m_.set(r, mac::shiki1, std::to_string(x));
                m_.set(r, mac::syurui1, std::to_string(y));
                return;
            }
            case OP_OPEN: {
                std::string_view file;
                std::vector<std::string_view> rest;
                if (!quotedFirst(ops, word, file, rest)) return;
                if (!threeOperands(rest.size() + 1, word, rest, true)) return;
                int r = cx_.addMacro(kw, level_, line0_);
                m_.set(r, mac::shiki1, rest[1]);
                m_.set(r, mac::go_to, file);
                return;
            }
            case OP_SET: {
                auto w = splitWords(ops);
                if (w.size() < 5) return err(w.size() == 1 ? 36 : 33, word);
                if (w.size() > 5) return err(34, word);
                if (w[1] != "AS") return err(33, word);
                if (w[3] != "FROM") return err(33, w[0]);
                int r = cx_.findName(w[0]);
                if (r < 0) return err(20, w[0]);
                if (cx_.t.hVal.cell(r, val::type) == kTypeLabel) return err(21, w[0]);
                int row = cx_.addMacro(kw, level_, line0_);
                m_.set(row, mac::shiki1, std::to_string(r));
                m_.set(row, mac::jyoken, w[4]);
                m_.set(row, mac::go_to, w[2]);
                return;
            }
            case OP_WMOVE:
            case OP_WSIZE: {
                std::string_view caption;
                std::vector<std::string_view> rest;
                if (!quotedFirst(ops, word, caption, rest)) return;
                if (!threeOperands(rest.size() + 1, word, rest, false)) return;
                std::string_view keep = kw == OP_WMOVE ? "NOW" : "KEEP";
                Coord x, y;
                if (!coord(rest[0], keep, word, x) || !coord(rest[1], keep, word, y)) return;
                int r = cx_.addMacro(kw, level_, line0_);
                setCoords(r, x, y);
                m_.set(r, mac::Caption, caption);
                return;
            }
            case OP_GETWPOS:
            case OP_GETWSIZ: {
                std::string_view caption;
                std::vector<std::string_view> rest;
                if (!quotedFirst(ops, word, caption, rest)) return;
                if (!threeOperands(rest.size() + 1, word, rest, false)) return;
                int x = numVarOperand(rest[0], word);
                if (x < 0) return;
                int y = numVarOperand(rest[1], word);
                if (y < 0) return;
                int r = cx_.addMacro(kw, level_, line0_);
                m_.set(r, mac::shiki1, std::to_string(x));
                m_.set(r, mac::syurui1, std::to_string(y));
                m_.set(r, mac::go_to, caption);
                return;
            }
            default:
                return;
        }
    }

    void key(std::string_view word, std::string_view ops) {
        std::string first;
        int kind;
        std::vector<std::string_view> others;
        std::size_t count;
        if (ops[0] == '\'') {
            std::size_t q = ops.find('\'', 1);
            if (q == std::string_view::npos) return err(35, word);
            first = std::string(ops.substr(1, q - 1));
            kind = 8;
            std::string_view rest = ops.substr(q + 1);
            if (!rest.empty() && rest[0] == ',') rest.remove_prefix(1);
            others = splitCommon(rest, 3);
            count = others.size() + 1;
            if (count >= 4) return err(34, word);
        } else {
            auto o = splitCommon(ops);
            if (o.size() >= 4) return err(34, word);
            count = o.size();
            std::string_view f = o[0];
            others.assign(o.begin() + 1, o.end());
            if (isKeyName(f)) {
                first = std::string(f);
                kind = 9;
            } else if (f[0] == '#') {
                int r = cx_.findVar(f);
                if (r < 0) return err(20, f);
                first = cx_.t.hVal.cell(r, val::value);
                kind = 8;
            } else if (f[0] == '$' || f[0] == '%') {
                int r = cx_.findVar(f);
                if (r < 0) return err(20, f);
                if (count > 1) return err(33, word);
                int row = cx_.addMacro(OP_KEY, level_, line0_);
                m_.set(row, mac::shiki1, std::to_string(r));
                m_.set(row, mac::syurui1, "6");
                m_.set(row, mac::go_to, "1");
                return;
            } else {
                return err(35, word);
            }
        }
        for (auto k : others)
            if (!isKeyName(k)) return err(35, word);
        int row = cx_.addMacro(OP_KEY, level_, line0_);
        m_.set(row, mac::shiki1, first);
        m_.set(row, mac::syurui1, std::to_string(kind));
        if (others.size() >= 1) m_.set(row, mac::jyoken, others[0]);
        if (others.size() >= 2) m_.set(row, mac::shiki2, others[1]);
        m_.set(row, mac::go_to, std::to_string(count));
    }

    void assignment(std::string_view word, std::size_t scanStart) {
        int r = cx_.findVar(word);
        if (r < 0) return err(7, word);
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

    CompileContext& cx_;
    RowTable& m_;
    int line0_ = 0;
    std::string_view line_;
    bool startSeen_ = false;
    int level_ = 0;
    int selectMode_ = 0;
    int tempCounter_ = 1;
    int statementCounter_ = 0;
    std::array<Block, kMaxBlocks> blocks_{};
    std::unordered_map<std::string, std::vector<int>> pending_;
};

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
