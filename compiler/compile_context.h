// State shared by the statement parser, the condition compiler and the
// expression compiler during one compile.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "compiler/compile_log.h"
#include "lang/tables.h"

namespace orv {

class CompileContext {
  public:
    CompileContext(Tables& tables, CompileLog& log) : t(tables), log_(log) {}

    Tables& t;

    // Reports an error through the result log and marks the compile failed.
    void error(int line0, CompileError e, std::string_view text = {}) {
        log_.report(line0, e, text);
        errorFlag = true;
    }
    bool errorFlag = false;

    // First hVal row with this name (any type), or -1.
    int findName(std::string_view name) const {
        auto it = names_.find(std::string(nameKey(name)));
        int r = it == names_.end() ? -1 : it->second;
        if (!temps_.empty() && !name.empty() && name[0] == '!') {
            const int t = findTemporary(name);
            if (t >= 0 && (r < 0 || t < r)) r = t;
        }
        return r;
    }
    // A declared variable or constant: "$name" must be a string row, "%name" a number row,
    // "#name" a constant of either type. -1 when there is none.
    int findVar(std::string_view name) const {
        int r = findName(name);
        if (r < 0 || name.empty()) return -1;
        const std::string& type = t.hVal.cell(r, val::type);
        switch (name[0]) {
            case '$':
                return type == kTypeString ? r : -1;
            case '%':
                return type == kTypeNumber ? r : -1;
            case '#':
                return (type == kTypeString || type == kTypeNumber) ? r : -1;
            default:
                return -1;
        }
    }
    // Appends an hVal row (tag 0) and indexes its name.
    // Makes room for `n` variables and temporaries.
    void reserveVals(int n) {
        t.hVal.reserve(n);
        names_.reserve(static_cast<std::size_t>(n));
    }

    int addVal(std::string_view name, std::string_view type, std::string_view value) {
        int r = appendVal(name, type, value);
        names_.emplace(std::string(nameKey(name)), r);
        return r;
    }
    // Appends the numeric temporary "!number" (value 0). Temporaries come in rising order
    // and are kept in a sorted list rather than the name map, which a large assignment-heavy
    // macro would otherwise fill with thousands of entries; findName sees both.
    // `name` is "!" followed by `number`.
    int addTemporary(std::string_view name, std::int32_t number) {
        if (!temps_.empty() && number <= temps_.back().first)
            return addVal(name, kTypeNumber, kZeroValue);
        int r = appendVal(name, kTypeNumber, kZeroValue);
        temps_.emplace_back(number, r);
        return r;
    }
    // Appends an hMacro row with its instruction code, level, sequence number and source
    // line (0-based, or kNoLine); returns its index.
    int addMacro(int instruct, int level, std::string_view macroLine) {
        RowTable& m = t.hMacro;
        int r = m.append(std::to_string(instruct), m.rowCount());
        m.set(r, mac::LineLvl, std::to_string(level));
        m.set(r, mac::Line, std::to_string(r));
        m.set(r, mac::MacroLine, macroLine);
        return r;
    }
    int addMacro(int instruct, int level, int line0) {
        return addMacro(instruct, level, std::to_string(line0));
    }

  private:
    CompileLog& log_;
    int appendVal(std::string_view name, std::string_view type, std::string_view value) {
        int r = t.hVal.append(name, 0);
        t.hVal.set(r, val::type, type);
        t.hVal.set(r, val::value, value);
        return r;
    }
    // The row of the temporary a name such as "!12" denotes, or -1.
    int findTemporary(std::string_view name) const {
        std::string_view digits = name.substr(1);
        std::int32_t n = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (ec != std::errc() || end != digits.data() + digits.size() ||
            std::to_string(n) != digits)
            return -1;
        auto it = std::lower_bound(temps_.begin(), temps_.end(), std::make_pair(n, -1));
        return it != temps_.end() && it->first == n ? it->second : -1;
    }

    std::unordered_map<std::string, int> names_;
    std::vector<std::pair<std::int32_t, int>> temps_;  // (number, hVal row), rising numbers
};

}  // namespace orv
