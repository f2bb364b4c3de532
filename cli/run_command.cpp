// orvane-cli run FILE [--desktop virtual|x11] [--interval MS] [--now "YYYY-MM-DD hh:mm:ss"]
//                     [--cursor X,Y] [--windows WFILE] [--trace] [--vars] [--ignore-errors]
// Compiles FILE as `check` does (comp.his included) and runs it to its end on the worker
// thread against the desktop named by --desktop; without it, the X11 desktop when a display
// can be opened (and none of --windows, --cursor, --trace is given), the virtual one otherwise.
// Exit codes as cli/macro_run.h gives them.
#include <cstdio>
#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/macro_run.h"
#include "cli/run_options.h"
#include "lang/codes.h"

namespace orv::cli {

namespace {

void runUsage() {
    std::fputs(
        "usage: orvane-cli run FILE [--desktop virtual|x11] [--interval MS] [--now \"YYYY-MM-DD "
        "hh:mm:ss\"]\n"
        "                  [--cursor X,Y] [--windows WFILE] [--trace] [--vars] "
        "[--ignore-errors]\n",
        stderr);
}

}  // namespace

int runCommand(int argc, char** argv) {
    RunOptions o;
    if (int rc = parseRunOptions(argc, argv, o, runUsage)) return rc;
    std::string text;
    if (!loadMacro(o.file, text)) return 2;
    Tables tables;
    CliRunHost host;
    return runAndReport(o, text, tables, host, MODE_RUN,
                        [&host](Executor&, const std::atomic<bool>&) { host.waitEnd(); });
}

}  // namespace orv::cli
