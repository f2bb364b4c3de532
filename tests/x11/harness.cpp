#include "tests/x11/harness.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/file_io.h"

extern char** environ;

namespace orv::x11test {

namespace {

using SteadyClock = std::chrono::steady_clock;

bool inPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string d;
    while (std::getline(dirs, d, ':')) {
        const std::string p = (d.empty() ? "." : d) + "/" + program;
        if (::access(p.c_str(), X_OK) == 0) return true;
    }
    return false;
}

const char kOpenboxRc[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<openbox_config xmlns=\"http://openbox.org/3.4/rc\">\n"
    "  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>\n"
    "  <placement><policy>Smart</policy></placement>\n"
    "  <desktops><number>1</number></desktops>\n"
    "  <keyboard/>\n"
    "  <mouse/>\n"
    "</openbox_config>\n";

int silentXError(Display*, XErrorEvent*) {
    return 0;
}

// How a child is started: its standard streams (-1: /dev/null), the descriptor it inherits
// besides them (-1: none) and the one it must not, its folder, and the variables set for it.
struct ChildSetup {
    int outFd = -1, errFd = -1;
    int keepFd = -1, closeFd = -1;
    std::string cwd;
    std::vector<std::pair<std::string, std::string>> env;
};

// This process's environment with `setup.env` put in.
std::vector<std::string> childEnvironment(const ChildSetup& setup) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const bool replaced = std::any_of(setup.env.begin(), setup.env.end(), [&](const auto& v) {
            return entry.compare(0, v.first.size() + 1, v.first + "=") == 0;
        });
        if (!replaced) env.push_back(entry);
    }
    for (const auto& [name, value] : setup.env) env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Starts argv (searched on the PATH) with default signal handling and nothing blocked;
// returns its pid, or -1.
pid_t startChild(std::vector<std::string> argv, const ChildSetup& setup) {
    if (argv.empty()) return -1;
    std::vector<std::string> env = childEnvironment(setup);
    std::vector<char*> args = pointers(argv), envp = pointers(env);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    for (const auto& [from, to] : {std::pair{setup.outFd, 1}, std::pair{setup.errFd, 2}}) {
        if (from >= 0)
            posix_spawn_file_actions_adddup2(&fa, from, to);
        else
            posix_spawn_file_actions_addopen(&fa, to, "/dev/null", O_WRONLY, 0);
    }
    if (setup.closeFd >= 0) posix_spawn_file_actions_addclose(&fa, setup.closeFd);
    if (!setup.cwd.empty()) posix_spawn_file_actions_addchdir_np(&fa, setup.cwd.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &fa, &attr, args.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
}

int openOutput(const std::string& file) {
    if (file.empty()) return -1;
    return ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

// Reads what the pipes deliver until both are closed or `end` has passed.
void readPipes(int outFd, int errFd, std::string& out, std::string& err,
               SteadyClock::time_point end) {
    bool open[2] = {true, true};
    while ((open[0] || open[1]) && SteadyClock::now() < end) {
        pollfd p[2] = {{open[0] ? outFd : -1, POLLIN, 0}, {open[1] ? errFd : -1, POLLIN, 0}};
        if (::poll(p, 2, 100) <= 0) continue;
        char buf[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP))) continue;
            const ssize_t n = ::read(p[i].fd, buf, sizeof buf);
            if (n > 0)
                (i == 0 ? out : err).append(buf, static_cast<std::size_t>(n));
            else
                open[i] = false;
        }
    }
}

// The display number Xvfb writes to the pipe of -displayfd (empty when none came in time).
std::string readDisplayNumber(int fd, std::chrono::seconds limit) {
    std::string number;
    const auto end = SteadyClock::now() + limit;
    while (number.find('\n') == std::string::npos && SteadyClock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buf[32];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, static_cast<std::size_t>(n));
    }
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) number.pop_back();
    return number;
}

bool announced(Display* d) {
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False),
                       0, 1, False, AnyPropertyType, &type, &format, &n, &after, &data);
    if (data) XFree(data);
    return n > 0;
}

