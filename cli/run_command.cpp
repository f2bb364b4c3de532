// orvane-cli run FILE [--desktop virtual|x11] [--interval MS] [--now "YYYY-MM-DD hh:mm:ss"]
//                     [--cursor X,Y] [--windows WFILE] [--trace] [--vars] [--ignore-errors]
// Compiles FILE as `check` does (comp.his included) and runs it to its end on the worker
// thread against the desktop named by --desktop; without it, the X11 desktop when a display
// can be opened (and none of --windows, --cursor, --trace is given), the virtual one otherwise.
// Exit codes: 0 normal end, 1 compile failure, 2 bad command line or input (no display for
// --desktop x11 included), 3 run-time error, 4 stopped by SIGINT (or, on the real desktop,
// by Esc released by anything but the macro itself).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "compiler/compile_driver.h"
#include "executor/executor.h"
#include "lang/text.h"
#include "platform/clock.h"
#include "platform/profile.h"
#include "platform/virtual/virtual_desktop.h"
#ifdef ORV_HAVE_HOOK
#include "hook/orvhook.h"
#endif
#ifdef ORV_HAVE_X11
#include <cstdlib>

#include "platform/x11/x11_desktop.h"
#endif

namespace orv::cli {

namespace {

int g_sigPipe[2] = {-1, -1};

extern "C" void onSigint(int) {
    if (g_sigPipe[1] >= 0) {
        char c = 'i';
        ssize_t r = ::write(g_sigPipe[1], &c, 1);
        (void)r;
    }
}

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

// COMTIME from section SYSTEM of Orvane.ini in the current directory; 1000 when missing
// (a stored 9999 reads as missing).
int readComTime() {
    int v = ProfileFile("Orvane.ini").readInt("SYSTEM", "COMTIME");
    return v == ProfileFile::kMissingInt ? 1000 : v;
}

// WFILE: caption TAB left TAB top TAB width TAB height, one window a line, topmost first.
bool loadWindows(const std::string& path, VirtualDesktop& desk, std::string& message) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        message = path + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buf[8192];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    std::size_t pos = 0;
    int lineNo = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        std::string line =
            text.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
        pos = eol == std::string::npos ? text.size() : eol + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::string cells[5];
        int c = 0;
        std::size_t s = 0;
        for (; c < 5; ++c) {
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
    void runEnded(int, int running) override {
        std::lock_guard<std::mutex> lock(mu_);
        ended_ = true;
        endRunning_ = running;
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
    int endRunning_ = 1;
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

}  // namespace

#ifdef ORV_HAVE_HOOK
namespace {
// Esc released by anything but the macro itself stops a run on the real desktop, as the
// running dialog's stop button does.
struct EscWatch {
    Executor* ex = nullptr;
    std::atomic<bool>* stopped = nullptr;
};
EscWatch g_escWatch;
constexpr int kRunNotifyId = 117;

void onHookDelivery(void*, const OrvHookDelivery* d) {
    if (!d) return;
    if (d->kind == ORV_DELIVER_MESSAGE && d->message == ORV_UM_RUNABORT &&
        d->window == kRunNotifyId && g_escWatch.ex) {
        if (g_escWatch.stopped) *g_escWatch.stopped = true;
        g_escWatch.ex->requestStop();
    } else if (d->kind == ORV_DELIVER_MSGBOX && d->text) {
        printUtf8(stderr, d->text);
        std::fputc('\n', stderr);
    }
}
}  // namespace
#endif

int runCommand(int argc, char** argv) {
    std::string file;
    std::string desktopName;  // empty: x11 when a display opens, else virtual
    std::optional<int> interval;
    std::optional<LocalTime> now;
    std::optional<Point> cursor;
    std::string windowsFile;
    bool trace = false, vars = false, ignoreErrors = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* opt) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "orvane-cli: %s needs a value\n", opt);
                return nullptr;
            }
            return argv[++i];
        };
        if (a == "--desktop") {
            const char* v = value("--desktop");
            if (!v) return runUsage(), 2;
            desktopName = v;
        } else if (a == "--interval") {
            const char* v = value("--interval");
            int ms;
            if (!v || !parseInt(v, ms)) {
                std::fputs("orvane-cli: --interval takes a number of milliseconds\n", stderr);
                return 2;
            }
            interval = ms;
        } else if (a == "--now") {
            const char* v = value("--now");
            if (!v) return runUsage(), 2;
            now = parseLocalTime(v);
            if (!now) {
                std::fputs("orvane-cli: --now takes \"YYYY-MM-DD hh:mm:ss\"\n", stderr);
                return 2;
            }
        } else if (a == "--cursor") {
            const char* v = value("--cursor");
            if (!v) return runUsage(), 2;
            std::string s = v;
            std::size_t comma = s.find(',');
            Point p;
            if (comma == std::string::npos || !parseInt(s.substr(0, comma), p.x) ||
                !parseInt(s.substr(comma + 1), p.y)) {
                std::fputs("orvane-cli: --cursor takes X,Y\n", stderr);
                return 2;
            }
            cursor = p;
        } else if (a == "--windows") {
            const char* v = value("--windows");
            if (!v) return runUsage(), 2;
            windowsFile = v;
        } else if (a == "--trace") {
            trace = true;
        } else if (a == "--vars") {
            vars = true;
        } else if (a == "--ignore-errors") {
            ignoreErrors = true;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "orvane-cli: unknown option '%s'\n", a.c_str());
            runUsage();
            return 2;
        } else if (file.empty()) {
            file = a;
        } else {
            runUsage();
            return 2;
        }
    }
    if (file.empty()) {
        runUsage();
        return 2;
    }
    // Desktop choice: --desktop wins; otherwise x11 when a display can be opened, virtual
    // otherwise (and always virtual with the virtual desktop's own options).
    std::unique_ptr<Desktop> realDesk;
