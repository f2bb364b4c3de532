// The statement parser's state and handlers, shared by the files that define them:
// statement_parser.cpp (lines, statement words and the dispatch), control_statements.cpp
// (blocks, control statements and declarations) and command_statements.cpp (commands and
// their operands). Only the parser's files include this.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compiler/compile_context.h"

namespace orv::parser {

inline constexpr int kMaxBlocks = 100;

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

inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
// Words separated by blanks, CRs or commas.
std::vector<std::string_view> splitWords(std::string_view text);

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

}  // namespace orv::parser