// openbox announces itself before it handles map requests, and a window mapped in between is
// never managed: a probe window, mapped again each second, shows when the manager takes
// windows into frames.
bool framesAProbe(Display* d, int timeoutMs) {
    const Window root = DefaultRootWindow(d);
    const Window probe = XCreateSimpleWindow(d, root, 0, 0, 10, 10, 0, 0, 0);
    XMapWindow(d, probe);
    XFlush(d);
    auto lastMap = SteadyClock::now();
    const bool framed = waitUntil(
        [&] {
            Window r = 0, parent = 0, *kids = nullptr;
            unsigned n = 0;
            if (XQueryTree(d, probe, &r, &parent, &kids, &n)) {
                if (kids) XFree(kids);
                if (parent != root) return true;
            }
            if (SteadyClock::now() - lastMap > std::chrono::seconds(1)) {
                XUnmapWindow(d, probe);
                XMapWindow(d, probe);
                XFlush(d);
                lastMap = SteadyClock::now();
            }
            return false;
        },
        timeoutMs);
    XDestroyWindow(d, probe);
    XSync(d, False);
    return framed;
}

// Waits until the window manager on `display` announces itself and takes a newly mapped
// window into a frame.
bool waitForManagingWindowManager(const std::string& display, int timeoutMs) {
    auto oldHandler = XSetErrorHandler(silentXError);
    Display* d = XOpenDisplay(display.c_str());
    bool ok = false;
    if (d) {
        ok = waitUntil([&] { return announced(d); }, timeoutMs) && framesAProbe(d, timeoutMs);
        XCloseDisplay(d);
    }
    XSetErrorHandler(oldHandler);
    return ok;
}

}  // namespace

bool waitUntilImpl(bool (*pred)(void*), void* ctx, int timeoutMs) {
    const auto end = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        if (pred(ctx)) return true;
        if (SteadyClock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string readFile(const std::string& path) {
    std::string text;
    readWholeFile(path, text);
    return text;
}

int runProgram(const std::vector<std::string>& argv, std::string* out, std::string* err,
               int timeoutMs, const std::string& cwd) {
    int po[2] = {-1, -1}, pe[2] = {-1, -1};
    if (::pipe2(po, O_CLOEXEC) != 0) return -1;
    if (::pipe2(pe, O_CLOEXEC) != 0) {
        ::close(po[0]);
        ::close(po[1]);
        return -1;
    }
    ChildSetup setup;
    setup.outFd = po[1];
    setup.errFd = pe[1];
    setup.cwd = cwd;
    const pid_t pid = startChild(argv, setup);
    ::close(po[1]);
    ::close(pe[1]);
    std::string o, e;
    const auto end = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    if (pid > 0) readPipes(po[0], pe[0], o, e, end);
    ::close(po[0]);
    ::close(pe[0]);
    if (out) *out = o;
    if (err) *err = e;
    if (pid <= 0) return -1;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(end - SteadyClock::now());
    const int status = Session::wait(pid, std::max(100, static_cast<int>(left.count())));
    Session::stop(pid);  // still running after its time: ended
    return status;
}

// ---- Target ----

Target& Target::operator=(Target&& other) noexcept {
    if (this != &other) {
        stop();
        static_cast<TargetInfo&>(*this) = std::move(other);
        other.pid = -1;
    }
    return *this;
}

std::vector<std::string> Target::lines() const {
    std::vector<std::string> out;
    std::stringstream s(readFile(log));
    for (std::string line; std::getline(s, line);) out.push_back(line);
    return out;
}

std::vector<std::string> Target::linesWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : lines())
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
}

bool Target::waitLine(const std::string& line, int timeoutMs) const {
    return waitUntil(
        [&] {
            const auto all = lines();
            return std::find(all.begin(), all.end(), line) != all.end();
        },
        timeoutMs);
}

