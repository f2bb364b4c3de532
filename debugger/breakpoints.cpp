#include "debugger/breakpoints.h"

#include <array>
#include <cstring>

#include "lang/text.h"
#include "platform/file_io.h"

namespace orv::debugger {

namespace {

constexpr std::size_t kHeader = 8;

struct ErrorText {
    FileError error;
    const char* text;  // UTF-8
};
constexpr std::array<ErrorText, 8> kFileErrors = {{
    {FileError::ShortHeader, "ブレイクポイントファイル破壊(ERR=BTR01)"},
    {FileError::BadLength, "ブレイクポイントファイル破壊(ERR=BTR02)"},
    {FileError::ShortName, "ブレイクポイントファイル破壊(ERR=BTR03)"},
    {FileError::OpenForWrite, "ブレイクポイントファイルOpen Error(ERR=BTW01)"},
    {FileError::HeaderFailed, "ブレイクポイントファイルWrite Error(ERR=BTW02)"},
    {FileError::HeaderShort, "ブレイクポイントファイルWrite Error(ERR=BTW03)"},
    {FileError::NameFailed, "ブレイクポイントファイルWrite Error(ERR=BTW04)"},
    {FileError::NameShort, "ブレイクポイントファイルWrite Error(ERR=BTW05)"},
}};

std::int32_t readLe32(const char* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return static_cast<std::int32_t>(v);
}

void putLe32(char* p, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// One write of a whole piece: the failure kind when it fails or comes out short.
FileError writePiece(ByteSink& sink, const char* data, std::size_t size, FileError failed,
                     FileError shortWrite) {
    long n = sink.write(data, size);
    if (n < 0) return failed;
    if (static_cast<std::size_t>(n) != size) return shortWrite;
    return FileError::None;
}

// The first word of a line: after spaces and tabs, up to a zero byte, CR or space.
std::string_view firstWord(std::string_view line) {
    std::size_t p = 0;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    std::size_t e = p;
    while (e < line.size() && line[e] != '\0' && line[e] != '\r' && line[e] != ' ') ++e;
    return line.substr(p, e - p);
}

// The file's bytes go to a temporary file beside it; committing renames it over the file.
class AtomicSink : public ByteSink {
  public:
    explicit AtomicSink(const std::string& path) : writer_(path) {}
    bool opened() const { return writer_.opened(); }
    long write(const char* data, std::size_t size) override { return writer_.write(data, size); }
    bool commit() { return writer_.commit(); }

  private:
    AtomicFileWriter writer_;
};

}  // namespace

std::string toggleMessage(ToggleResult r) {
    switch (r) {
        case ToggleResult::CommentLine:
            return sj("コメント行には設定できません");
        case ToggleResult::ReservedLine:
            return sj("DEFINE/START/END行には設定できません");
        default:
            return {};
    }
}

std::string fileErrorMessage(FileError e) {
    for (const ErrorText& t : kFileErrors)
        if (t.error == e) return sj(t.text);
    return {};
}

FileError parseBreakpointFile(std::string_view bytes, std::vector<Breakpoint>& out) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (bytes.size() - pos < kHeader) return FileError::ShortHeader;
        std::int32_t line = readLe32(bytes.data() + pos);
        std::int32_t length = readLe32(bytes.data() + pos + 4);
        pos += kHeader;
        if (length <= 0) return FileError::BadLength;
        if (static_cast<std::size_t>(length) > bytes.size() - pos) return FileError::ShortName;
        out.push_back({line, std::string(bytes.substr(pos, static_cast<std::size_t>(length)))});
        pos += static_cast<std::size_t>(length);
    }
    return FileError::None;
}

FileError writeBreakpointRecords(const std::vector<Breakpoint>& items, ByteSink& sink) {
    for (const Breakpoint& b : items) {
        if (b.file.empty()) continue;
        char header[kHeader];
        putLe32(header, b.line);
        putLe32(header + 4, static_cast<std::int32_t>(b.file.size()));
        FileError e =
            writePiece(sink, header, kHeader, FileError::HeaderFailed, FileError::HeaderShort);
        if (e == FileError::None)
            e = writePiece(sink, b.file.data(), b.file.size(), FileError::NameFailed,
                           FileError::NameShort);
        if (e != FileError::None) return e;
    }
    return FileError::None;
}

ToggleResult BreakpointList::toggle(std::string_view title, int line1, std::string_view lineText) {
    int found = find(title, line1);
    if (found >= 0) {
        remove(found);
        return ToggleResult::Removed;
    }
    std::string_view word = firstWord(lineText);
    if (!word.empty() && word[0] == '@') return ToggleResult::CommentLine;
    if (word == "DEFINE" || word == "START" || word == "END") return ToggleResult::ReservedLine;
    {
        std::lock_guard<std::mutex> lock(mu_);
        items_.push_back({line1, std::string(title)});
    }
    changed();
    return ToggleResult::Added;
}

void BreakpointList::remove(int index) {
    if (index < 0 || index >= size()) return;
    {
        std::lock_guard<std::mutex> lock(mu_);
        items_.erase(items_.begin() + index);
    }
    changed();
}

void BreakpointList::clear() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        items_.clear();
    }
    changed();
}

void BreakpointList::append(const std::vector<Breakpoint>& more) {
    if (more.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mu_);
        items_.insert(items_.end(), more.begin(), more.end());
    }
    changed();
}

int BreakpointList::find(std::string_view title, int line1) const {
    std::lock_guard<std::mutex> lock(mu_);
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].line == line1 && items_[i].file == title) return static_cast<int>(i);
    return -1;
}

std::vector<char> BreakpointList::linesOf(std::string_view title, bool anyTitle) const {
    std::vector<char> lines;
    std::lock_guard<std::mutex> lock(mu_);
    for (const Breakpoint& b : items_) {
        if (b.line < 0 || b.line > kMaxMacroLines || (!anyTitle && b.file != title)) continue;
        if (static_cast<std::size_t>(b.line) >= lines.size())
            lines.resize(static_cast<std::size_t>(b.line) + 1, 0);
        lines[static_cast<std::size_t>(b.line)] = 1;
    }
    return lines;
}

FileError BreakpointList::load(const std::string& path, bool createMissing) {
    std::string bytes;
    if (!readWholeFile(path, bytes)) {
        // A missing file is created empty; an unreadable one is left alone.
        if (createMissing && !fileExists(path)) writeFileAtomic(path, {});
        return FileError::None;
    }
    std::vector<Breakpoint> read;
    FileError e = parseBreakpointFile(bytes, read);
    append(read);
    return e;
}

FileError BreakpointList::save(const std::string& path) const {
    AtomicSink sink(path);
    if (!sink.opened()) return FileError::OpenForWrite;
    FileError e = writeBreakpointRecords(items_, sink);
    if (e != FileError::None) return e;
    return sink.commit() ? FileError::None : FileError::NameFailed;
}

void BreakpointMatcher::refresh() {
    // Read the version first: an edit after it makes the next test refresh again.
    version_ = list_.version();
    any_ = list_.linesOf({}, true);
}

void BreakpointMatcher::refreshTitle(std::string_view title) {
    // The lines of the version any_ was read at, or of a later one; a later one makes
    // refresh() run at the next test, and this one with it.
    titleVersion_ = version_;
    title_.assign(title.data(), title.size());
    lines_ = list_.linesOf(title);
}

}  // namespace orv::debugger
