// orvane-cli on a shell: --help and --version, and the bash completions of orvane-cli and
// orvane (resources/bash-completion/) driven as bash drives them, in a scratch folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "tests/cli/cli_fixture.h"

namespace {

using Result = orv::clitest::CliResult;

const std::string kCompletions = ORV_TEST_DATA "/../../resources/bash-completion/";

class ShellCliTest : public orv::clitest::ScratchFolder {
  protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        std::filesystem::create_directories(dir_ / "w" / "sub");
        for (const char* f : {"a.ovm", "b.OVM", "notes.txt", "sub/c.ovm"})
            write(std::string("w/") + f, "");
    }

    // The completions offered for `line` (its last word is the one completed, empty after a
    // trailing blank) in the folder w/, sorted and joined by blanks.
    std::string complete(const std::string& line) {
        std::istringstream in(line + "|");
        std::string word, words;
        int count = 0;
        while (std::getline(in, word, ' ')) {
            if (word.back() == '|') word.pop_back();
            words += " '" + word + "'";
            ++count;
        }
        const std::string program = line.substr(0, line.find(' '));
        const std::string function = program == "orvane" ? "_orvane" : "_orvane_cli";
        write("drive.sh", "source '" + kCompletions + program + "'\nCOMP_WORDS=(" + words +
                              ")\nCOMP_CWORD=" + std::to_string(count - 1) + "\n" + function +
                              "\nprintf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort | "
                              "paste -sd ' '\n");
        Result r = orv::clitest::runShell("cd '" + path("w") + "' && bash --norc ../drive.sh");
        EXPECT_EQ(r.code, 0) << line;
        if (!r.out.empty() && r.out.back() == '\n') r.out.pop_back();
        return r.out;
    }
};

TEST_F(ShellCliTest, HelpAndVersion) {
    Result help = cli("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind("usage: orvane-cli check FILE\n", 0), 0u) << help.out;
    // Every verb and option the completion offers is explained.
    std::istringstream offered(complete("orvane-cli ") + " " +
                               complete("orvane-cli debug a.ovm -"));
    for (std::string w; offered >> w;)
        EXPECT_NE(help.out.find("  " + w + " "), std::string::npos) << w;

    Result version = cli("--version");
    EXPECT_EQ(version.code, 0);
    // "orvane-cli " and the project's version, such as 0.1.
    const std::string& v = version.out;
    EXPECT_EQ(v.rfind("orvane-cli 0", 0), 0u) << v;
    EXPECT_EQ(v.find_first_not_of("0123456789.", 11), v.size() - 1) << v;
    EXPECT_EQ(v.back(), '\n');

    Result none = cli("");
    EXPECT_EQ(none.code, 2);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err.rfind("usage: ", 0), 0u) << none.err;
}

TEST_F(ShellCliTest, Completion) {
    const struct {
        const char* line;
        const char* offered;
    } cases[] = {
        {"orvane-cli ", "--help --version check debug dump hookreplay record run syntax"},
        {"orvane-cli ch", "check"},
        {"orvane-cli check ", "a.ovm b.OVM sub"},
        {"orvane-cli check a.ovm ", ""},
        {"orvane-cli record sub/", "sub/c.ovm"},
        {"orvane-cli hookreplay ", "a.ovm b.OVM notes.txt sub"},
        {"orvane-cli run --windows notes.txt ", "a.ovm b.OVM sub"},
        {"orvane-cli run a.ovm --i", "--ignore-errors --interval"},
        {"orvane-cli run a.ovm --desktop ", "virtual x11"},
        {"orvane-cli run a.ovm --interval ", ""},
        {"orvane-cli debug a.ovm --s", "--step"},
        {"orvane-cli debug a.ovm --actions next,c", "next,continue"},
        {"orvane-cli syntax GETW", "GETWEEK GETWPOS GETWSIZ"},
        {"orvane-cli syntax md", "mdclk mdown"},
        {"orvane-cli syntax LA", "LABEL"},
        {"orvane --", "--help --open --version"},
        {"orvane ", "a.ovm b.OVM sub"},
        {"orvane /m.ovm ", "0 1"},
        {"orvane --open a.ovm ", "a.ovm b.OVM sub"},
        {"orvane --help ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(complete(c.line), c.offered) << c.line;
}

// The completion keeps its own list of statement words: it is the catalogue's.
TEST_F(ShellCliTest, CompletionStatementsAreTheCatalogues) {
    Result catalogue = cli("syntax");
    ASSERT_EQ(catalogue.code, 0);
    std::string words;
    std::istringstream lines(catalogue.out);
    for (std::string l; std::getline(lines, l);) {
        if (l.rfind("  ", 0) != 0) continue;
        std::string w = l.substr(2, l.find('\t') - 2);
        if (w.back() == ':') w.pop_back();  // the label, completed without its colon
        words += w + "\n";
    }
    Result sorted =
        orv::clitest::runShell("printf '" + words + "' | LC_ALL=C sort | paste -sd ' '");
    sorted.out.pop_back();
    EXPECT_EQ(complete("orvane-cli syntax "), sorted.out);
}

}  // namespace
