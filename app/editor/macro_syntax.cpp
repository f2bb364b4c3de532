#include "app/editor/macro_syntax.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "lang/tables.h"

namespace orv::app {

namespace {

constexpr std::string_view kFunctions[] = {"STRADD",  "STRSCH",  "GETLEN", "GETSTR",
                                           "GETWEEK", "GETDATE", "GETTIME"};
constexpr std::string_view kOperandWords[] = {"NOW", "KEEP", "AND", "OR", "EOF", "AS", "FROM"};
constexpr int kKindCount = static_cast<int>(SyntaxKind::OperandWord) + 1;

bool isBlank(QChar c) {
    return c == ' ' || c == '\t';
}
bool isQuote(QChar c) {
    return c == '\'' || c == '"';
}
// What separates operands and the parts of an expression or a condition.
bool isSeparator(QChar c) {
    return isBlank(c) || QStringView(u",()=<>+-*/:").contains(c);
}
// The kind of a name that starts with `c`, or false.
bool sigilKind(QChar c, SyntaxKind& kind) {
    switch (c.unicode()) {
        case '$':
        case '%':
            kind = SyntaxKind::Variable;
            return true;
        case '#':
            kind = SyntaxKind::Constant;
            return true;
        case '&':
            kind = SyntaxKind::FileNumber;
            return true;
        default:
            return false;
    }
}
bool takesNoOperands(int kw) {
    return kw == OP_ELSE || kw == OP_ENDIF || kw == OP_ENDDO || kw == OP_ENDSELECT ||
           kw == OP_START || kw == OP_END || kw == OP_EXIT;
}
template <std::size_t N>
bool listed(const std::string_view (&table)[N], std::string_view word) {
    return std::find(std::begin(table), std::end(table), word) != std::end(table);
}
bool allDigits(const QString& w) {
    return !w.isEmpty() &&
           std::all_of(w.begin(), w.end(), [](QChar c) { return c >= '0' && c <= '9'; });
}

// Walks one line the way the statement parser reads it.
class LineScanner {
  public:
    explicit LineScanner(const QString& s) : s_(s), n_(static_cast<int>(s.size())) {}

    std::vector<SyntaxSpan> run() {
        while (i_ < n_ && isBlank(s_[i_])) ++i_;
        if (i_ >= n_) return {};
        if (s_[i_] == '@') {
            add(i_, n_, SyntaxKind::Comment);
            return spans_;
        }
        // The first word ends at a space, '=' or the end of the line (not at a TAB).
        const int start = i_;
        while (i_ < n_ && s_[i_] != ' ' && s_[i_] != '=') ++i_;
        firstWord(start, s_.mid(start, i_ - start));
        return spans_;
    }

  private:
    void add(int start, int end, SyntaxKind kind) {
        if (end > start) spans_.push_back({start, end - start, kind});
    }

    void firstWord(int start, const QString& word) {
        const int kw = keywordIndex(word.toStdString());
        if (kw >= 0) {
            add(start, i_, SyntaxKind::Keyword);
            if (takesNoOperands(kw))
                afterComplete();
            else
                operands(kw == OP_KEY);
        } else if (word.endsWith(':')) {
            add(start, i_, SyntaxKind::Label);
            afterComplete();
        } else if (word.startsWith('$') || word.startsWith('%')) {
            if (word.size() > 1) add(start, i_, SyntaxKind::Variable);
            operands(false);
        }
        // Any other first word is not a statement: the rest stays plain.
    }

    // After a statement without operands only a comment may follow; other words stay plain.
    void afterComplete() {
        while (i_ < n_) {
            if (isBlank(s_[i_])) {
                ++i_;
            } else if (s_[i_] == '@') {
                add(i_, n_, SyntaxKind::Comment);
                return;
            } else {
                while (i_ < n_ && !isBlank(s_[i_])) ++i_;
            }
        }
    }

    // Operands, an expression or a condition: '@' is an ordinary character here.
    void operands(bool keyNames) {
        SyntaxKind kind{};
        while (i_ < n_) {
            const QChar c = s_[i_];
            if (isQuote(c)) {
                qsizetype close = s_.indexOf(c, i_ + 1);
                int end = close < 0 ? n_ : static_cast<int>(close) + 1;
                add(i_, end, SyntaxKind::Text);
                i_ = end;
            } else if (isSeparator(c)) {
                ++i_;
            } else if (sigilKind(c, kind)) {
                int end = i_ + 1;
                while (end < n_ && !isSeparator(s_[end]) && !isQuote(s_[end])) ++end;
                if (end > i_ + 1) add(i_, end, kind);
                i_ = end;
            } else {
                operandWord(keyNames);
            }
        }
    }

    void operandWord(bool keyNames) {
        const int start = i_;
        SyntaxKind ignored{};
        while (i_ < n_ && !isSeparator(s_[i_]) && !isQuote(s_[i_]) && !sigilKind(s_[i_], ignored))
            ++i_;
        const QString word = s_.mid(start, i_ - start);
        const std::string w = word.toStdString();
        if (keyNames && isKeyName(w))
            add(start, i_, SyntaxKind::OperandWord);
        else if (allDigits(word))
            add(start, i_, SyntaxKind::Number);
        else if (listed(kFunctions, w))
            add(start, i_, SyntaxKind::Function);
        else if (listed(kOperandWords, w))
            add(start, i_, SyntaxKind::OperandWord);
    }

    const QString& s_;
    const int n_;
    int i_ = 0;
    std::vector<SyntaxSpan> spans_;
};

// The look of each kind: a colour (empty: the palette's text colour), bold, italic.
struct KindStyle {
    const char* colour;
    bool bold;
    bool italic;
};
constexpr std::array<KindStyle, kKindCount> kStyles = {{
    {"#00007f", true, false},   // Keyword: dark blue, bold
    {"#1f5f9f", false, false},  // Function
    {"#7f007f", false, false},  // Variable: purple
    {"#007373", false, false},  // Constant: teal
    {"#6f5a00", false, false},  // FileNumber
    {"#9f0000", false, false},  // Text: dark red
    {"#b85c00", false, false},  // Number: dark orange
    {"", true, false},          // Label: bold
    {"#4f7f5f", false, true},   // Comment: grey-green, italic
    {"#1f5f9f", false, false},  // OperandWord
}};

const std::array<QTextCharFormat, kKindCount>& formats() {
    static const std::array<QTextCharFormat, kKindCount> table = [] {
        std::array<QTextCharFormat, kKindCount> f;
        for (int k = 0; k < kKindCount; ++k) {
            const KindStyle& s = kStyles[static_cast<std::size_t>(k)];
            QTextCharFormat& cf = f[static_cast<std::size_t>(k)];
            if (*s.colour) cf.setForeground(QColor(QString::fromLatin1(s.colour)));
            if (s.bold) cf.setFontWeight(QFont::Bold);
            cf.setFontItalic(s.italic);
        }
        return f;
    }();
    return table;
}

}  // namespace

std::vector<SyntaxSpan> macroSyntaxSpans(const QString& line) {
    return LineScanner(line).run();
}

MacroHighlighter::MacroHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void MacroHighlighter::highlightBlock(const QString& text) {
    for (const SyntaxSpan& s : macroSyntaxSpans(text))
        setFormat(s.start, s.length, formats()[static_cast<std::size_t>(s.kind)]);
}

}  // namespace orv::app
