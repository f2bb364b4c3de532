// Colouring of macro text: the spans of one line (a pure function, the rules of the statement
// parser's words) and the syntax highlighter that paints them in an editor.
#pragma once

#include <QString>
#include <QSyntaxHighlighter>
#include <vector>

namespace orv::app {

enum class SyntaxKind {
    Keyword,      // a statement word (upper case, exact)
    Function,     // STRADD STRSCH GETLEN GETSTR GETWEEK GETDATE GETTIME
    Variable,     // $name, %name
    Constant,     // #name
    FileNumber,   // &n
    Text,         // '...' or "..."
    Number,       // a run of digits
    Label,        // name: as the first word
    Comment,      // @ where a word could begin, to the end of the line
    OperandWord,  // key names after KEY; NOW KEEP AND OR EOF AS FROM
};

struct SyntaxSpan {
    int start = 0;
    int length = 0;
    SyntaxKind kind = SyntaxKind::Keyword;
    bool operator==(const SyntaxSpan&) const = default;
};

// The coloured spans of one macro line, in order; characters outside them are plain.
std::vector<SyntaxSpan> macroSyntaxSpans(const QString& line);

class MacroHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
  public:
    explicit MacroHighlighter(QTextDocument* document);

  protected:
    void highlightBlock(const QString& text) override;
};

}  // namespace orv::app
