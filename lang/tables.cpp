#include "lang/tables.h"

#include <cstdint>
#include <cstdio>

#include "lang/debug_out.h"
#include "lang/text.h"

namespace orv {

const char* const kKeywords[kKeywordCount] = {
    "IF",    "ELSE",    "ENDIF",   "DO",      "ENDDO",   "SELECT", "CASE", "ENDSELECT", "START",
    "END",   "EXIT",    "GOTO",    "OPEN",    "CLOSE",   "SET",    "READ", "DEFINE",    "MMOVE",
    "MCLK",  "MDCLK",   "MDOWN",   "MUP",     "WAIT",    "FOCUS",  "KEY",  "MTAB",      "EXECUTE",
    "WMOVE", "DESTROY", "GETMPOS", "GETWPOS", "GETWSIZ", "WSIZE"};

int keywordIndex(std::string_view word) {
    for (int i = 0; i < kKeywordCount; ++i)
        if (word == kKeywords[i]) return i;
    return -1;
}

namespace {
// Whole-integer value of a sort key cell (digits may exceed 32 bits in theory; compare as 64-bit).
std::int64_t key(const RowTable& t, int row, int col) {
    const std::string& s = t.cell(row, col);
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    std::int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9' && v < (INT64_MAX / 10 - 10); ++i)
        v = v * 10 + (s[i] - '0');
    return neg ? -v : v;
}
}  // namespace

int hCalCompare(const RowTable& hCal, int a, int b) {
    std::int64_t ba = key(hCal, a, cal::SORTBLOCK), bb = key(hCal, b, cal::SORTBLOCK);
    if (ba != bb) return ba < bb ? -1 : 1;
    std::int64_t la = key(hCal, a, cal::SORTLEVEL), lb = key(hCal, b, cal::SORTLEVEL);
    if (la != lb) return la > lb ? -1 : 1;
    std::int64_t sa = key(hCal, a, cal::SORTSEQ), sb = key(hCal, b, cal::SORTSEQ);
    if (sa != sb) return sa < sb ? -1 : 1;
    return 0;
}

void dumpTables(const Tables& t, int which, const std::function<void(std::string_view)>& sink) {
    static const std::string hValHead =
        sj("*** hVal *** SEQ/Name(0)/種類(1)/値(2)/fileno(3)/field(4)\r\n");
    static const std::string hCalHead =
        sj("*** hCal *** /左辺(0)/右辺1(1)/右辺1種類(2)/演算子(3)/右辺2(4)/右辺2種類(5)/"
           "BLOCK(6)/LVL(7)/SEQ(8)\r\n");
    static const std::string hMacroHead =
        sj("*** hMacro *** /命令(0)/式1(1)/式1種類(2)/条件(3)/式2(4)/式2条件(5)/飛先(6)/"
           "LineLvl(7)/SEQ(8)/LINENO(9)/MMOVE-WMOVEX指定種類(10)/MMOVE-WMOVEY指定種類(11)\r\n");
    constexpr std::size_t kBuf = 100;
    // One table: its header, then a line a row; hVal's lines start with the row number.
    auto table = [&](const std::string& head, const RowTable& tab, bool numbered) {
        sink(head);
        std::string line;
        for (int r = 0; r < tab.rowCount(); ++r) {
            line.clear();
            if (numbered) line = std::to_string(r) + '-';
            for (int c = 0; c < tab.columns(); ++c) {
                if (c) line += '/';
                line += tab.get(r, c, kBuf);
            }
            line += "\r\n";
            sink(line);
        }
    };
    if (which == DUMP_ALL || which == DUMP_VAL) table(hValHead, t.hVal, true);
    if (which == DUMP_ALL || which == DUMP_CAL) table(hCalHead, t.hCal, false);
    if (which == DUMP_ALL || which == DUMP_MACRO) table(hMacroHead, t.hMacro, false);
}

void dumpTablesDebug(const Tables& t, int which) {
    if (!dbg::enabled()) return;
    dumpTables(t, which, [](std::string_view l) { dbg::out(l); });
}

}  // namespace orv
