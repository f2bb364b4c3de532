#include <gtest/gtest.h>

#include "lang/tables.h"
#include "lang/text.h"

using namespace orv;

TEST(RowTable, AppendSetGetAndTruncation) {
    RowTable t(3);
    EXPECT_EQ(t.append("a", 7), 0);
    EXPECT_EQ(t.append("b", 9), 1);
    t.set(1, 2, std::string(2000, 'x'));
    EXPECT_EQ(t.cell(1, 2).size(), RowTable::kMaxCell);
    EXPECT_EQ(t.get(1, 2, 100).size(), 99u);
    EXPECT_EQ(t.cell(5, 0), "");  // out of range reads as empty
    t.set(5, 0, "ignored");
    EXPECT_EQ(t.findTag(9), 1);
    EXPECT_EQ(t.findTag(8), -1);
    t.deleteRow(0);
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_EQ(t.cell(0, 0), "b");
    t.clear();
    EXPECT_EQ(t.rowCount(), 0);
}

TEST(RowTable, HCalSortOrder) {
    RowTable h(cal::kColumns);
    // block, level, seq
    const int rows[][3] = {{1, 0, 2},  {0, 0, 1}, {0, 2, 0}, {0, 1, 3},
                           {10, 0, 0}, {2, 5, 0}, {0, 1, 2}};
    for (int i = 0; i < 7; ++i) {
        int r = h.append(std::to_string(i), i);
        h.set(r, cal::SORTBLOCK, std::to_string(rows[i][0]));
        h.set(r, cal::SORTLEVEL, std::to_string(rows[i][1]));
        h.set(r, cal::SORTSEQ, std::to_string(rows[i][2]));
    }
    h.sort([&](int a, int b) { return hCalCompare(h, a, b); });
    std::string order;
    for (int r = 0; r < h.rowCount(); ++r) order += h.cell(r, 0);
    // block asc; level desc; seq asc; "10" compares as a whole number, after "2".
    EXPECT_EQ(order, "2631054");
}

TEST(Text, DecimalConversion) {
    struct {
        const char* in;
        int out;
    } cases[] = {{"12", 12},        {"-7", -7}, {"  +3x", 3},
                 {"abc", 0},        {"", 0},    {"2147483648", INT32_MIN},
                 {"4294967297", 1}, {"-", 0}};
    for (auto& c : cases) EXPECT_EQ(toInt(c.in), c.out) << c.in;
    EXPECT_EQ(toText(-539222987), "-539222987");
    EXPECT_TRUE(allDigits("0123"));
    EXPECT_FALSE(allDigits(""));
    EXPECT_FALSE(allDigits("1.5"));
}

TEST(Text, Cp932RoundTrip) {
    const char* samples[] = {"マクロ実行終了", "ｱｲｳ･", "～①髙﨑", "a\\b~c"};
    for (const char* s : samples) {
        auto cp = utf8ToCp932(s);
        ASSERT_TRUE(cp.has_value()) << s;
        EXPECT_EQ(cp932ToUtf8(*cp), s);
    }
    EXPECT_EQ(*utf8ToCp932("\\"), "\\");  // never turned into a yen sign
    EXPECT_FALSE(utf8ToCp932("😀").has_value());
    EXPECT_EQ(utf8ToCp932Lossy("a😀b"), "a?b");
    // Invalid CP932 is shown, never dropped.
    EXPECT_EQ(cp932ToUtf8("a\x81"), "a\xEF\xBF\xBD");
    EXPECT_FALSE(isValidCp932("\x81"));
    // Lead bytes of double-byte characters: 0x81-0x9F and 0xE0-0xFC.
    for (int b = 0; b < 256; ++b) {
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(isCp932LeadByte(static_cast<unsigned char>(b)), lead) << b;
    }
}

// The key-name table: each name's code, texts that name no key, and the list order (function
// keys, the named keys, digits, capitals, small letters) that the KEY combos show.
TEST(KeyNames, CodesAndListOrder) {
    const struct {
        const char* name;
        int code;
    } cases[] = {{"F1", 112}, {"F12", 123}, {"SFT", 16}, {"ENTER", 13}, {"SPACE", 32}, {"0", '0'},
                 {"Z", 'Z'},  {"a", 'a'},   {"f1", -1},  {"", -1},      {"AB", -1},    {"!", -1}};
    for (const auto& c : cases) EXPECT_EQ(keyNameCode(c.name), c.code) << c.name;
    ASSERT_EQ(kKeyNameCount, 90u);
    const std::pair<std::size_t, const char*> order[] = {
        {0, "F1"}, {11, "F12"}, {12, "SFT"}, {27, "SPACE"}, {28, "0"}, {38, "A"}, {89, "z"}};
    for (const auto& [i, name] : order) EXPECT_EQ(kKeyNames[i].name, name) << i;
}

TEST(Tables, DumpFormats) {
    Tables t;
    int v = t.hVal.append("%a", 0);
    t.hVal.set(v, val::type, "2");
    t.hVal.set(v, val::value, "0");
    int m = t.hMacro.append("9", 0);
    t.hMacro.set(m, mac::Line, "0");
    std::vector<std::string> lines;
    dumpTables(t, 0, [&](std::string_view l) { lines.push_back(cp932ToUtf8(l)); });
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "*** hVal *** SEQ/Name(0)/種類(1)/値(2)/fileno(3)/field(4)\r\n");
    EXPECT_EQ(lines[1], "0-%a/2/0//\r\n");
    EXPECT_EQ(lines[2],
              "*** hCal *** /左辺(0)/右辺1(1)/右辺1種類(2)/演算子(3)/右辺2(4)/右辺2種類(5)/"
              "BLOCK(6)/LVL(7)/SEQ(8)\r\n");
    EXPECT_EQ(lines[4], "9////////0//\r\n");
    lines.clear();
    dumpTables(t, 1, [&](std::string_view l) { lines.push_back(std::string(l)); });
    EXPECT_EQ(lines.size(), 2u);
}
