// Feeds arbitrary bytes to the CSV commands: a macro OPENs a file, binds three fields and
// READs to the end, again after each of up to three growths of the file (lines appended after
// the end was reached). The first input byte says where the bytes are cut into the file's
// first content and its growths. Every READ that is not at the end must move forward.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "compiler/compile_driver.h"
#include "executor/executor.h"
#include "platform/clock.h"
#include "platform/virtual/virtual_desktop.h"

namespace {

class QuietHost : public orv::RunHost {
  public:
    void runtimeError(const std::string&) override {}
};

// A file of this process in TMPDIR, else in memory (/dev/shm) when there is one.
std::string scratchFile() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return dir + "/orv_csv_fuzz_" + std::to_string(::getpid());
}

void append(const std::string& path, std::string_view bytes, const char* mode) {
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (!f) __builtin_trap();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The input after its first byte, cut into up to four pieces.
std::vector<std::string_view> pieces(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const unsigned cuts = data[0] & 3;
    std::vector<std::string_view> out;
    for (unsigned i = 0; i < cuts && !rest.empty(); ++i) {
        std::size_t at =
            (static_cast<std::size_t>(data[0] >> 2) * (i + 1) * 97) % (rest.size() + 1);
        out.push_back(rest.substr(0, at));
        rest.remove_prefix(at);
    }
    out.push_back(rest);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const std::string path = scratchFile();
    static const int cleanup = std::atexit([] { ::unlink(path.c_str()); });
    (void)cleanup;
    const std::vector<std::string_view> parts = pieces(data, size);
    append(path, parts[0], "wb");
    std::size_t next = 1;

    orv::Tables tables;
    const std::string macro = "DEFINE $a, $b, %n, %k\r\nSTART\r\nOPEN '" + path +
                              "' AS &1\r\nSET $a AS 1 FROM &1\r\nSET %n AS 2 FROM &1\r\n"
                              "SET $b AS 3 FROM &1\r\nL:\r\nREAD &1\r\nIF (&1 <> EOF)\r\n"
                              "GOTO L\r\nENDIF\r\nEXECUTE 'grow'\r\n%k = %k + 1\r\n"
                              "IF (%k < 4)\r\nGOTO L\r\nENDIF\r\nEND\r\n";
    if (!orv::compileText(tables, macro)) __builtin_trap();
    orv::VirtualDesktop desk;
    desk.setKeepTrace(false);
    desk.setTraceSink([&](std::string_view line) {
        if (line == "open grow" && next < parts.size()) append(path, parts[next++], "ab");
    });
    orv::FixedClock clock{orv::LocalTime{}};
    QuietHost host;
    orv::Executor ex(tables, desk, clock, host);
    ex.compiled(orv::MODE_IDLE);
    ex.startRun(orv::MODE_STEP);  // on this thread, a line at a time
    // Each READ that finds no end consumes at least one byte; the loop around it takes
    // three lines, the growths a few more.
    const std::size_t bound = 3 * (size + 8) + 64;
    std::size_t steps = 0;
    while (ex.record().mode.load() == orv::MODE_STEP) {
        if (++steps > bound) __builtin_trap();
        ex.executeNextLine(orv::Executor::kStep);
    }
    return 0;
}
