// The toolbox's catalogue and the insertion forms: texts, checks, and that every statement
// a form inserts compiles.
#include "tools/statement_forms.h"

#include <gtest/gtest.h>

#include <set>

#include "compile_test_util.h"
#include "platform/virtual/virtual_desktop.h"
#include "tests/statement_samples.h"
#include "tools/catalogue.h"

using namespace orv;
using namespace orv::tools;

namespace {

struct Case {
    const char* word;
    FormValues values;  // on top of the form's initial values
    const char* text;   // expected text, or null when a check fails
    const char* message = "";
    const char* field = "";
};

BuildResult build(const char* word, const FormValues& over) {
    const FormSpec* form = formFor(word);
    EXPECT_NE(form, nullptr) << word;
    if (!form) return {};
    FormValues v = initialValues(*form);
    for (const auto& [k, val] : over) v[k] = val;
    return buildStatement(*form, v);
}

}  // namespace

TEST(Catalogue, CategoriesStatementsAndSyntax) {
    const auto cats = categories();
    ASSERT_EQ(cats.size(), 5u);
    const std::size_t counts[] = {9, 1, 4, 12, 10};
    std::set<std::string_view> words;
    for (std::size_t c = 0; c < cats.size(); ++c) {
        EXPECT_EQ(cats[c].statements.size(), counts[c]) << cats[c].name;
        for (const StatementInfo& s : cats[c].statements) {
            words.insert(s.word);
            EXPECT_EQ(s.syntax.substr(0, 7), "構文:") << s.word;
            EXPECT_FALSE(s.description.empty());
            EXPECT_NE(formFor(s.word), nullptr) << s.word;
        }
    }
    EXPECT_EQ(words.size(), 36u);
    EXPECT_EQ(cats[3].name, "コマンド");
    EXPECT_EQ(statementAt(1, 8)->word, "GOTO");
    EXPECT_EQ(statementAt(1, 8)->syntax, "構文:GOTO Label名");
    EXPECT_EQ(statementAt(5, 3)->description, "日取得");  // GETWEEK shares GETDATE's text
    EXPECT_EQ(statementAt(0, 1), nullptr);
    EXPECT_EQ(statementAt(2, 2), nullptr);
    int cat = 0;
    EXPECT_EQ(findStatement("label", &cat)->word, "label:");
    EXPECT_EQ(cat, 1);
    EXPECT_EQ(findStatement("NOPE"), nullptr);
    EXPECT_EQ(displaySyntax(findStatement("READ")->syntax), "構文:READ &n");
    EXPECT_EQ(displaySyntax("a && b &&&& c"), "a & b && c");
}

