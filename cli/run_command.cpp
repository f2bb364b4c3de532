// orvane-cli run FILE [--desktop virtual|x11] [--interval MS] [--now "YYYY-MM-DD hh:mm:ss"]
//                     [--cursor X,Y] [--windows WFILE] [--trace] [--vars] [--ignore-errors]
// Compiles FILE as `check` does (comp.his included) and runs it to its end on the worker
// thread against the desktop named by --desktop; without it, the X11 desktop when a display
// can be opened (and none of --windows, --cursor, --trace is given), the virtual one otherwise.
// Exit codes: 0 normal end, 1 compile failure, 2 bad command line or input (no display for
// --desktop x11 included), 3 run-time error, 4 stopped by SIGINT (or, on the real desktop,
// by Esc released by anything but the macro itself).
//
// In parts: the options and their parser, the choice of the desktop, the run (with the
// SIGINT watch and, on the real desktop, the Esc watch), and the report.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "cli/sigint_watch.h"
#include "executor/executor.h"
#include "hook/orvhook.h"
#include "lang/codes.h"
#include "lang/text.h"
#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/profile.h"
#include "platform/virtual/virtual_desktop.h"
#include "platform/x11/x11_desktop.h"
#include "recorder/recorder.h"

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

// Strict decimal integer (optional minus sign).
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

// ---- The options ----

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

// Takes the value of `opt` from argv[i + 1]; 0, or the exit code 2 after the messages.
int applyValueOption(const ValueOption& opt, int argc, char** argv, int& i, RunOptions& o) {
    if (i + 1 >= argc) {
        std::fprintf(stderr, "orvane-cli: %s needs a value\n", opt.name);
        if (opt.usageWhenMissing)
            runUsage();
        else
            std::fputs(opt.badValue, stderr);
        return 2;
    }
    if (opt.set(o, argv[++i])) return 0;
    std::fputs(opt.badValue, stderr);
    return 2;
}

// Applies the option argv[i] (and its value); 0, or the exit code 2 after the messages.
int applyOption(int argc, char** argv, int& i, RunOptions& o) {
    const std::string a = argv[i];
    for (const auto& f : kFlagOptions) {
        if (a != f.name) continue;
        o.*f.flag = true;
        return 0;
    }
    for (const ValueOption& v : kValueOptions)
        if (a == v.name) return applyValueOption(v, argc, argv, i, o);
    std::fprintf(stderr, "orvane-cli: unknown option '%s'\n", a.c_str());
    runUsage();
    return 2;
}

// 0 when `o` holds a complete command line, else the exit code 2 after the messages.
int parseRunOptions(int argc, char** argv, RunOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.size() > 1 && a[0] == '-') {
            if (int rc = applyOption(argc, argv, i, o)) return rc;
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            runUsage();
            return 2;
        }
    }
    if (!o.file.empty()) return 0;
    runUsage();
    return 2;
}

// ---- The desktop ----

// --desktop x11: the display of $DISPLAY or exit 2; the virtual desktop's own options are
// refused, --cursor moves the real pointer.
int connectX11(const RunOptions& o, std::unique_ptr<Desktop>& real) {
    std::string why;
    std::unique_ptr<X11Desktop> x11 = X11Desktop::connect("", why);
    if (!x11) {
        std::fprintf(stderr, "orvane-cli: %s\n", why.c_str());
        return 2;
    }
    if (!o.windowsFile.empty() || o.trace) {
        std::fputs("orvane-cli: --windows and --trace need --desktop virtual\n", stderr);
        return 2;
    }
    if (o.cursor) x11->setCursor(o.cursor->x, o.cursor->y);
    real = std::move(x11);
    return 0;
}

// The desktop the run acts on: `real` is set for the X11 desktop and stays null for the
// virtual one. 0, or the exit code 2 after the message.
int chooseDesktop(const RunOptions& o, std::unique_ptr<Desktop>& real) {
    if (o.desktopName.empty()) {
        const char* display = std::getenv("DISPLAY");
        std::string ignored;
        if (!o.virtualOnly() && display && *display) real = X11Desktop::connect("", ignored);
        return 0;
    }
    if (o.desktopName == "x11") return connectX11(o, real);
    if (o.desktopName == "virtual") return 0;
    std::fprintf(stderr, "orvane-cli: unknown desktop '%s' (virtual or x11)\n",
                 o.desktopName.c_str());
    return 2;
}

