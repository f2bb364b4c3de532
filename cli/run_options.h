// The options shared by `orvane-cli run` and `orvane-cli debug`: what they say about the
// desktop, the clock, the command interval and the output, and their parser. A command with
// options of its own hands the parser a function that is tried on every option first.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/desktop.h"

namespace orv::cli {

struct RunOptions {
    std::string file;
    std::string desktopName;  // empty: x11 when a display opens, else virtual
    std::optional<int> interval;
    std::optional<LocalTime> now;
    std::optional<Point> cursor;
    std::string windowsFile;
    bool trace = false, vars = false, ignoreErrors = false;

    // The options that describe or observe the in-memory desktop.
    bool virtualOnly() const { return !windowsFile.empty() || trace || cursor.has_value(); }
};

// Strict decimal integer (optional minus sign) that fits 32 bits.
bool parseInt(std::string_view s, int& out);

// A command's own options: given argv and the index of an option, it returns -1 when the
// option is not its own, 0 when it took it (advancing `i` past a value), or the exit code 2
// after its message.
using OwnOptions = std::function<int(int argc, char** argv, int& i)>;

// Parses FILE and the options of argv[1..argc-1] into `o`; `usage` prints the command's
// usage. 0 when the command line is complete, else the exit code 2 after the messages.
int parseRunOptions(int argc, char** argv, RunOptions& o, void (*usage)(),
                    const OwnOptions& own = {});

}  // namespace orv::cli
