// The statement parser. Each line is scanned for its statement word; a table from the word's
// instruction code to a handler hands the statement to its own short function (in
// control_statements.cpp and command_statements.cpp), which checks the operands and writes
// the statement's rows.
#include "compiler/statement_parser.h"

#include "compiler/statement_parser_internal.h"

namespace orv {

namespace parser {

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

}  // namespace parser

namespace {
// A line is cut to this many bytes.
constexpr std::size_t kMaxLine = 1023;
}  // namespace

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t lf = text.find('\n', start);
        std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        std::size_t stop = end;
        if (lf != std::string_view::npos && stop > start && text[stop - 1] == '\r') --stop;
        std::string_view line = text.substr(start, stop - start);
        if (line.size() > kMaxLine) line = line.substr(0, kMaxLine);
        lines.push_back(line);
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
    return lines;
}

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
    parser::Parser p(cx);
    return p.run(text);
}

}  // namespace orv
