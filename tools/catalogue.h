// The statement catalogue of the toolbox: the categories, the statements of each category,
// their one-line descriptions and their syntax texts. Texts are UTF-8. Syntax texts are
// stored as the toolbox's panel takes them: a file number is written "&&n" and the panel
// (and `orvane-cli syntax`) shows it as "&n" (displaySyntax).
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orv::tools {

struct StatementInfo {
    std::string_view word;         // START ... GETWSIZ; "label:" for a label
    std::string_view description;  // the description line
    std::string_view syntax;       // the syntax panel, lines joined by "\r\n"
};

struct Category {
    std::string_view name;                      // "制御文", ...
    std::span<const StatementInfo> statements;  // in combo order (combo index - 1)
};

// The categories in combo order (combo index - 1; index 0 of the combo is "(Select)").
std::span<const Category> categories();
inline constexpr std::string_view kSelectItem = "(Select)";

// The statement at combo indices (category, command), both counting "(Select)" as 0; null
// when either index is out of range or 0.
const StatementInfo* statementAt(int category, int command);
// The statement named `word` ("label" and "label:" both name the label), and its category
// (combo index); null when there is none.
const StatementInfo* findStatement(std::string_view word, int* category = nullptr);

// A syntax text as shown: "&&" becomes "&".
std::string displaySyntax(std::string_view stored);

}  // namespace orv::tools
