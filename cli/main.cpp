// orvane-cli: the headless companion of orvane.
#include <cstdio>
#include <cstring>

#include "cli/commands.h"

namespace {
void usage() {
    std::fputs(
        "usage: orvane-cli check FILE\n"
        "       orvane-cli dump FILE\n"
        "       orvane-cli run FILE [--desktop virtual|x11] [--interval MS] [--now \"YYYY-MM-DD "
        "hh:mm:ss\"]\n"
        "                  [--cursor X,Y] [--windows WFILE] [--trace] [--vars] "
        "[--ignore-errors]\n"
        "       orvane-cli debug FILE [--break LINE]... [--step] [--actions next,continue,stop]\n"
        "                  [the options of run]\n"
        "       orvane-cli syntax [STATEMENT]\n"
        "       orvane-cli hookreplay EVENTS\n"
        "       orvane-cli record FILE\n",
        stderr);
}

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
        usage();
        return 2;
    }
    const char* cmd = argv[1];
    for (const Command& c : kCommands)
        if (std::strcmp(cmd, c.name) == 0) return c.run(argc - 1, argv + 1);
    if (std::strcmp(cmd, "--help") == 0 || std::strcmp(cmd, "-h") == 0) {
        usage();
        return 0;
    }
    std::fprintf(stderr, "orvane-cli: unknown command '%s'\n", cmd);
    usage();
    return 2;
}