TEST(StatementForms, TextsAndChecks) {
    const std::string label50(50, 'L');
    const std::string label51(51, 'L');
    std::string wide25;  // 25 double-byte characters: 50 bytes
    for (int i = 0; i < 25; ++i) wide25 += "あ";
    const Case cases[] = {
        {"START", {}, "START\r\n"},
        {"EXIT", {}, "\tEXIT\r\n"},
        {"label:", {}, nullptr, "ラベル名を入力してください", "name"},
        {"label:", {{"name", label51}}, nullptr, "ラベル名が長すぎます。", "name"},
        {"label:", {{"name", wide25 + "x"}}, nullptr, "ラベル名が長すぎます。", "name"},
        {"IF", {{"cond", "((%a > 1)"}}, nullptr, "括弧の数が一致しません", "cond"},
        {"IF",
         {{"cond", ")%a > 1("}, {"else", "1"}},
         "\tIF ()%a > 1()\r\n@\t\tここにIF条件が真のときのコマンドを記述してください\r\n"
         "\tELSE\r\n@\t\tここにIF条件が偽のときのコマンドを記述してください\r\n\tENDIF\r\n"},
        {"DO", {}, nullptr, "反復条件式を入力してください", "cond"},
        {"SELECT",
         {{"var", "$s"}, {"v4", "'x'"}},
         "\tSELECT $s\r\n\tCASE "
         "'x'\r\n@\t\tここにCASE条件が真のときのコマンドを記述してください\r\n"
         "\t\tEXIT\r\n\tENDSELECT\r\n"},
        {"SELECT", {{"var", "s"}}, nullptr, "変数を入力してください", "var"},
        {"SELECT",
         {{"var", "%n"}, {"v2", "abc"}},
         nullptr,
         "文字列の場合は'でくくってください。",
         "v2"},
        {"SELECT", {{"var", "%n"}}, nullptr, "比較条件を少なくとも１つ設定してください", "v1"},
        {"WAIT", {{"num", "00"}}, nullptr, "0は許されません", "num"},
        {"WAIT", {{"src", "1"}}, nullptr, "数値定数名を入力してください", "const"},
        {"WAIT", {{"src", "2"}, {"var", "%w"}}, "\tWAIT %w\r\n"},
        {"MTAB", {{"num", "0"}}, "\tMTAB 0\r\n"},
        {"DEFINE", {{"kind", "0"}, {"name", "S"}, {"value", "a b"}}, "\tDEFINE #S 'a b'\r\n"},
        {"DEFINE", {{"kind", "1"}, {"name", "N"}}, nullptr, "値を入力してください", "value"},
        {"OPEN", {{"num", "1"}}, nullptr, "ファイル名を入力してください", "file"},
        {"SET", {{"var", "$a"}, {"field", "0"}, {"num", "1"}}, nullptr, "0は許されません", "field"},
        {"MMOVE",
         {{"xmode", "1"}, {"xsign", "-"}, {"xnum", "5"}, {"ymode", "2"}},
         "\tMMOVE -5,NOW\r\n"},
        {"MMOVE", {{"xmode", "1"}}, nullptr, "相対座標を入力してください", "xnum"},
        {"MMOVE", {{"xnum", "1"}, {"ysrc", "1"}}, nullptr, "定数名を入力してください", "yconst"},
        {"MDCLK", {{"button", "1"}}, "\tMDCLK C\r\n"},
        {"KEY", {{"k2", "CTRL"}, {"k3", "c"}}, "\tKEY CTRL,c\r\n"},
        {"KEY", {}, nullptr, "少なくとも１つはKEYを選択してください", "k1"},
        {"WSIZE",
         {{"caption", "W"}, {"wmode", "2"}, {"hmode", "1"}},
         nullptr,
         "相対高を入力してください",
         "hnum"},
        {"WSIZE",
         {{"wmode", "2"}, {"hmode", "2"}},
         nullptr,
         "ｷｬﾌﾟｼｮﾝ名を入力してください",
         "caption"},
        {"GETTIME",
         {{"result", "t"}, {"when", "1"}, {"a", "87601"}, {"b", "0"}, {"c", "0"}},
         nullptr,
         "相対時刻の指定に誤りがあります。0<=hh<=87600",
         "a"},
        {"GETTIME",
         {{"result", "t"}, {"when", "1"}, {"a", "0"}, {"b", "0"}, {"c", "3153600000"}},
         nullptr,
         "相対時刻の指定に誤りがあります。0<=ss<=315360000",
         "c"},
        {"GETTIME",
         {{"result", "t"}, {"when", "1"}, {"a", "1"}, {"b", "0"}},
         nullptr,
         "相対時刻を入力してください",
         "c"},
        {"GETWEEK",
         {{"result", "w"}, {"when", "1"}, {"sign", "-"}, {"a", "1"}, {"b", "2"}, {"c", "36501"}},
         nullptr,
         "相対日の指定に誤りがあります。0<=dd<=36500",
         "c"},
        {"GETSTR",
         {{"result", "r"}, {"src", "s"}, {"start", "0"}, {"count", "2"}},
         nullptr,
         "開始位置の指定に誤りがあります。1>=開始位置",
         "start"},
        {"STRSCH",
         {{"result", "p"}, {"src", "s"}, {"skind", "1"}},
         nullptr,
         "探索する文字列を入力してください",
         "sconst"},
        {"STRADD",
         {{"result", "r"}, {"s1", "x"}},
         nullptr,
         "結合する文字列を入力してください",
         "s2"},
        {"GETWSIZ",
         {{"caption", "c"}, {"x", "w"}},
         nullptr,
         "高さを代入する数値変数を指定してください",
         "y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word + std::string(" ") + (c.text ? c.text : c.message));
        BuildResult r = build(c.word, c.values);
        EXPECT_EQ(r.ok, c.text != nullptr);
        EXPECT_EQ(r.text, c.text ? c.text : "");
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.field, c.field);
    }
    EXPECT_EQ(build("label:", {{"name", label50}}).text, label50 + ":\r\n");
    EXPECT_EQ(build("label:", {{"name", wide25}}).text, wide25 + ":\r\n");
}

