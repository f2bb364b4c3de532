// The CSV file commands: OPEN, SET, READ, CLOSE and the end-of-file condition.
#include <gtest/gtest.h>

#include "executor_test_util.h"

using orvtest::Harness;
using orvtest::TempFile;
using Lines = std::vector<std::string>;

namespace {

struct ReadCase {
    std::string file;
    Lines body;  // after OPEN; variables $a $b $c %n %m, the file as &1
    Lines want;  // NAME=VALUE of the variables checked
};

Lines varsOf(Harness& h, const Lines& names) {
    Lines out;
    for (auto& n : names) out.push_back(n + "=" + h.value(n));
    return out;
}

TEST(ExecutorCsv, RecordsAndFields) {
    const ReadCase cases[] = {
        {"abc,,1\r\n",
         {"SET $a AS 1 FROM &1", "SET %n AS 2 FROM &1", "SET %m AS 3 FROM &1", "READ &1"},
         {"$a=abc", "%n=0", "%m=1"}},
        {"a,b\r\n", {"SET $a AS 1 FROM &1", "SET $b AS 2 FROM &1", "READ &1"}, {"$a=a", "$b=b"}},
        {"x,\r\n",
         {"$b = 'keep'", "SET $a AS 1 FROM &1", "SET $b AS 2 FROM &1", "READ &1"},
         {"$a=x", "$b=keep"}},
        {",y",
         {"$a = 'keep'", "SET $a AS 1 FROM &1", "SET $b AS 2 FROM &1", "READ &1"},
         {"$a=", "$b=y"}},
        {"1\r\n2\r\n3",
         {"SET %n AS 1 FROM &1", "READ &1", "READ &1", "SET $a AS 1 FROM &1", "READ &1"},
         {"%n=2", "$a=3"}},
        {"1\r2\n3\r\n", {"SET $a AS 1 FROM &1", "READ &1", "READ &1"}, {"$a=2\n3"}},
        {"12abc,-4\r\n",
         {"SET %n AS 1 FROM &1", "SET %m AS 2 FROM &1", "READ &1"},
         {"%n=12", "%m=-4"}},
        // Two variables on one field: only the first in the table is filled.
        {"v\r\n", {"SET $a AS 1 FROM &1", "SET $b AS 1 FROM &1", "READ &1"}, {"$a=v", "$b="}},
        // A numeric field bound to a text of another type is not assigned to the next row.
        {"p,q\r\n", {"SET $a AS 2 FROM &1", "SET $a AS 1 FROM &1", "READ &1"}, {"$a=p"}},
        // A zero byte ends the text read: the rest of the piece is skipped.
        {std::string("ab\0cd\r\nx", 8),
         {"SET $a AS 1 FROM &1", "READ &1", "$b = $a", "READ &1"},
         {"$a=ab", "$b=ab"}},
        // The end of the file keeps the values.
        {"z\r\n", {"SET $a AS 1 FROM &1", "READ &1", "READ &1", "READ &1"}, {"$a=z"}},
    };
    for (const auto& c : cases) {
        TempFile f(c.file);
        Harness h;
        Lines body = {"OPEN '" + f.path + "' AS &1"};
        body.insert(body.end(), c.body.begin(), c.body.end());
        ASSERT_TRUE(h.runBody("$a, $b, $c, %n, %m", body));
        Lines names;
        for (auto& w : c.want) names.push_back(w.substr(0, w.find('=')));
        EXPECT_EQ(varsOf(h, names), c.want) << c.file;
        EXPECT_TRUE(h.host.errors().empty()) << c.file;
    }
}

TEST(ExecutorCsv, EndOfFileCondition) {
    TempFile f("a\r\nb\r\nc");
    Harness h;
    ASSERT_TRUE(h.run({"DEFINE $a, $all, %n", "START", "OPEN '" + f.path + "' AS &1",
                       "SET $a AS 1 FROM &1", "READ &1", "DO (&1 <> EOF)", "%n = %n + 1",
                       "$all = STRADD $all,$a", "READ &1", "ENDDO", "CLOSE &1", "END"}));
    EXPECT_EQ(h.value("%n"), "3");
    EXPECT_EQ(h.value("$all"), "abc");
    EXPECT_TRUE(h.host.errors().empty());
    EXPECT_EQ(h.ex.files().openCount(), 0);
}

TEST(ExecutorCsv, LongLinesComeIn4096BytePieces) {
    std::string big(5000, 'x');
    TempFile f(big + "\n" + "tail");
    Harness h;
    ASSERT_TRUE(h.run({"DEFINE $a, %n1, %n2, %n3", "START", "OPEN '" + f.path + "' AS &1",
                       "SET $a AS 1 FROM &1", "READ &1", "%n1 = GETLEN $a", "READ &1",
                       "%n2 = GETLEN $a", "READ &1", "%n3 = GETLEN $a", "END"}));
    // Cells hold 1023 bytes; the pieces are 4096 bytes and the rest (904 + LF + 4 bytes).
    EXPECT_EQ(h.value("%n1"), "1023");
    EXPECT_EQ(h.value("%n2"), "909");
    EXPECT_EQ(h.value("%n3"), "909");  // end of file: the value stays
}

TEST(ExecutorCsv, CrAtTheEndOfAPieceTakesItsLf) {
    std::string first(4095, 'a');
    TempFile f(first + "\r\nnext\r\n");
    Harness h;
    ASSERT_TRUE(h.run({"DEFINE $a, %n", "START", "OPEN '" + f.path + "' AS &1",
                       "SET $a AS 1 FROM &1", "READ &1", "%n = GETLEN $a", "READ &1", "END"}));
    EXPECT_EQ(h.value("%n"), "1023");
    EXPECT_EQ(h.value("$a"), "next");
}

TEST(ExecutorCsv, LinesAppendedAfterTheEndAreRead) {
    TempFile f("a\r\n");
    Harness h;
    // EXECUTE stands for another program that appends to the file while the macro runs.
    h.desk.setTraceSink([&](std::string_view line) {
        if (line != "open grow") return;
        std::FILE* out = std::fopen(f.path.c_str(), "ab");
        ASSERT_NE(out, nullptr);
        std::fputs("b,2\r\n", out);
        std::fclose(out);
    });
    ASSERT_TRUE(h.runBody(
        "$a, %n, %e", {"OPEN '" + f.path + "' AS &1", "SET $a AS 1 FROM &1", "SET %n AS 2 FROM &1",
                       "READ &1", "READ &1", "IF (&1 <> EOF)", "%e = 1", "ENDIF", "EXECUTE 'grow'",
                       "READ &1", "IF (&1 <> EOF)", "%e = %e + 10", "ENDIF"}));
    EXPECT_EQ(h.value("$a"), "b");
    EXPECT_EQ(h.value("%n"), "2");
    EXPECT_EQ(h.value("%e"), "10");  // at the end after the second READ, not after the third
}

struct CsvErrCase {
    Lines body;  // after START; file paths are filled in for FILE
    const char* message;
};

TEST(ExecutorCsv, Errors) {
    TempFile f("1\r\n");
    const CsvErrCase cases[] = {
        {{"CLOSE &1"}, "オープンされていません。&1"},
        {{"READ &2"}, "オープンされていません。&2"},
        {{"SET $a AS 1 FROM &3"}, "オープンされていません。&3"},
        {{"IF (&4 <> EOF)", "ENDIF"}, "オープンされていません。&4"},
        {{"OPEN 'FILE' AS &1", "OPEN 'FILE' AS &1"},
         "このファイル番号は別ファイルでOPEN済です。&1"},
        {{"OPEN '/nonexistent/x.csv' AS &1"},
         "ファイルのオープンでエラーが発生しました。/nonexistent/x.csv"},
        {{"OPEN '/nonexistent/x.csv' AS &1", "OPEN 'FILE' AS &1"},
         "ファイルのオープンでエラーが発生しました。/nonexistent/x.csv"},
    };
    for (const auto& c : cases) {
        Harness h;
        Lines body;
        for (std::string l : c.body) {
            auto p = l.find("FILE");
            if (p != std::string::npos) l.replace(p, 4, f.path);
            body.push_back(l);
        }
        ASSERT_TRUE(h.runBody("$a", body));
        EXPECT_EQ(h.host.errors(), Lines{c.message}) << c.body[0];
    }
}

TEST(ExecutorCsv, IgnoredErrorsAndReopening) {
    TempFile f("r1\r\nr2\r\n");
    Harness h;
    h.ex.settings().ignoreErrors = true;
    ASSERT_TRUE(h.run({"DEFINE $a, $b", "START", "OPEN '/nonexistent/x.csv' AS &1",
                       "OPEN '" + f.path + "' AS &1",  // still taken by the failed open: ignored
                       "CLOSE &1",                     // frees the failed open without an error
                       "OPEN '" + f.path + "' AS &1", "SET $a AS 1 FROM &1", "READ &1", "CLOSE &1",
                       "OPEN '" + f.path + "' AS &1",  // CLOSE removed the number: it opens again
                       "READ &1", "READ &1", "$b = $a", "CLOSE &1", "END"}));
    EXPECT_TRUE(h.host.errors().empty());
    EXPECT_EQ(h.value("$b"), "r2");
    EXPECT_EQ(h.ex.files().openCount(), 0);
}

TEST(ExecutorCsv, AtMostOneHundredOpenFiles) {
    TempFile f("1\r\n");
    Harness h;
    Lines body;
    for (int i = 1; i <= 101; ++i) body.push_back("OPEN '" + f.path + "' AS &" + std::to_string(i));
    ASSERT_TRUE(h.runBody("$a", body));
    EXPECT_EQ(h.host.errors(), Lines{"同時にオープンするファイル数が多すぎます"});
    // The end of the run closed every file.
    EXPECT_EQ(h.ex.files().openCount(), 0);
}

}  // namespace