bool Target::alive() {
    if (pid <= 0 || ended) return false;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || r < 0) ended = true;  // reaped here: its pid must not be signalled later
    return !ended;
}

void Target::stop() {
    if (pid > 0 && !ended) Session::stop(pid);
    ended = pid > 0;
}

// ---- Session ----

bool Session::available(std::string& why, bool withWindowManager) {
    for (const char* p : {"Xvfb", "openbox"}) {
        if (!withWindowManager && std::strcmp(p, "openbox") == 0) continue;
        if (!inPath(p)) {
            why = std::string(p) + " is not installed";
            return false;
        }
    }
    return true;
}

Session::~Session() {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) stop(*it);
    stop(wm_);
    stop(xvfb_);
    std::error_code ignored;
    if (!dir_.empty() && std::getenv("ORV_KEEP_TMP") == nullptr)
        std::filesystem::remove_all(dir_, ignored);
}

bool Session::start(std::string& why, bool withWindowManager) {
    if (!available(why, withWindowManager) || !makeFolder(why) || !startServer(why)) return false;
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 0);
    return !withWindowManager || startWindowManager(why);
}

bool Session::makeFolder(std::string& why) {
    char tmpl[] = "/tmp/orv_x11_XXXXXX";
    if (!::mkdtemp(tmpl)) {
        why = "cannot create a temporary folder";
        return false;
    }
    dir_ = tmpl;
    ::mkdir((dir_ + "/config").c_str(), 0700);
    return true;
}

// Xvfb picks a free display number and writes it to our pipe (-displayfd). -noreset: without
// it the server resets whenever its last client leaves, and a client connecting meanwhile is
// refused.
bool Session::startServer(std::string& why) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        why = "pipe failed";
        return false;
    }
    // The write end must stay open in Xvfb.
    ::fcntl(fds[1], F_SETFD, 0);
    ChildSetup setup;
    setup.errFd = openOutput(dir_ + "/xvfb.log");
    setup.closeFd = fds[0];
    xvfb_ =
        startChild({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                    "-nolisten", "tcp", "-noreset", "+extension", "RECORD", "+extension", "XTEST"},
                   setup);
    ::close(fds[1]);
    if (setup.errFd >= 0) ::close(setup.errFd);
    const std::string number = xvfb_ > 0 ? readDisplayNumber(fds[0], std::chrono::seconds(20)) : "";
    ::close(fds[0]);
    if (number.empty()) {
        why = "Xvfb did not start: " + readFile(dir_ + "/xvfb.log");
        return false;
    }
    display_ = ":" + number;
    return true;
}

bool Session::startWindowManager(std::string& why) {
    const std::string rc = dir_ + "/rc.xml";
    if (!writeFileAtomic(rc, kOpenboxRc, &why)) return false;
    const std::string log = dir_ + "/openbox.log";
    wm_ = spawn({"openbox", "--config-file", rc}, log, log);
    children_.pop_back();  // ended separately, after the clients
    const bool managing = wm_ > 0 && waitForManagingWindowManager(display_, 20000);
    int st = 0;
    const bool exited = wm_ > 0 && ::waitpid(wm_, &st, WNOHANG) == wm_;
    if (managing && !exited) return true;
    if (exited) wm_ = -1;
    why = std::string("openbox did not start") + (exited ? " (it exited)" : "") + ": " +
          readFile(log);
    return false;
}

pid_t Session::spawn(const std::vector<std::string>& argv, const std::string& outFile,
                     const std::string& errFile) {
    ChildSetup setup;
    setup.outFd = openOutput(outFile);
    setup.errFd = errFile == outFile ? setup.outFd : openOutput(errFile);
    setup.env = {{"DISPLAY", display_}, {"XDG_CONFIG_HOME", dir_ + "/config"}};
    const pid_t pid = startChild(argv, setup);
    if (setup.outFd >= 0) ::close(setup.outFd);
    if (setup.errFd >= 0 && setup.errFd != setup.outFd) ::close(setup.errFd);
    if (pid > 0) children_.push_back(pid);
    return pid;
}

