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
        "       orvane-cli hookreplay EVENTS\n"
        "       orvane-cli record FILE\n",
        stderr);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    const char* cmd = argv[1];
    if (std::strcmp(cmd, "check") == 0) return orv::cli::checkCommand(argc - 1, argv + 1);
    if (std::strcmp(cmd, "dump") == 0) return orv::cli::dumpCommand(argc - 1, argv + 1);
    if (std::strcmp(cmd, "run") == 0) return orv::cli::runCommand(argc - 1, argv + 1);
    if (std::strcmp(cmd, "hookreplay") == 0) return orv::cli::hookreplayCommand(argc - 1, argv + 1);
    if (std::strcmp(cmd, "record") == 0) return orv::cli::recordCommand(argc - 1, argv + 1);
    if (std::strcmp(cmd, "--help") == 0 || std::strcmp(cmd, "-h") == 0) {
        usage();
        return 0;
    }
    std::fprintf(stderr, "orvane-cli: unknown command '%s'\n", cmd);
    usage();
    return 2;
}
