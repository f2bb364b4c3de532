// State shared by the statement parser, the condition compiler and the
// expression compiler during one compile.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "compiler/compile_log.h"
#include "lang/tables.h"

namespace orv {

class CompileContext {
  public:
    CompileContext(Tables& tables, CompileLog& log) : t(tables), log_(log) {}

    Tables& t;

    // Reports an error through the result log and marks the compile failed.
    void error(int line0, int errorNo, std::string_view text = {}) {
        log_.report(line0, errorNo, text);
        errorFlag = true;
    }
    bool errorFlag = false;

    // First hVal row with this name (any type), or -1.
    int findName(std::string_view name) const {
        auto it = names_.find(std::string(nameKey(name)));
        return it == names_.end() ? -1 : it->second;
    }
    // A declared variable or constant: "$name" must be a string row (type 1), "%name" a
    // number row (type 2), "#name" a constant of either type. -1 when there is none.
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
    int addVal(std::string_view name, std::string_view type, std::string_view value) {
        int r = t.hVal.append(name, 0);
        t.hVal.set(r, val::type, type);
        t.hVal.set(r, val::value, value);
        names_.emplace(std::string(nameKey(name)), r);
        return r;
    }
    // Appends an hMacro row with its instruction code, level, sequence number and source
    // line (0-based, or "-"); returns its index.
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
    std::unordered_map<std::string, int> names_;
};

}  // namespace orv