#ifdef ORV_HAVE_X11
    bool virtualOnly = !windowsFile.empty() || trace || cursor.has_value();
    if (desktopName.empty() && !virtualOnly) {
        const char* display = std::getenv("DISPLAY");
        std::string ignored;
        if (display && *display) realDesk = X11Desktop::connect("", ignored);
        desktopName = realDesk ? "x11" : "virtual";
    } else if (desktopName == "x11") {
        std::string why;
        realDesk = X11Desktop::connect("", why);
        if (!realDesk) {
            std::fprintf(stderr, "orvane-cli: %s\n", why.c_str());
            return 2;
        }
        if (!windowsFile.empty() || trace) {
            std::fputs("orvane-cli: --windows and --trace need --desktop virtual\n", stderr);
            return 2;
        }
        if (cursor) realDesk->setCursor(cursor->x, cursor->y);
    }
#else
    if (desktopName == "x11") {
        std::fputs(
            "orvane-cli: the x11 desktop is not available in this build; use --desktop virtual\n",
            stderr);
        return 2;
    }
#endif
    if (desktopName.empty()) desktopName = "virtual";
    if (desktopName != "virtual" && desktopName != "x11") {
        std::fprintf(stderr, "orvane-cli: unknown desktop '%s' (virtual or x11)\n",
                     desktopName.c_str());
        return 2;
    }

    VirtualDesktop desk;
    desk.setKeepTrace(false);  // --trace prints each line as it happens
    if (cursor) desk.setCursorQuiet(cursor->x, cursor->y);
    if (!windowsFile.empty()) {
        std::string message;
        if (!loadWindows(windowsFile, desk, message)) {
            std::fprintf(stderr, "orvane-cli: %s\n", message.c_str());
            return 2;
        }
    }
    std::string text, message;
    if (!readMacroFile(file, text, message)) {
        std::fprintf(stderr, "orvane-cli: %s\n", message.c_str());
        return 2;
    }
    if (trace) {
        desk.setTraceSink([](std::string_view line) {
            printUtf8(stdout, line);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        });
    }

    std::unique_ptr<Clock> clock;
    if (now)
        clock = std::make_unique<FixedClock>(*now);
    else
        clock = std::make_unique<SystemClock>();

    Tables tables;
    CliRunHost runHost;
    Executor ex(tables, realDesk ? *realDesk : static_cast<Desktop&>(desk), *clock, runHost);
    ex.settings().comTime = interval ? *interval : readComTime();
    ex.settings().ignoreErrors = ignoreErrors;
    ex.record().macroTitle = utf8ToCp932Lossy(file);

    // SIGINT: the handler only writes a byte; the watcher stops the run like the stop button.
    std::atomic<bool> interrupted{false};
    bool havePipe = ::pipe2(g_sigPipe, O_CLOEXEC) == 0;
    struct sigaction oldAct {};
    std::thread watcher;
    if (havePipe) {
        struct sigaction act {};
        act.sa_handler = onSigint;
        sigemptyset(&act.sa_mask);
        sigaction(SIGINT, &act, &oldAct);
        watcher = std::thread([&] {
            for (;;) {
                char c = 0;
                ssize_t r = ::read(g_sigPipe[0], &c, 1);
                if (r < 0 && errno == EINTR) continue;
                if (r <= 0 || c == 'q') break;
                interrupted = true;
                ex.requestStop();
            }
        });
    }
    auto stopWatcher = [&] {
        if (!havePipe) return;
        sigaction(SIGINT, &oldAct, nullptr);
        char c = 'q';
        ssize_t r = ::write(g_sigPipe[1], &c, 1);
        (void)r;
        watcher.join();
        ::close(g_sigPipe[0]);
        ::close(g_sigPipe[1]);
        g_sigPipe[0] = g_sigPipe[1] = -1;
    };

