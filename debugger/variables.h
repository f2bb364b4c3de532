// The variables view of a paused debug run: the text and numeric variables of the compiled
// macro with their current values, filled once per opening and refreshed in place after
// each step. Plain C++ shared by orvane's variables window and `orvane-cli debug`.
#pragma once

#include <string>
#include <vector>

#include "lang/row_table.h"

namespace orv::debugger {

struct VariableItem {
    std::string name;   // the hVal name, with its sigil (CP932)
    std::string type;   // "文字" or "数値" (CP932)
    std::string value;  // the current value (CP932)
};

class VariablesView {
  public:
    // Fills the items from hVal: every row of type 1 or 2 whose name does not begin with "!"
    // or "#", in table order.
    void fill(const RowTable& hVal);
    // Copies each item's value from the first hVal row with its exact name; items whose
    // variable is gone keep their old value. Items are never added or removed here.
    void refresh(const RowTable& hVal);
    void clear() { items_.clear(); }
    const std::vector<VariableItem>& items() const { return items_; }

  private:
    std::vector<VariableItem> items_;
};

}  // namespace orv::debugger
