// Feeds arbitrary bytes to the breakpoint-file loader as the contents of brksvfl.dbk. What it
// reads must write back to the same bytes and read again to the same items, and every item
// must be found by the debug run's per-row query.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "debugger/breakpoints.h"

namespace {

class StringSink : public orv::debugger::ByteSink {
  public:
    long write(const char* data, std::size_t size) override {
        bytes.append(data, size);
        return static_cast<long>(size);
    }
    std::string bytes;
};

bool sameItems(const std::vector<orv::debugger::Breakpoint>& a,
               const std::vector<orv::debugger::Breakpoint>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].line != b[i].line || a[i].file != b[i].file) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orv::debugger;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<Breakpoint> items;
    const FileError e = parseBreakpointFile(bytes, items);

    // The records read write back as the bytes they came from (up to the damage).
    StringSink sink;
    if (writeBreakpointRecords(items, sink) != FileError::None) std::abort();
    if (e == FileError::None && sink.bytes != bytes) std::abort();
    if (bytes.substr(0, sink.bytes.size()) != sink.bytes) std::abort();
    std::vector<Breakpoint> again;
    if (parseBreakpointFile(sink.bytes, again) != FileError::None || !sameItems(items, again))
        std::abort();

    // The list and the worker's query over it.
    BreakpointList list;
    list.append(items);
    BreakpointMatcher matcher(list);
    for (const Breakpoint& b : items) {
        if (list.find(b.file, b.line) < 0) std::abort();
        matcher.hit(b.file, b.line);
    }
    return 0;
}