// Valid input for every form, the declarations its text needs, and what must surround it.
TEST(StatementForms, EveryFormInsertsTextTheCompilerAccepts) {
    const std::string decl =
        "DEFINE $s, $t, %n, %x, %y, %w, %h\r\nDEFINE #C 'c'\r\nDEFINE #N 5\r\n";
    const auto& valid = orvtest::statementSamples();
    ASSERT_EQ(valid.size(), 36u);
    for (const orvtest::StatementSample& v : valid) {
        SCOPED_TRACE(v.word);
        BuildResult r = build(v.word, v.values);
        ASSERT_TRUE(r.ok) << r.message;
        if (v.expected) {
            EXPECT_EQ(r.text, v.expected);
        }
        std::string w = v.word;
        std::string before = decl + (w == "START" ? "" : "START\r\n") + "L1:\r\n";
        std::string inner = w == "EXIT" ? "\tDO (%n < 1)\r\n" + r.text + "\tENDDO\r\n" : r.text;
        if (w == "label:") before = decl + "START\r\n";
        std::string text = w == "DEFINE" ? decl + r.text + "START\r\nEND\r\n"
                                         : before + inner + (w == "END" ? "" : "END\r\n");
        orvtest::Compiled c = orvtest::compileUtf8(text);
        EXPECT_TRUE(c.ok) << text << c.log;
    }
}

TEST(StatementForms, ChoicesEnableTheirFieldsAndCaptionsComeFromTheDesktop) {
    const FormSpec& mm = *formFor("MMOVE");
    FormValues v = initialValues(mm);
    EXPECT_TRUE(fieldEnabled(mm, "xnum", v));
    EXPECT_FALSE(fieldEnabled(mm, "xsign", v));
    EXPECT_FALSE(fieldEnabled(mm, "xvar", v));
    v["xmode"] = "1";
    v["xsrc"] = "2";
    EXPECT_TRUE(fieldEnabled(mm, "xsign", v));
    EXPECT_TRUE(fieldEnabled(mm, "xvar", v));
    v["xmode"] = "2";  // keeping the coordinate disables everything under it
    EXPECT_FALSE(fieldEnabled(mm, "xvar", v));
    EXPECT_FALSE(fieldEnabled(mm, "xsrc", v));
    EXPECT_TRUE(fieldEnabled(mm, "ymode", v));
    EXPECT_EQ(keyComboItems().size(), 91u);
    EXPECT_EQ(keyComboItems()[0], "(NO SET)");
    EXPECT_EQ(keyComboItems()[1], "F1");
    EXPECT_EQ(keyComboItems()[13], "SFT");
    EXPECT_EQ(keyComboItems()[90], "z");

    VirtualDesktop desk;
    desk.addWindow("A", 10, 20, 300, 200);
    desk.addWindow("", 0, 0, 1, 1);
    desk.addWindow("A", 1, 1, 1, 1);
    desk.addWindow("B", 5, 6, 7, 8);
    EXPECT_EQ(windowCaptions(desk), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(windowValue(desk, "A", false, false), 10);
    EXPECT_EQ(windowValue(desk, "A", false, true), 20);
    EXPECT_EQ(windowValue(desk, "A", true, true), 200);
    EXPECT_EQ(windowValue(desk, "B", true, false), 7);
    EXPECT_FALSE(windowValue(desk, "a", true, false).has_value());
}
