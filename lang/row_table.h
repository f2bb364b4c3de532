// RowTable: an ordered table of text cells with one integer tag per row.
// Every compiled table of a macro (instructions, variables, calculations,
// condition work rows) is a RowTable. Cells hold CP932 bytes; a cell holds at
// most kMaxCell bytes (longer text is cut when it is stored).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class RowTable {
  public:
    static constexpr std::size_t kMaxCell = 1023;

    explicit RowTable(int columns, std::string label = {});

    int columns() const { return columns_; }
    const std::string& label() const { return label_; }
    int rowCount() const { return static_cast<int>(tags_.size()); }

    // Deletes all rows.
    void clear();
    // Makes room for `rows` rows without changing the table.
    void reserve(int rows);
    // Appends a row whose cell 0 is `cell0` (other cells empty) and returns its index.
    int append(std::string_view cell0, int tag);
    // Sets the text of a cell; out-of-range addresses are ignored.
    void set(int row, int col, std::string_view text);
    // The whole text of a cell; an out-of-range address reads as the empty text.
    const std::string& cell(int row, int col) const;
    // The text of a cell as read into a buffer of `bufLen` bytes (at most bufLen - 1 bytes).
    std::string_view get(int row, int col, std::size_t bufLen) const;
    int tag(int row) const;
    void setTag(int row, int tag);
    // Index of the first row whose tag equals `tag`, or -1.
    int findTag(int tag) const;
    // Removes one row; later rows move up by one.
    void deleteRow(int row);

    // Stable sort of rows [first, last) with a three-way compare of two row indices
    // (negative: a before b).
    template <class Cmp>
    void sortRange(int first, int last, Cmp cmp);
    template <class Cmp>
    void sort(Cmp cmp) {
        sortRange(0, rowCount(), cmp);
    }

    // Direct access for hot paths that have already checked the address.
    std::string& at(int row, int col) { return cells_[idx(row, col)]; }
    const std::string& at(int row, int col) const { return cells_[idx(row, col)]; }
    bool valid(int row, int col) const {
        return row >= 0 && row < rowCount() && col >= 0 && col < columns_;
    }

  private:
    std::size_t idx(int row, int col) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(col);
    }
    void applyOrder(int first, const std::vector<int>& order);

    int columns_;
    std::string label_;
    std::vector<std::string> cells_;
    std::vector<int> tags_;
};

}  // namespace orv

#include <algorithm>

namespace orv {

template <class Cmp>
void RowTable::sortRange(int first, int last, Cmp cmp) {
    if (first < 0) first = 0;
    if (last > rowCount()) last = rowCount();
    if (last - first < 2) return;
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(last - first));
    for (int r = first; r < last; ++r) order.push_back(r);
    bool sorted = true;
    for (std::size_t i = 1; i < order.size() && sorted; ++i)
        if (cmp(order[i - 1], order[i]) > 0) sorted = false;
    if (sorted) return;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return cmp(a, b) < 0; });
    applyOrder(first, order);
}

}  // namespace orv
