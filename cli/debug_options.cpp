#include "cli/debug_options.h"

#include <cstdio>
#include <string_view>

namespace orv::cli {

namespace {

void debugUsage() {
    std::fputs(
        "usage: orvane-cli debug FILE [--break LINE]... [--step] [--actions next,continue,stop]\n"
        "                  [the options of run]\n",
        stderr);
}

constexpr struct {
    std::string_view word;
    Action action;
} kActionWords[] = {
    {"next", Action::Next},
    {"continue", Action::Continue},
    {"stop", Action::Stop},
};

int addBreak(DebugOptions& d, const char* v) {
    int line = 0;
    if (!parseInt(v, line) || line < 1) {
        std::fprintf(stderr, "orvane-cli: --break takes a line number from 1 (got '%s')\n", v);
        return 2;
    }
    d.breaks.push_back(line);
    return 0;
}

int setStep(DebugOptions& d, const char*) {
    d.step = true;
    return 0;
}

// One action word of --actions; false when it is none.
bool parseAction(std::string_view word, Action& out) {
    for (const auto& a : kActionWords) {
        if (a.word != word) continue;
        out = a.action;
        return true;
    }
    return false;
}

int setActions(DebugOptions& d, const char* v) {
    const std::string_view list = v;
    for (std::size_t pos = 0; pos <= list.size() && !list.empty();) {
        std::size_t comma = list.find(',', pos);
        if (comma == std::string_view::npos) comma = list.size();
        const std::string_view word = list.substr(pos, comma - pos);
        Action a;
        if (!parseAction(word, a)) {
            std::fprintf(stderr,
                         "orvane-cli: unknown action '%.*s' in --actions (next, continue or "
                         "stop)\n",
                         static_cast<int>(word.size()), word.data());
            return 2;
        }
        d.actions.push_back(a);
        pos = comma + 1;
    }
    return 0;
}

constexpr struct {
    std::string_view name;
    bool takesValue;
    int (*set)(DebugOptions&, const char*);
} kDebugOptions[] = {
    {"--break", true, addBreak},
    {"--step", false, setStep},
    {"--actions", true, setActions},
};

// The options of debug itself, tried before those it shares with run.
int applyDebugOption(DebugOptions& d, int argc, char** argv, int& i) {
    for (const auto& opt : kDebugOptions) {
        if (opt.name != argv[i]) continue;
        if (!opt.takesValue) return opt.set(d, nullptr);
        if (i + 1 >= argc) {
            std::fprintf(stderr, "orvane-cli: %s needs a value\n", argv[i]);
            debugUsage();
            return 2;
        }
        return opt.set(d, argv[++i]);
    }
    return -1;
}

}  // namespace

int parseDebugOptions(int argc, char** argv, RunOptions& o, DebugOptions& d) {
    const OwnOptions own = [&d](int ac, char** av, int& i) {
        return applyDebugOption(d, ac, av, i);
    };
    return parseRunOptions(argc, argv, o, debugUsage, own);
}

}  // namespace orv::cli