int Session::run(const std::string& shellCommand) {
    const pid_t pid = spawn({"/bin/sh", "-c", shellCommand}, "", dir_ + "/run.err");
    return wait(pid, 60000);
}

int Session::wait(pid_t pid, int timeoutMs) {
    if (pid <= 0) return -1;
    int status = 0;
    const auto end = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0) return -1;
        if (SteadyClock::now() > end) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void Session::stop(pid_t pid) {
    if (pid <= 0) return;
    // Ended and reaped just now, or reaped before (then the pid is not ours to signal).
    if (::waitpid(pid, nullptr, WNOHANG) != 0) return;
    ::kill(pid, SIGTERM);
    if (wait(pid, 3000) == -1 && ::waitpid(pid, nullptr, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

void Session::killServer() {
    if (xvfb_ > 0) {
        ::kill(xvfb_, SIGKILL);
        ::waitpid(xvfb_, nullptr, 0);
        xvfb_ = -1;
    }
}

std::vector<std::string> Session::logLines(const Target& t) {
    return t.lines();
}

bool Session::refreshTarget(Target& t) {
    bool found = false;
    for (const std::string& line : logLines(t)) {
        std::istringstream w(line);
        std::string word;
        w >> word;
        if (word == "geometry") {
            w >> t.window >> t.x >> t.y >> t.w >> t.h >> t.frameLeft >> t.frameRight >>
                t.frameTop >> t.frameBottom;
            found = !w.fail();
        }
    }
    return found;
}

bool Session::startTarget(const std::string& title, int x, int y, int w, int h, Target& t,
                          Gravity gravity, ClickFocus focus) {
    const bool atClient = gravity == Gravity::Static;
    static int serial = 0;
    std::string earlier;
    const std::string geometry = std::to_string(w) + "x" + std::to_string(h) + "+" +
                                 std::to_string(x) + "+" + std::to_string(y);
    // A target that ends before its window is placed (it could not reach the display, say)
    // is started once more; what happened to the first one stays in the explanation.
    for (int attempt = 0; attempt < 2; ++attempt) {
        t = Target{};
        t.log = dir_ + "/target" + std::to_string(++serial) + ".log";
        t.err = t.log + ".err";
        t.earlier = earlier;
        t.pid = spawn({ORV_X11_TARGET, "--title", title, "--geometry", geometry, "--gravity",
                       atClient ? "static" : "northwest", "--click-focus",
                       focus == ClickFocus::Yes ? "1" : "0", "--log", t.log},
                      "", t.err);
        if (t.pid < 0) return false;
        // Mapped and framed by the window manager (or not framed without one), and with
        // static gravity placed where asked.
        const bool placed = waitUntil(
            [&] {
                if (::waitpid(t.pid, &t.status, WNOHANG) == t.pid) {
                    t.ended = true;
                    return true;
                }
                if (!refreshTarget(t)) return false;
                return (!atClient || (t.x == x && t.y == y)) && (wm_ < 0 || t.frameTop > 0);
            },
            20000);
        if (placed && !t.ended) return true;
        if (!t.ended) return false;
        earlier = explain(t);
    }
    return false;
}

std::string Session::explain(const Target& t) const {
    std::string s;
    if (!t.earlier.empty()) s = "first attempt: " + t.earlier + "second attempt: ";
    s += "display " + display_ + ", target pid " + std::to_string(t.pid);
    if (t.ended)
        s += WIFEXITED(t.status) ? " exited with " + std::to_string(WEXITSTATUS(t.status))
                                 : " ended by signal " + std::to_string(WTERMSIG(t.status));
    else
        s += " running";
    s += "\n--- target log:\n" + readFile(t.log) + "--- target stderr:\n" + readFile(t.err);
    if (wm_ > 0) s += "--- openbox log:\n" + readFile(dir_ + "/openbox.log");
    return s;
}

}  // namespace orv::x11test
