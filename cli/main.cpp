// orvane-cli: the headless companion of orvane. Dispatches to the verbs; answers --help (the
// usage with what each verb and option does, on stdout) and --version.
#include <cstdio>
#include <cstring>

#include "cli/commands.h"

#ifndef ORV_VERSION
#error "the build passes the project version as ORV_VERSION"
#endif

namespace {

constexpr const char* kUsage =
    "usage: orvane-cli check FILE\n"
    "       orvane-cli dump FILE\n"
    "       orvane-cli run FILE [--desktop virtual|x11] [--interval MS] [--now \"YYYY-MM-DD "
    "hh:mm:ss\"]\n"
    "                  [--cursor X,Y] [--windows WFILE] [--trace] [--vars] [--ignore-errors]\n"
    "       orvane-cli debug FILE [--break LINE]... [--step] [--actions next,continue,stop]\n"
    "                  [the options of run]\n"
    "       orvane-cli syntax [STATEMENT]\n"
    "       orvane-cli hookreplay EVENTS\n"
    "       orvane-cli record FILE\n"
    "       orvane-cli --help | --version\n";

// What --help adds to the usage: each verb and option in a line or two.
constexpr const char* kHelp =
    "\n"
    "Checks, runs, debugs and records orvane macros (CP932 .ovm files); output is UTF-8.\n"
    "\n"
    "  check FILE         compile FILE, write comp.his here, print the log\n"
    "  dump FILE          compile FILE and print the hVal, hCal and hMacro tables\n"
    "  run FILE           run FILE (on the X11 desktop when a display opens, else the\n"
    "                     virtual one)\n"
    "  debug FILE         run FILE under the debugger: PAUSE and VAR lines at every pause\n"
    "  syntax [STATEMENT] the statement catalogue, or one statement's description and syntax\n"
    "  hookreplay EVENTS  feed the recorder's procedures from a text file\n"
    "  record FILE        record the desktop until Ctrl-C, write FILE as a macro\n"
    "  --help             this text\n"
    "  --version          the name and version\n"
    "\n"
    "Options of run (and debug):\n"
    "  --desktop virtual|x11   the desktop the macro acts on\n"
    "  --interval MS           the command interval in milliseconds (default: the\n"
    "                          settings file's)\n"
    "  --now \"YYYY-MM-DD hh:mm:ss\"  a fixed clock\n"
    "  --cursor X,Y            where the virtual pointer starts\n"
    "  --windows WFILE         the virtual desktop's windows (caption TAB left TAB top TAB\n"
    "                          width TAB height, topmost first; CP932 text)\n"
    "  --trace                 print every effect on the virtual desktop\n"
    "  --vars                  print the variables at the end, NAME=VALUE\n"
    "  --ignore-errors         go on after a run-time error\n"
    "Options of debug:\n"
    "  --break LINE            a breakpoint on 1-based LINE of FILE (repeatable)\n"
    "  --step                  start stepping on the first row\n"
    "  --actions next,continue,stop  what to do at each pause, in order\n"
    "\n"
    "Exit status: 0 success, 1 compile failure, 2 usage or I/O error, 3 run-time error,\n"
    "4 stopped with Ctrl-C or Esc.\n";

constexpr struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
} kCommands[] = {
    {"check", orv::cli::checkCommand},   {"dump", orv::cli::dumpCommand},
    {"run", orv::cli::runCommand},       {"debug", orv::cli::debugCommand},
    {"syntax", orv::cli::syntaxCommand}, {"hookreplay", orv::cli::hookreplayCommand},
    {"record", orv::cli::recordCommand},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const char* cmd = argv[1];
    for (const Command& c : kCommands)
        if (std::strcmp(cmd, c.name) == 0) return c.run(argc - 1, argv + 1);
    if (std::strcmp(cmd, "--help") == 0 || std::strcmp(cmd, "-h") == 0) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (std::strcmp(cmd, "--version") == 0) {
        std::printf("orvane-cli %s\n", ORV_VERSION);
        return 0;
    }
    std::fprintf(stderr, "orvane-cli: unknown command '%s'\n", cmd);
    std::fputs(kUsage, stderr);
    return 2;
}
