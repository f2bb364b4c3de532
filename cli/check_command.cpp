// orvane-cli check FILE / dump FILE.
#include <cstdio>
#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "lang/codes.h"

namespace orv::cli {

namespace {

// The dump, one dump line per output line.
void printDump(const Tables& tables) {
    dumpTables(tables, 0, [](std::string_view line) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        printLine(stdout, line);
    });
}

// The compile's log (as written to comp.his) with its CR LF line ends as plain line ends;
// false when there is none.
bool printLog(const std::string& log) {
    if (log.empty()) {
        std::fprintf(stderr, "orvane-cli: no compile log\n");
        return false;
    }
    std::string lf;
    lf.reserve(log.size());
    for (std::size_t i = 0; i < log.size(); ++i)
        if (!(log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n')) lf += log[i];
    printUtf8(stdout, lf);
    if (!lf.empty() && lf.back() != '\n') std::fputc('\n', stdout);
    return true;
}

int compileFile(int argc, char** argv, const char* name, bool dump) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvane-cli %s FILE\n", name);
        return 2;
    }
    const std::string path = argv[1];
    std::string text;
    if (!loadMacro(path, text)) return 2;
    Tables tables;
    CliCompileHost host;
    const bool ok = compile(tables, macroRequest(path, text, MODE_CHECK), host);
    if (dump)
        printDump(tables);
    else if (!printLog(host.log()))
        return 2;
    std::fflush(stdout);
    return ok ? 0 : 1;
}

}  // namespace

int checkCommand(int argc, char** argv) {
    return compileFile(argc, argv, "check", false);
}
int dumpCommand(int argc, char** argv) {
    return compileFile(argc, argv, "dump", true);
}

}  // namespace orv::cli
