// orvane-cli syntax [STATEMENT]
// The toolbox's statement catalogue at the terminal (UTF-8): without an argument every
// category with its statements and their descriptions; with a statement word (START ...
// GETWSIZ, "label" for a label; any letter case) its category, description and syntax text
// as the toolbox's panel shows it. Exit codes: 0, or 2 for an unknown word or bad usage.
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "tools/catalogue.h"

namespace orv::cli {

namespace {

void syntaxUsage() {
    std::fputs("usage: orvane-cli syntax [STATEMENT]\n", stderr);
}

void printText(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// Every category, then its statements indented, "WORD<TAB>DESCRIPTION".
void printCatalogue() {
    for (const tools::Category& c : tools::categories()) {
        printText(c.name);
        std::fputc('\n', stdout);
        for (const tools::StatementInfo& s : c.statements) {
            std::fputs("  ", stdout);
            printText(s.word);
            std::fputc('\t', stdout);
            printText(s.description);
            std::fputc('\n', stdout);
        }
    }
}

// The statement named `word` in any letter case (the catalogue spells the statements in
// capitals and the label in small letters).
const tools::StatementInfo* findAnyCase(std::string word, int* category) {
    for (char& c : word)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (word == "LABEL" || word == "LABEL:") word = "label";
    return tools::findStatement(word, category);
}

// "WORD (CATEGORY)", the description, and the syntax text as shown, its lines ended by LF.
void printStatement(const tools::StatementInfo& s, int category) {
    printText(s.word);
    std::fputs(" (", stdout);
    printText(tools::categories()[static_cast<std::size_t>(category - 1)].name);
    std::fputs(")\n", stdout);
    printText(s.description);
    std::fputc('\n', stdout);
    std::string shown = tools::displaySyntax(s.syntax);
    for (std::size_t p = 0; (p = shown.find("\r\n", p)) != std::string::npos;) shown.erase(p, 1);
    printText(shown);
    std::fputc('\n', stdout);
}

}  // namespace

int syntaxCommand(int argc, char** argv) {
    if (argc > 2) {
        syntaxUsage();
        return 2;
    }
    if (argc < 2) {
        printCatalogue();
        return 0;
    }
    int category = 0;
    const tools::StatementInfo* s = findAnyCase(argv[1], &category);
    if (!s) {
        std::fprintf(stderr,
                     "orvane-cli: '%s' is no statement of the catalogue (see orvane-cli "
                     "syntax)\n",
                     argv[1]);
        return 2;
    }
    printStatement(*s, category);
    return 0;
}

}  // namespace orv::cli
