// The options of `orvane-cli debug` (--break, --step, --actions) over the options it shares
// with `run`, and their parser.
#pragma once

#include <vector>

#include "cli/run_options.h"

namespace orv::cli {

enum class Action { Next, Continue, Stop };

struct DebugOptions {
    std::vector<int> breaks;  // 1-based lines, in argument order
    bool step = false;
    std::vector<Action> actions;
};

// Parses FILE, debug's own options and those of run. 0 when the command line is complete,
// else the exit code 2 after the messages.
int parseDebugOptions(int argc, char** argv, RunOptions& o, DebugOptions& d);

}  // namespace orv::cli
