#include "lang/row_table.h"

namespace orv {

namespace {
const std::string kEmpty;
}

RowTable::RowTable(int columns, std::string label)
    : columns_(columns < 1 ? 1 : columns), label_(std::move(label)) {}

void RowTable::clear() {
    cells_.clear();
    tags_.clear();
}

void RowTable::reserve(int rows) {
    if (rows <= rowCount()) return;
    cells_.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns_));
    tags_.reserve(static_cast<std::size_t>(rows));
}

int RowTable::append(std::string_view cell0, int tag) {
    int row = rowCount();
    cells_.resize(cells_.size() + static_cast<std::size_t>(columns_));
    tags_.push_back(tag);
    set(row, 0, cell0);
    return row;
}

void RowTable::set(int row, int col, std::string_view text) {
    if (!valid(row, col)) return;
    if (text.size() > kMaxCell) text = text.substr(0, kMaxCell);
    cells_[idx(row, col)].assign(text.data(), text.size());
}

const std::string& RowTable::cell(int row, int col) const {
    if (!valid(row, col)) return kEmpty;
    return cells_[idx(row, col)];
}

std::string_view RowTable::get(int row, int col, std::size_t bufLen) const {
    const std::string& s = cell(row, col);
    std::string_view v(s);
    std::size_t max = bufLen == 0 ? 0 : bufLen - 1;
    if (v.size() > max) v = v.substr(0, max);
    return v;
}

int RowTable::tag(int row) const {
    if (row < 0 || row >= rowCount()) return 0;
    return tags_[static_cast<std::size_t>(row)];
}

void RowTable::setTag(int row, int tag) {
    if (row < 0 || row >= rowCount()) return;
    tags_[static_cast<std::size_t>(row)] = tag;
}

int RowTable::findTag(int tag) const {
    for (std::size_t i = 0; i < tags_.size(); ++i)
        if (tags_[i] == tag) return static_cast<int>(i);
    return -1;
}

void RowTable::deleteRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    auto b = cells_.begin() + static_cast<std::ptrdiff_t>(idx(row, 0));
    cells_.erase(b, b + columns_);
    tags_.erase(tags_.begin() + row);
}

void RowTable::applyOrder(int first, const std::vector<int>& order) {
    std::vector<std::string> cells;
    cells.reserve(order.size() * static_cast<std::size_t>(columns_));
    std::vector<int> tags;
    tags.reserve(order.size());
    for (int r : order) {
        for (int c = 0; c < columns_; ++c) cells.push_back(std::move(cells_[idx(r, c)]));
        tags.push_back(tags_[static_cast<std::size_t>(r)]);
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
        int dst = first + static_cast<int>(i);
        for (int c = 0; c < columns_; ++c)
            cells_[idx(dst, c)] = std::move(
                cells[i * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(c)]);
        tags_[static_cast<std::size_t>(dst)] = tags[i];
    }
}

}  // namespace orv
