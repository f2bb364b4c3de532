#include "cli/macro_run.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>

#include "cli/cli_util.h"
#include "cli/sigint_watch.h"
#include "hook/orvhook.h"
#include "lang/text.h"
#include "platform/file_io.h"
#include "platform/profile.h"
#include "platform/virtual/virtual_desktop.h"
#include "platform/x11/x11_desktop.h"
#include "recorder/recorder.h"

namespace orv::cli {

namespace {

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
// CP932 text like the macros and CSV files, so a caption is taken byte for byte.
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
        desk.addWindow(cells[0], v[0], v[1], v[2], v[3]);
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

// The run on its desktop, from the compile to the end of `drive`.
struct RunContext {
    const RunOptions& o;
    std::string_view text;
    Desktop& desk;
    bool realDesktop;
    Tables& tables;
    CliRunHost& host;
};

// Compiles the macro in `mode` and hands the started run to `drive`. SIGINT stops the run
// like the stop button; on the real desktop, so does Esc released by anything but the macro
// itself.
RunResult runMacro(const RunContext& c, int mode, const Drive& drive) {
    std::unique_ptr<Clock> clock = makeClock(c.o);
    Executor ex(c.tables, c.desk, *clock, c.host);
    ex.settings().comTime = c.o.interval ? *c.o.interval : readComTime();
    ex.settings().ignoreErrors = c.o.ignoreErrors;
    ex.record().macroTitle = macroTitle(c.o);

    std::atomic<bool> stopped{false};
    const auto stop = [&] {
        stopped = true;
        ex.requestStop();
    };
    SigintWatch sigint(stop);
    std::optional<recorder::HookLink> link;
    std::optional<recorder::EscWatch> esc;
    if (c.realDesktop) {
        link.emplace(printMessageBox);
        esc.emplace(stop);
    }
    RunCompileHost compileHost(ex);
    RunResult r;
    r.compiled = compile(c.tables, macroRequest(c.o.file, c.text, mode), compileHost);
    r.log = compileHost.log();
    r.started = r.compiled && compileHost.started();
    if (r.started) {
        // A stop during the compile came before the run set `running`: stop it now.
        if (stopped) ex.requestStop();
        drive(ex, stopped);
        ex.join();
    }
    // The watches end here (the Esc watch first): the monitor has closed its connections
    // before the desktop closes its own.
    esc.reset();
    link.reset();
    r.stopped = stopped;
    r.errors = c.host.errors();
    return r;
}

// ---- The report ----

// A variable's value on one line of the line-based output: the characters that would break
// the line or the columns, and the escape character itself.
struct ValueEscape {
    char c;
    const char* escaped;
};
constexpr ValueEscape kValueEscapes[] = {
    {'\\', "\\\\"}, {'\r', "\\r"}, {'\n', "\\n"}, {'\t', "\\t"}};

// The error lines of this compile's log (kept in memory, not read back from comp.his), for
// the user at the terminal.
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

void CliRunHost::runtimeError(const std::string& message) {
    std::string u = cp932ToUtf8(message);
    for (auto& ch : u)
        if (ch == '\r' || ch == '\n') ch = ' ';
    std::fflush(stdout);
    std::fprintf(stderr, "error: %s\n", u.c_str());
    errors_ = true;
}

void CliRunHost::messageBox(const std::string& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "Orvane: %s\n", cp932ToUtf8(text).c_str());
}

void CliRunHost::runEnded(int, int) {
    std::lock_guard<std::mutex> lock(mu_);
    ended_ = true;
    cv_.notify_all();
}

void CliRunHost::waitEnd() {
    std::unique_lock<std::mutex> lock(mu_);
    cv_.wait(lock, [this] { return ended_; });
}

std::string macroTitle(const RunOptions& o) {
    return utf8ToCp932Lossy(o.file);
}

void printValue(std::FILE* f, std::string_view cp932) {
    // Escaped after the conversion: in CP932 a backslash byte can be a character's second byte.
    std::string out;
    for (char c : cp932ToUtf8(cp932)) {
        const auto* e = std::find_if(std::begin(kValueEscapes), std::end(kValueEscapes),
                                     [c](const ValueEscape& v) { return v.c == c; });
        if (e == std::end(kValueEscapes))
            out += c;
        else
            out += e->escaped;
    }
    std::fwrite(out.data(), 1, out.size(), f);
}

void printVariables(const RowTable& v) {
    for (int r = 0; r < v.rowCount(); ++r) {
        const std::string& type = v.cell(r, val::type);
        const std::string& name = v.cell(r, val::Val);
        if (type != kTypeString && type != kTypeNumber) continue;
        if (!name.empty() && (name[0] == '!' || name[0] == '#')) continue;
        printUtf8(stdout, name);
        std::fputc('=', stdout);
        printValue(stdout, v.cell(r, val::value));
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}

int runAndReport(const RunOptions& o, std::string_view text, Tables& tables, CliRunHost& host,
                 int mode, const Drive& drive) {
    std::unique_ptr<Desktop> real;
    if (int rc = chooseDesktop(o, real)) return rc;
    VirtualDesktop desk;
    if (int rc = prepareVirtual(o, desk)) return rc;
    const RunContext c{o, text, real ? *real : desk, real != nullptr, tables, host};
    return report(o, runMacro(c, mode, drive), tables);
}

}  // namespace orv::cli
