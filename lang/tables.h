// The compiled program tables and the codes stored in their cells.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "lang/codes.h"
#include "lang/key_names.h"  // the KEY names stored in hMacro
#include "lang/row_table.h"

namespace orv {

// hMacro columns.
namespace mac {
enum : int {
    instruct = 0,
    shiki1,
    syurui1,
    jyoken,
    shiki2,
    syurui2,
    go_to,
    LineLvl,
    Line,
    MacroLine,
    Caption,
    kColumns
};
}
// hVal columns.
namespace val {
enum : int { Val = 0, type, value, filno, fieldno, kColumns };
}
// hCal columns.
namespace cal {
enum : int {
    LEFT = 0,
    RIGHT1,
    RIGHT1_KIND,
    ENZANSI,
    RIGHT2,
    RIGHT2_KIND,
    SORTBLOCK,
    SORTLEVEL,
    SORTSEQ,
    kColumns
};
}
// hWrk columns.
namespace wrk {
enum : int {
    shiki1 = 0,
    shiki1kind,
    jyoken,
    shiki2,
    shiki2kind,
    lvl,
    grp,
    enzantype,
    block,
    kColumns
};
}

// Instruction codes: 0..32 are the keyword indices; 33 label; 34 assignment; 35..41 functions.
enum Op : int {
    OP_IF = 0,
    OP_ELSE,
    OP_ENDIF,
    OP_DO,
    OP_ENDDO,
    OP_SELECT,
    OP_CASE,
    OP_ENDSELECT,
    OP_START,
    OP_END,
    OP_EXIT,
    OP_GOTO,
    OP_OPEN,
    OP_CLOSE,
    OP_SET,
    OP_READ,
    OP_DEFINE,
    OP_MMOVE,
    OP_MCLK,
    OP_MDCLK,
    OP_MDOWN,
    OP_MUP,
    OP_WAIT,
    OP_FOCUS,
    OP_KEY,
    OP_MTAB,
    OP_EXECUTE,
    OP_WMOVE,
    OP_DESTROY,
    OP_GETMPOS,
    OP_GETWPOS,
    OP_GETWSIZ,
    OP_WSIZE,
    OP_LABEL,
    OP_CALC,
    OP_GETTIME,
    OP_GETDATE,
    OP_GETWEEK,
    OP_GETSTR,
    OP_GETLEN,
    OP_STRSCH,
    OP_STRADD,
};

inline constexpr int kKeywordCount = 33;
// Keyword of instruction code 0..32 (searched in this order, exact comparison).
extern const char* const kKeywords[kKeywordCount];
// Index of `word` in the keyword table, or -1.
int keywordIndex(std::string_view word);

// hVal types as cell texts.
inline constexpr std::string_view kTypeString = cellCode(TYPE_STRING);
inline constexpr std::string_view kTypeNumber = cellCode(TYPE_NUMBER);
inline constexpr std::string_view kTypeLabel = cellCode(TYPE_LABEL);
inline constexpr std::string_view kTypeFile = cellCode(TYPE_FILE);
// MacroLine of a row that stands for no source line (the jumps in front of a SELECT).
inline constexpr std::string_view kNoLine = "-";
// The value a number variable or a temporary starts with.
inline constexpr std::string_view kZeroValue = "0";

// Names are compared over at most their first 99 bytes.
inline constexpr std::size_t kNameCompare = 99;
inline std::string_view nameKey(std::string_view name) {
    return name.size() > kNameCompare ? name.substr(0, kNameCompare) : name;
}

// The three tables a compile fills and a run reads.
struct Tables {
    RowTable hMacro{mac::kColumns, "hMacro"};
    RowTable hVal{val::kColumns, "hVal"};
    RowTable hCal{cal::kColumns, "hCal"};
    // Clears hMacro, hVal and hCal, in that order.
    void clear() {
        hMacro.clear();
        hVal.clear();
        hCal.clear();
    }
};

// Three-way compare of two hCal rows by SORTBLOCK asc, SORTLEVEL desc, SORTSEQ asc,
// each read as a whole integer.
int hCalCompare(const RowTable& hCal, int a, int b);

// What a table dump shows; with DUMP_ALL the order is hVal, hCal, hMacro.
enum DumpWhich : int { DUMP_ALL = 0, DUMP_VAL = 1, DUMP_CAL = 2, DUMP_MACRO = 3 };
// Table dump of `which` (DumpWhich).
// Each dump line (CP932, ending in "\r\n") goes to `sink`.
void dumpTables(const Tables& t, int which, const std::function<void(std::string_view)>& sink);
// The same to the debug-output channel (nothing is formatted when it is silent).
void dumpTablesDebug(const Tables& t, int which);

}  // namespace orv
