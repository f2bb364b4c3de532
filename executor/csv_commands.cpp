// The row executor's CSV commands: OPEN, CLOSE, SET and READ.
#include <cstring>

#include "executor/row_executor.h"
#include "lang/text.h"

namespace orv {

namespace {

// The word a file number's filno reads after READ found the end of its file.
constexpr std::string_view kEofMark = "EOF";

int slotOf(const std::string& v) {
    if (!allDigits(v)) return -1;
    int s = toInt(v);
    return s >= 0 && s < OpenFiles::kSlots ? s : -1;
}

// One record of a chunk: the text read ends at its first zero byte, the record at the first
// CR before it; a CR LF (the LF possibly the byte after the chunk, `more`) is consumed whole.
struct Record {
    std::string_view text;
    std::size_t consumed;
};
Record nextRecord(std::string_view chunk, int more) {
    const char* base = chunk.data();
    const char* cr = static_cast<const char*>(std::memchr(base, '\r', chunk.size()));
    const std::size_t scanEnd = cr ? static_cast<std::size_t>(cr - base) : chunk.size();
    const char* nul = static_cast<const char*>(std::memchr(base, 0, scanEnd));
    if (nul) return {chunk.substr(0, static_cast<std::size_t>(nul - base)), chunk.size()};
    if (!cr) return {chunk, chunk.size()};
    const std::size_t pos = static_cast<std::size_t>(cr - base);
    std::size_t consumed = pos + 1;
    const int after = pos + 1 < chunk.size() ? static_cast<unsigned char>(chunk[pos + 1]) : more;
    if (after == '\n') ++consumed;
    return {chunk.substr(0, pos), consumed};
}

}  // namespace

int RowExecutor::doOpen(int row, const DRow& d) {
    if (findName(d.name) >= 0)
        return fail(row, sj("このファイル番号は別ファイルでOPEN済です。") + d.name);
    int slot = files_.firstEmpty();
    if (slot < 0) return fail(row, sj("同時にオープンするファイル数が多すぎます"));
    RowTable& v = t_.hVal;
    int r = v.append(d.name, 0);
    v.set(r, val::type, kTypeFile);
    v.set(r, val::value, toText(slot));
    if (sh_.size() == static_cast<std::size_t>(r)) sh_.push_back(Shadow{});
    bindingsValid_ = false;
    if (!files_.open(slot, d.name2))
        return fail(row, sj("ファイルのオープンでエラーが発生しました。") + d.name2);
    return d.next;
}

int RowExecutor::doClose(int row, const DRow& d) {
    int r = findName(d.name);
    if (r < 0) return fail(row, sj("オープンされていません。") + d.name);
    int slot = slotOf(valueText(r));
    t_.hVal.deleteRow(r);
    if (static_cast<std::size_t>(r) < sh_.size()) sh_.erase(sh_.begin() + r);
    bindingsValid_ = false;
    if (slot < 0) return fail(row, sj("オープンされていません。") + d.name);
    files_.close(slot);
    return d.next;
}

int RowExecutor::doSet(int row, const DRow& d) {
    int r = findName(d.name);
    if (r < 0 || slotOf(valueText(r)) < 0)
        return fail(row, sj("オープンされていません。") + d.name);
    t_.hVal.set(d.src, val::filno, d.name);
    t_.hVal.set(d.src, val::fieldno, d.name2);
    bindingsValid_ = false;
    return d.next;
}

int RowExecutor::doRead(int row, const DRow& d) {
    int r = findName(d.name);
    int slot = r < 0 ? -1 : slotOf(valueText(r));
    if (slot < 0) return fail(row, sj("オープンされていません。") + d.name);
    int more = -1;
    std::string_view chunk = files_.peek(slot, &more);
    if (chunk.empty()) {
        t_.hVal.set(r, val::filno, kEofMark);
        bindingsValid_ = false;
        return d.next;
    }
    const Record rec = nextRecord(chunk, more);
    // Assign the fields before moving on: the record points into the file's buffer.
    if (!bindingsValid_) bindFields();
    assignFields(d.name, rec.text);
    files_.consume(slot, rec.consumed);
    // A record read after the end was reached (the file has grown): no longer at the end.
    if (t_.hVal.cell(r, val::filno) == kEofMark) {
        t_.hVal.set(r, val::filno, "");
        bindingsValid_ = false;
    }
    return d.next;
}

// Rebuilds the table of field bindings from hVal's filno and fieldno columns.
void RowExecutor::bindFields() {
    bindings_.clear();
    const RowTable& v = t_.hVal;
    for (int i = 0; i < v.rowCount(); ++i) {
        const std::string& fn = v.at(i, val::filno);
        if (fn.empty()) continue;
        std::int32_t f = toInt(v.at(i, val::fieldno));
        if (f < 1 || f > static_cast<std::int32_t>(OpenFiles::kChunk) + 1) continue;
        std::vector<int>& rowsOf = bindings_[fn];
        if (rowsOf.size() <= static_cast<std::size_t>(f))
            rowsOf.resize(static_cast<std::size_t>(f) + 1, -1);
        if (rowsOf[static_cast<std::size_t>(f)] < 0) rowsOf[static_cast<std::size_t>(f)] = i;
    }
    bindingsValid_ = true;
}

// Stores the comma-separated fields of a record in the variables bound to them.
void RowExecutor::assignFields(const std::string& fileNumber, std::string_view record) {
    auto it = bindings_.find(fileNumber);
    if (it == bindings_.end()) return;
    const std::vector<int>& rowsOf = it->second;
    std::size_t start = 0;
    for (std::size_t f = 1;; ++f) {
        const std::size_t comma = record.find(',', start);
        const bool last = comma == std::string_view::npos;
        const std::string_view piece =
            record.substr(start, last ? std::string_view::npos : comma - start);
        // No variable is bound to this or any later field.
        if (f >= rowsOf.size() && !last) break;
        if (!(last && piece.empty()) && f < rowsOf.size() && rowsOf[f] >= 0) {
            const int target = rowsOf[f];
            const std::string& type = t_.hVal.at(target, val::type);
            if (type == kTypeString)
                setText(target, piece);
            else if (type == kTypeNumber)
                setNum(target, toInt(piece));
        }
        if (last) break;
        start = comma + 1;
    }
}

}  // namespace orv