// WFILE: caption TAB left TAB top TAB width TAB height, one window a line, topmost first.
bool loadWindows(const std::string& path, VirtualDesktop& desk, std::string& message) {
    std::string text;
    if (!readWholeFile(path, text, &message)) return false;
    std::size_t pos = 0;
    for (int lineNo = 1; pos < text.size(); ++lineNo) {
        std::size_t eol = text.find('\n', pos);
        std::string line =
            text.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
        pos = eol == std::string::npos ? text.size() : eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::string cells[5];
        int c = 0;
        for (std::size_t s = 0; c < 5; ++c) {
            std::size_t tab = line.find('\t', s);
            if (c < 4 && tab == std::string::npos) break;
            cells[c] = line.substr(s, c < 4 ? tab - s : std::string::npos);
            s = tab + 1;
        }
        int v[4];
        bool ok = c == 5;
        for (int i = 0; ok && i < 4; ++i) ok = parseInt(cells[i + 1], v[i]);
        if (!ok) {
            message = path + ":" + std::to_string(lineNo) +
                      ": expected caption TAB left TAB top TAB width TAB height";
            return false;
        }
        desk.addWindow(utf8ToCp932Lossy(cells[0]), v[0], v[1], v[2], v[3]);
    }
    return true;
}

// The virtual desktop with the cursor, the windows and the trace the options give. 0, or
// the exit code 2 after the message.
int prepareVirtual(const RunOptions& o, VirtualDesktop& desk) {
    desk.setKeepTrace(false);  // --trace prints each line as it happens
    if (o.cursor) desk.setCursorQuiet(o.cursor->x, o.cursor->y);
    std::string message;
    if (!o.windowsFile.empty() && !loadWindows(o.windowsFile, desk, message)) {
        std::fprintf(stderr, "orvane-cli: %s\n", message.c_str());
        return 2;
    }
    if (o.trace) {
        desk.setTraceSink([](std::string_view line) {
            printLine(stdout, line);
            std::fflush(stdout);
        });
    }
    return 0;
}

// ---- The run ----

class CliRunHost : public RunHost {
  public:
    void runtimeError(const std::string& message) override {
        std::string u = cp932ToUtf8(message);
        for (auto& ch : u)
            if (ch == '\r' || ch == '\n') ch = ' ';
        std::fflush(stdout);
        std::fprintf(stderr, "error: %s\n", u.c_str());
        errors_ = true;
    }
    void messageBox(const std::string& text) override {
        std::fflush(stdout);
        std::fprintf(stderr, "Orvane: %s\n", cp932ToUtf8(text).c_str());
    }
    void runEnded(int, int) override {
        std::lock_guard<std::mutex> lock(mu_);
        ended_ = true;
        cv_.notify_all();
    }
    void waitEnd() {
        std::unique_lock<std::mutex> lock(mu_);
        cv_.wait(lock, [this] { return ended_; });
    }
    bool errors() const { return errors_; }

  private:
    std::mutex mu_;
    std::condition_variable cv_;
    bool ended_ = false;
    std::atomic<bool> errors_{false};
};

class RunCompileHost : public CliCompileHost {
  public:
    explicit RunCompileHost(Executor& ex) : ex_(ex) {}
    void compiled(int storedMode) override {
        CliCompileHost::compiled(storedMode);
        ex_.compiled(storedMode);
    }
    void startRun(int mode) override {
        CliCompileHost::startRun(mode);
        started_ = ex_.startRun(mode);
    }
    bool started() const { return started_; }

  private:
    Executor& ex_;
    bool started_ = false;
};

// COMTIME from section SYSTEM of Orvane.ini in the current directory; 1000 when missing
// (a stored 9999 reads as missing).
int readComTime() {
    int v = ProfileFile("Orvane.ini").readInt("SYSTEM", "COMTIME");
    return v == ProfileFile::kMissingInt ? 1000 : v;
}

std::unique_ptr<Clock> makeClock(const RunOptions& o) {
    if (o.now) return std::make_unique<FixedClock>(*o.now);
    return std::make_unique<SystemClock>();
}