#ifdef ORV_HAVE_HOOK
    const bool escWatch = realDesk != nullptr;
    if (escWatch) {
        g_escWatch.ex = &ex;
        g_escWatch.stopped = &interrupted;
        OrvHookSetDelivery(&onHookDelivery, nullptr);
        KSetExe(1, kRunNotifyId);
        if (!ChkKHook()) KsetHook();
    }
    auto endEscWatch = [&] {
        if (!escWatch) return;
        KSetExe(0, 0);
        if (ChkKHook()) KendHook();
        OrvHookSetDelivery(nullptr, nullptr);
        // The monitor closes its connections before the desktop closes its own.
        OrvHookWaitStopped(2000);
        g_escWatch = {};
    };
#else
    auto endEscWatch = [] {};
#endif

    RunCompileHost compileHost(ex);
    CompileRequest req;
    req.text = text;
    req.fileName = utf8ToCp932Lossy(file);
    req.mode = 1;
    req.logPath = "comp.his";
    bool ok = compile(tables, req, compileHost);
    if (!ok) {
        endEscWatch();
        stopWatcher();
        // The error lines of the log, for the user at the terminal.
        if (std::FILE* f = std::fopen("comp.his", "rb")) {
            std::string log;
            char buf[4096];
            std::size_t got;
            while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) log.append(buf, got);
            std::fclose(f);
            std::size_t pos = 0;
            while (pos < log.size()) {
                std::size_t eol = log.find('\n', pos);
                std::string line = log.substr(pos, eol == std::string::npos ? eol : eol - pos);
                pos = eol == std::string::npos ? log.size() : eol + 1;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (!line.empty() && line[0] == '*') {
                    printUtf8(stderr, line);
                    std::fputc('\n', stderr);
                }
            }
        }
        return 1;
    }
    if (compileHost.started()) {
        // A SIGINT during the compile came before the run set `running`: stop it now.
        if (interrupted) ex.requestStop();
        runHost.waitEnd();
        ex.join();
    }
    endEscWatch();
    stopWatcher();
    std::fflush(stdout);
    if (vars) {
        const RowTable& v = tables.hVal;
        for (int r = 0; r < v.rowCount(); ++r) {
            const std::string& type = v.cell(r, val::type);
            const std::string& name = v.cell(r, val::Val);
            if (type != kTypeString && type != kTypeNumber) continue;
            if (!name.empty() && (name[0] == '!' || name[0] == '#')) continue;
            printUtf8(stdout, name);
            std::fputc('=', stdout);
            printUtf8(stdout, v.cell(r, val::value));
            std::fputc('\n', stdout);
        }
        std::fflush(stdout);
    }
    if (interrupted) return 4;
    if (!compileHost.started()) {
        std::fputs("orvane-cli: the run could not be started\n", stderr);
        return 3;
    }
    if (runHost.errors()) return 3;
    return 0;
}

}  // namespace orv::cli
