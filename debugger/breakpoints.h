// The breakpoint list of the debugger: one item per macro file title and 1-based text line,
// in list order; the toggling rules; the breakpoint file brksvfl.dbk; and the query a debug
// run's worker thread makes for every row. Plain C++ shared by orvane and orvane-cli.
//
// Threads: the list is edited on one thread (the user-interface thread of the program, the
// main thread of orvane-cli). A worker thread may query it at any time through a
// BreakpointMatcher, which takes no lock while the list is unchanged.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orv::debugger {

// The most lines a macro can have (a macro file holds at most 65,535 bytes): a breakpoint on
// a later line can never be reached, and the per-row query does not cover it.
inline constexpr int kMaxMacroLines = 65536;

struct Breakpoint {
    int line = 0;      // 1-based line of the macro text
    std::string file;  // title of the macro editor (its path or "n New Macro"), CP932
};

// What a toggle did, and the refusals with their messages.
enum class ToggleResult {
    Added,
    Removed,
    CommentLine,   // "コメント行には設定できません"
    ReservedLine,  // "DEFINE/START/END行には設定できません"
};
// The message (CP932) of a refusal; empty for Added and Removed.
std::string toggleMessage(ToggleResult r);

// Problems with the breakpoint file; each has its message (below).
enum class FileError {
    None,
    ShortHeader,   // BTR01: the file ends inside a record header
    BadLength,     // BTR02: a name length of 0 or less
    ShortName,     // BTR03: the file ends inside a name
    OpenForWrite,  // BTW01: the file cannot be created
    HeaderFailed,  // BTW02: writing a header failed
    HeaderShort,   // BTW03: a header was written short
    NameFailed,    // BTW04: writing a name failed
    NameShort,     // BTW05: a name was written short
};
// "ブレイクポイントファイル破壊(ERR=BTR01)" and the others, CP932; empty for None.
std::string fileErrorMessage(FileError e);

// Where the file's bytes go when it is written. `write` returns the number of bytes written
// (possibly fewer than asked) or -1 on failure.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual long write(const char* data, std::size_t size) = 0;
};

// Reads the records of a breakpoint file's bytes into `out` (appending, in file order).
// Stops at the first problem and returns it; the records read before it stay in `out`.
// No name length can make it allocate more than `bytes` holds.
FileError parseBreakpointFile(std::string_view bytes, std::vector<Breakpoint>& out);
// Writes the records of `items` (items with an empty file name are skipped) to `sink`.
FileError writeBreakpointRecords(const std::vector<Breakpoint>& items, ByteSink& sink);

// The list of the breakpoints window.
class BreakpointList {
  public:
    const std::vector<Breakpoint>& items() const { return items_; }
    int size() const { return static_cast<int>(items_.size()); }

    // Toggles the breakpoint of line `line1` (1-based) of the macro titled `title`, whose
    // text on that line is `lineText`: an existing item is removed; a comment line and a line
    // whose first word is DEFINE, START or END are refused; anything else is appended.
    ToggleResult toggle(std::string_view title, int line1, std::string_view lineText);
    // Removes the item at `index` (nothing when out of range).
    void remove(int index);
    void clear();
    // Appends the items of a file (the loader's result).
    void append(const std::vector<Breakpoint>& more);

    // Index of the first item for this title and line, or -1. Safe from any thread.
    int find(std::string_view title, int line1) const;
    // Changes with every edit of the list. Safe from any thread.
    std::uint64_t version() const { return version_.load(std::memory_order_acquire); }
    // The counter behind version(), for a reader that keeps its address.
    const std::atomic<std::uint64_t>& versionCounter() const { return version_; }
    // The lines that carry a breakpoint for `title` (for any title when `anyTitle`), as a
    // lookup vector (index = line, up to kMaxMacroLines). Safe from any thread.
    std::vector<char> linesOf(std::string_view title, bool anyTitle = false) const;

    // Loads `path` (CP932 file name bytes as the OS takes them) and appends its items. A
    // missing file is created empty when `createMissing`. Returns the first problem found.
    FileError load(const std::string& path, bool createMissing = true);
    // Writes the list to `path` atomically (a temporary file beside it, renamed over it): a
    // failed write leaves the old file as it was.
    FileError save(const std::string& path) const;

  private:
    void changed() { version_.fetch_add(1, std::memory_order_acq_rel); }

    std::vector<Breakpoint> items_;
    mutable std::mutex mu_;  // guards items_ against readers on other threads
    std::atomic<std::uint64_t> version_{1};
};

// The per-row breakpoint test of a debug run's worker: cached sets of the lines that carry
// a breakpoint in any file and in the file of one title, refreshed only when the list has
// changed. A row whose line has a breakpoint in no file is answered without looking at the
// title, so most rows cost two loads and a lookup.
class BreakpointMatcher {
  public:
    explicit BreakpointMatcher(const BreakpointList& list) : list_(list) {}
    // True when line `line1` of the macro titled `title` carries a breakpoint.
    bool hit(std::string_view title, int line1) {
        if (list_.version() != version_) refresh();
        if (!has(any_, line1)) return false;
        if (titleVersion_ != version_ || title != title_) refreshTitle(title);
        return has(lines_, line1);
    }

  private:
    static bool has(const std::vector<char>& lines, int line1) {
        return line1 >= 0 && static_cast<std::size_t>(line1) < lines.size() &&
               lines[static_cast<std::size_t>(line1)] != 0;
    }
    void refresh();
    void refreshTitle(std::string_view title);

    const BreakpointList& list_;
    std::uint64_t version_ = 0;       // of any_
    std::uint64_t titleVersion_ = 0;  // of title_ and lines_
    std::vector<char> any_;
    std::string title_;
    std::vector<char> lines_;
};

}  // namespace orv::debugger
