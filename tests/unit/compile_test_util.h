// Helpers for compiler tests: compile a text and look at the log and tables.
#pragma once

#include <string>
#include <vector>

#include "compiler/compile_driver.h"
#include "lang/tables.h"
#include "lang/text.h"

namespace orvtest {

struct Compiled {
    bool ok = false;
    std::string log;                  // whole log, UTF-8
    std::vector<std::string> errors;  // error lines, UTF-8, without their CR LF
    std::vector<std::string> macro;   // hMacro rows, cells 0..10 joined with '/'
    std::vector<std::string> vals;    // hVal rows, cells joined with '/'
    std::vector<std::string> cals;    // hCal rows, cells joined with '/'
    orv::Tables tables;
};

inline std::string joinRow(const orv::RowTable& t, int r) {
    std::string s;
    for (int c = 0; c < t.columns(); ++c) {
        if (c) s += '/';
        s += orv::cp932ToUtf8(t.cell(r, c));
    }
    return s;
}

// Compiles UTF-8 source (lines joined with CR LF).
inline Compiled compileUtf8(const std::string& utf8) {
    Compiled c;
    std::string text = orv::utf8ToCp932Lossy(utf8);
    std::string log;
    c.ok = orv::compileText(c.tables, text, &log);
    c.log = orv::cp932ToUtf8(log);
    std::size_t pos = 0;
    while (pos < c.log.size()) {
        std::size_t e = c.log.find("\r\n", pos);
        std::string line = c.log.substr(pos, e == std::string::npos ? std::string::npos : e - pos);
        if (!line.empty() && line[0] == '*') c.errors.push_back(line);
        if (e == std::string::npos) break;
        pos = e + 2;
    }
    for (int r = 0; r < c.tables.hMacro.rowCount(); ++r)
        c.macro.push_back(joinRow(c.tables.hMacro, r));
    for (int r = 0; r < c.tables.hVal.rowCount(); ++r) c.vals.push_back(joinRow(c.tables.hVal, r));
    for (int r = 0; r < c.tables.hCal.rowCount(); ++r) c.cals.push_back(joinRow(c.tables.hCal, r));
    return c;
}

// Joins lines with CR LF.
inline std::string lines(std::initializer_list<const char*> ls) {
    std::string s;
    for (const char* l : ls) {
        s += l;
        s += "\r\n";
    }
    return s;
}

}  // namespace orvtest