// The library's message boxes (a keyboard hook that cannot be installed, say).
void printMessageBox(const recorder::Delivery& d) {
    if (d.kind == ORV_DELIVER_MSGBOX) printLine(stderr, d.text);
}

struct RunResult {
    bool compiled = false;
    bool started = false;
    bool stopped = false;  // by SIGINT or Esc
    bool errors = false;
    std::string log;  // the compile's log
};

// Compiles and runs the macro to its end. SIGINT stops the run like the stop button; on the
// real desktop, so does Esc released by anything but the macro itself.
RunResult runMacro(const RunOptions& o, std::string_view text, Desktop& desk, bool realDesktop,
                   Tables& tables) {
    std::unique_ptr<Clock> clock = makeClock(o);
    CliRunHost runHost;
    Executor ex(tables, desk, *clock, runHost);
    ex.settings().comTime = o.interval ? *o.interval : readComTime();
    ex.settings().ignoreErrors = o.ignoreErrors;
    ex.record().macroTitle = utf8ToCp932Lossy(o.file);

    std::atomic<bool> stopped{false};
    const auto stop = [&] {
        stopped = true;
        ex.requestStop();
    };
    SigintWatch sigint(stop);
    std::optional<recorder::HookLink> link;
    std::optional<recorder::EscWatch> esc;
    if (realDesktop) {
        link.emplace(printMessageBox);
        esc.emplace(stop);
    }
    RunCompileHost compileHost(ex);
    RunResult r;
    r.compiled = compile(tables, macroRequest(o.file, text, MODE_RUN), compileHost);
    r.log = compileHost.log();
    r.started = r.compiled && compileHost.started();
    if (r.started) {
        // A stop during the compile came before the run set `running`: stop it now.
        if (stopped) ex.requestStop();
        runHost.waitEnd();
        ex.join();
    }
    // The watches end here (the Esc watch first): the monitor has closed its connections
    // before the desktop closes its own.
    esc.reset();
    link.reset();
    r.stopped = stopped;
    r.errors = runHost.errors();
    return r;
}

// ---- The report ----

// The error lines of the compile log, for the user at the terminal.
void printCompileErrors(const std::string& log) {
    std::size_t pos = 0;
    while (pos < log.size()) {
        std::size_t eol = log.find('\n', pos);
        std::string line = log.substr(pos, eol == std::string::npos ? eol : eol - pos);
        pos = eol == std::string::npos ? log.size() : eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '*') printLine(stderr, line);
    }
}

// --vars: every string and number variable with its value.
void printVariables(const RowTable& v) {
    for (int r = 0; r < v.rowCount(); ++r) {
        const std::string& type = v.cell(r, val::type);
        const std::string& name = v.cell(r, val::Val);
        if (type != kTypeString && type != kTypeNumber) continue;
        if (!name.empty() && (name[0] == '!' || name[0] == '#')) continue;
        printUtf8(stdout, name);
        std::fputc('=', stdout);
        printLine(stdout, v.cell(r, val::value));
    }
    std::fflush(stdout);
}

// Prints what the run leaves for the user and gives the exit code.
int report(const RunOptions& o, const RunResult& r, const Tables& tables) {
    if (!r.compiled) {
        printCompileErrors(r.log);
        return 1;
    }
    std::fflush(stdout);
    if (o.vars) printVariables(tables.hVal);
    if (r.stopped) return 4;
    if (!r.started) {
        std::fputs("orvane-cli: the run could not be started\n", stderr);
        return 3;
    }
    return r.errors ? 3 : 0;
}

}  // namespace

int runCommand(int argc, char** argv) {
    RunOptions o;
    if (int rc = parseRunOptions(argc, argv, o)) return rc;
    std::unique_ptr<Desktop> real;
    if (int rc = chooseDesktop(o, real)) return rc;
    VirtualDesktop desk;
    if (int rc = prepareVirtual(o, desk)) return rc;
    std::string text;
    if (!loadMacro(o.file, text)) return 2;
    Tables tables;
    const RunResult r = runMacro(o, text, real ? *real : desk, real != nullptr, tables);
    return report(o, r, tables);
}

}  // namespace orv::cli
