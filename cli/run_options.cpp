#include "cli/run_options.h"

#include <cstdint>
#include <cstdio>

#include "lang/text.h"

namespace orv::cli {

bool parseInt(std::string_view s, int& out) {
    std::string_view d = s;
    bool neg = false;
    if (!d.empty() && d[0] == '-') {
        neg = true;
        d.remove_prefix(1);
    }
    if (d.empty() || d.size() > 10 || !allDigits(d)) return false;
    long long v = 0;
    for (char c : d) v = v * 10 + (c - '0');
    if (neg) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

namespace {

bool setDesktop(RunOptions& o, const char* v) {
    o.desktopName = v;
    return true;
}
bool setInterval(RunOptions& o, const char* v) {
    int ms;
    if (!parseInt(v, ms)) return false;
    o.interval = ms;
    return true;
}
bool setNow(RunOptions& o, const char* v) {
    o.now = parseLocalTime(v);
    return o.now.has_value();
}
bool setCursor(RunOptions& o, const char* v) {
    const std::string s = v;
    const std::size_t comma = s.find(',');
    Point p;
    if (comma == std::string::npos || !parseInt(s.substr(0, comma), p.x) ||
        !parseInt(s.substr(comma + 1), p.y))
        return false;
    o.cursor = p;
    return true;
}
bool setWindows(RunOptions& o, const char* v) {
    o.windowsFile = v;
    return true;
}

// An option with a value: what it does with it, the message for a bad value, and whether a
// missing value shows the usage (otherwise it counts as a bad value).
struct ValueOption {
    const char* name;
    bool (*set)(RunOptions&, const char*);
    const char* badValue;
    bool usageWhenMissing;
};
constexpr ValueOption kValueOptions[] = {
    {"--desktop", setDesktop, nullptr, true},
    {"--interval", setInterval, "orvane-cli: --interval takes a number of milliseconds\n", false},
    {"--now", setNow, "orvane-cli: --now takes \"YYYY-MM-DD hh:mm:ss\"\n", true},
    {"--cursor", setCursor, "orvane-cli: --cursor takes X,Y\n", true},
    {"--windows", setWindows, nullptr, true},
};

constexpr struct {
    const char* name;
    bool RunOptions::*flag;
} kFlagOptions[] = {
    {"--trace", &RunOptions::trace},
    {"--vars", &RunOptions::vars},
    {"--ignore-errors", &RunOptions::ignoreErrors},
};

// The parse in progress: argv, the options filled in and the command's usage.
struct Parse {
    int argc;
    char** argv;
    RunOptions& o;
    void (*usage)();
};

// Takes the value of `opt` from argv[i + 1]; 0, or the exit code 2 after the messages.
int applyValueOption(const ValueOption& opt, const Parse& p, int& i) {
    if (i + 1 >= p.argc) {
        std::fprintf(stderr, "orvane-cli: %s needs a value\n", opt.name);
        if (opt.usageWhenMissing)
            p.usage();
        else
            std::fputs(opt.badValue, stderr);
        return 2;
    }
    if (opt.set(p.o, p.argv[++i])) return 0;
    std::fputs(opt.badValue, stderr);
    return 2;
}

// Applies the shared option argv[i] (and its value); 0, or the exit code 2 after the
// messages.
int applyOption(const Parse& p, int& i) {
    const std::string a = p.argv[i];
    for (const auto& f : kFlagOptions) {
        if (a != f.name) continue;
        p.o.*f.flag = true;
        return 0;
    }
    for (const ValueOption& v : kValueOptions)
        if (a == v.name) return applyValueOption(v, p, i);
    std::fprintf(stderr, "orvane-cli: unknown option '%s'\n", a.c_str());
    p.usage();
    return 2;
}

}  // namespace

int parseRunOptions(int argc, char** argv, RunOptions& o, void (*usage)(), const OwnOptions& own) {
    const Parse p{argc, argv, o, usage};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.size() > 1 && a[0] == '-') {
            int rc = own ? own(argc, argv, i) : -1;
            if (rc < 0) rc = applyOption(p, i);
            if (rc) return rc;
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            usage();
            return 2;
        }
    }
    if (!o.file.empty()) return 0;
    usage();
    return 2;
}

}  // namespace orv::cli
