// Feeds arbitrary command lines to orvane-cli's argument handling: the options of run, those
// of debug, and syntax's statement word (the arguments are the input's NUL-separated parts).
// A complete command line must have given a file, breakpoints from line 1 and a desktop name
// the run knows or none.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/debug_options.h"
#include "cli/run_options.h"

namespace {

std::vector<std::string> splitArgs(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args{"cmd"};
    std::string cur;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(static_cast<char>(data[i]));
        }
    }
    args.push_back(cur);
    return args;
}

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Syntax's listing is not what is fuzzed (the parsers' messages go to stderr with the
    // fuzzer's own output and any report).
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args = splitArgs(data, size);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(args.size());

    orv::cli::RunOptions run;
    if (orv::cli::parseRunOptions(argc, argv.data(), run, [] {}) == 0) check(!run.file.empty());
    orv::cli::RunOptions o;
    orv::cli::DebugOptions d;
    if (orv::cli::parseDebugOptions(argc, argv.data(), o, d) == 0) {
        check(!o.file.empty());
        for (int line : d.breaks) check(line >= 1);
    }
    const int rc = orv::cli::syntaxCommand(argc, argv.data());
    check(rc == 0 || rc == 2);
    return 0;
}
