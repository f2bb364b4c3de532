#include "debugger/variables.h"

#include <unordered_map>

#include "lang/tables.h"
#include "lang/text.h"

namespace orv::debugger {

void VariablesView::fill(const RowTable& hVal) {
    static const std::string kText = sj("文字");
    static const std::string kNumber = sj("数値");
    items_.clear();
    for (int r = 0; r < hVal.rowCount(); ++r) {
        const std::string& type = hVal.cell(r, val::type);
        const std::string& name = hVal.cell(r, val::Val);
        if (type != kTypeString && type != kTypeNumber) continue;
        if (!name.empty() && (name[0] == '!' || name[0] == '#')) continue;
        items_.push_back({name, type == kTypeString ? kText : kNumber, hVal.cell(r, val::value)});
    }
}

void VariablesView::refresh(const RowTable& hVal) {
    if (items_.empty()) return;
    // The first row of each name, as a lookup from the top of the table would find it.
    std::unordered_map<std::string_view, int> first;
    first.reserve(static_cast<std::size_t>(hVal.rowCount()));
    for (int r = 0; r < hVal.rowCount(); ++r) first.emplace(hVal.cell(r, val::Val), r);
    for (VariableItem& item : items_) {
        auto it = first.find(item.name);
        if (it != first.end()) item.value = hVal.cell(it->second, val::value);
    }
}

}  // namespace orv::debugger
