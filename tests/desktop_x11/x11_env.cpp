#include "tests/desktop_x11/x11_env.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "lang/text.h"
#include "tests/x11/harness.h"

extern char** environ;

namespace orvtest {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Spawns argv with the given descriptors as its stdout/stderr (-1: /dev/null).
pid_t spawn(const std::vector<std::string>& argv, int outFd, int errFd, const std::string& dir) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&fa, outFd, 1);
    else
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    if (errFd >= 0)
        posix_spawn_file_actions_adddup2(&fa, errFd, 2);
    else
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
}

// Waits for pid up to ms; kills it when it does not end. Returns the exit status or -1.
int reap(pid_t pid, int ms) {
    auto end = SteadyClock::now() + std::chrono::milliseconds(ms);
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0) return -1;
        if (SteadyClock::now() >= end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        sleepMs(5);
    }
}

bool displayWorks(const std::string& name) {
    Display* d = XOpenDisplay(name.c_str());
    if (!d) return false;
    XCloseDisplay(d);
    return true;
}

std::atomic<int> g_seq{0};

}  // namespace

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               SteadyClock::now().time_since_epoch())
        .count();
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

X11Bench& X11Bench::get() {
    static X11Bench b;
    return b;
}

pid_t startXvfb(const std::string& logPath, std::string& display, std::string& message) {
    int fds[2];
    if (pipe(fds) != 0) {
        message = "pipe failed";
        return -1;
    }
    std::vector<std::string> argv = {"Xvfb",      "-displayfd", std::to_string(fds[1]),
                                     "-screen",   "0",          "1280x1024x24",
                                     "-nolisten", "tcp",        "-noreset"};
    // The write end must reach Xvfb: spawn with it open (not close-on-exec).
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, "Xvfb", &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        message = "cannot start Xvfb (is it installed? scripts/install-deps.sh)";
        return -1;
    }
    std::string num;
    auto end = SteadyClock::now() + std::chrono::seconds(20);
    while (SteadyClock::now() < end) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) continue;
        char c;
        ssize_t n = read(fds[0], &c, 1);
        if (n <= 0 || c == '\n') break;
        num += c;
    }
    close(fds[0]);
    if (num.empty()) {
        message = "Xvfb did not report its display number (see " + logPath + ")";
        stopProcess(pid);
        return -1;
    }
    display = ":" + num;
    if (!eventually([&] { return displayWorks(display); }, 10000)) {
        message = "the display " + display + " does not answer";
        stopProcess(pid);
        return -1;
    }
    return pid;
}

void stopProcess(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    reap(pid, 3000);
}

bool X11Bench::start(std::string& message) {
    char tmpl[] = "/tmp/orv_x11_e2e.XXXXXX";
    if (!mkdtemp(tmpl)) {
        message = "mkdtemp failed";
        return false;
    }
    tmp_ = tmpl;
    xvfb_ = startXvfb(tmp_ + "/xvfb.log", display_, message);
    if (xvfb_ < 0) return false;
    setenv("DISPLAY", display_.c_str(), 1);
    std::string rc_xml = tmp_ + "/rc.xml";
    std::ofstream(rc_xml) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<openbox_config xmlns=\"http://openbox.org/3.4/rc\">\n"
                             "  <focus><focusNew>yes</focusNew><followMouse>no</followMouse>"
                             "</focus>\n"
                             "  <placement><policy>Smart</policy></placement>\n"
                             "  <desktops><number>1</number></desktops>\n"
                             "  <keyboard></keyboard>\n"
                             "  <mouse></mouse>\n"
                             "</openbox_config>\n";
    std::string wmlog = tmp_ + "/openbox.log";
    int wmfd = open(wmlog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    wm_ = spawn({"openbox", "--config-file", rc_xml}, wmfd, wmfd, "");
    if (wmfd >= 0) close(wmfd);
    const bool managing = wm_ >= 0 && orv::x11test::waitForManagingWindowManager(display_, 20000);
    int st = 0;
    const bool exited = wm_ >= 0 && waitpid(wm_, &st, WNOHANG) == wm_;
    if (!managing || exited) {
        std::ifstream f(wmlog);
        std::stringstream text;
        text << f.rdbuf();
        message = std::string("openbox did not start") + (exited ? " (it exited)" : "") + ": " +
                  text.str();
        if (exited) wm_ = -1;
        return false;
    }
    return true;
}

void X11Bench::stop() {
    if (wm_ > 0) {
        kill(wm_, SIGTERM);
        reap(wm_, 3000);
        wm_ = -1;
    }
    if (xvfb_ > 0) {
        kill(xvfb_, SIGTERM);
        reap(xvfb_, 3000);
        xvfb_ = -1;
    }
    if (!tmp_.empty() && std::getenv("ORV_KEEP_TMP") == nullptr)
        run({"rm", "-rf", tmp_}, nullptr, 10000);
}

int run(const std::vector<std::string>& argv, std::string* out, int timeoutMs, std::string* err) {
    int po[2] = {-1, -1}, pe[2] = {-1, -1};
    if (pipe2(po, O_CLOEXEC) != 0) return -1;
    if (pipe2(pe, O_CLOEXEC) != 0) {
        close(po[0]);
        close(po[1]);
        return -1;
    }
    // Commands run in the bench's folder, so that comp.his and the like land there.
    pid_t pid = spawn(argv, po[1], pe[1], X11Bench::get().tmp());
    close(po[1]);
    close(pe[1]);
    if (pid < 0) {
        close(po[0]);
        close(pe[0]);
        return -1;
    }
    std::string o, e;
    auto end = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    bool openO = true, openE = true;
    while ((openO || openE) && SteadyClock::now() < end) {
        pollfd p[2] = {{openO ? po[0] : -1, POLLIN, 0}, {openE ? pe[0] : -1, POLLIN, 0}};
        if (poll(p, 2, 100) <= 0) continue;
        char buf[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP))) continue;
            ssize_t n = read(p[i].fd, buf, sizeof buf);
            if (n > 0)
                (i == 0 ? o : e).append(buf, static_cast<std::size_t>(n));
            else
                (i == 0 ? openO : openE) = false;
        }
    }
    close(po[0]);
    close(pe[0]);
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - SteadyClock::now());
    int status = reap(pid, std::max(100, static_cast<int>(left.count())));
    if (out) *out = o;
    if (err) *err = e;
    return status;
}

bool Target::start(const std::string& titleUtf8, int x, int y, int w, int h, bool managed) {
    log = X11Bench::get().tmp() + "/target" + std::to_string(++g_seq) + ".log";
    char geo[64];
    std::snprintf(geo, sizeof geo, "%dx%d+%d+%d", w, h, x, y);
    pid = spawn(
        {ORV_X11_TARGET, "--title", titleUtf8, "--log", log, "--geometry", geo, "--life", "180"},
        -1, -1, "");
    if (pid < 0) return false;
    bool ok = eventually(
        [&] {
            for (const std::string& l : linesWith("ready ")) {
                window = std::strtoul(l.c_str() + 6, nullptr, 10);
                return true;
            }
            return false;
        },
        10000);
    if (!ok || !managed) return ok;
    // Managed: the frame extents are set and the window is in the client list.
    return eventually(
        [&] {
            std::string o;
            char id[32];
            std::snprintf(id, sizeof id, "0x%lx", window);
            return run({"xprop", "-id", id, "_NET_FRAME_EXTENTS"}, &o, 5000) == 0 &&
                   o.find(" = ") != std::string::npos;
        },
        10000);
}

std::vector<std::string> Target::lines() const {
    std::vector<std::string> out;
    std::ifstream f(log);
    std::string l;
    while (std::getline(f, l)) out.push_back(l);
    return out;
}

std::vector<std::string> Target::linesWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : lines())
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
}

bool Target::waitLine(const std::string& line, int ms) const {
    return eventually(
        [&] {
            for (const std::string& l : lines())
                if (l == line) return true;
            return false;
        },
        ms);
}

bool Target::alive() const {
    if (pid <= 0 || exited) return false;
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid || r < 0) exited = true;  // reaped here: its pid must not be signalled later
    return !exited;
}

void Target::stop() {
    if (exited) pid = -1;
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    reap(pid, 3000);
    pid = -1;
}

bool observedOuter(unsigned long window, Rect& r) {
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", window);
    std::string info, ext;
    if (run({"xwininfo", "-id", id}, &info, 5000) != 0) return false;
    if (run({"xprop", "-id", id, "_NET_FRAME_EXTENTS"}, &ext, 5000) != 0) return false;
    auto field = [&](const char* name, int& v) {
        std::size_t p = info.find(name);
        if (p == std::string::npos) return false;
        v = std::atoi(info.c_str() + p + std::strlen(name));
        return true;
    };
    int ax = 0, ay = 0, w = 0, h = 0;
    if (!field("Absolute upper-left X:", ax) || !field("Absolute upper-left Y:", ay) ||
        !field("Width:", w) || !field("Height:", h)) {
        return false;
    }
    int l = 0, rr = 0, t = 0, b = 0;
    std::size_t eq = ext.find(" = ");
    if (eq == std::string::npos ||
        std::sscanf(ext.c_str() + eq + 3, "%d, %d, %d, %d", &l, &rr, &t, &b) != 4) {
        return false;
    }
    r = {ax - l, ay - t, w + l + rr, h + t + b};
    return true;
}

bool observedPointer(int& x, int& y) {
    std::string o;
    if (run({"xdotool", "getmouselocation", "--shell"}, &o, 5000) != 0) return false;
    std::size_t px = o.find("X="), py = o.find("Y=");
    if (px == std::string::npos || py == std::string::npos) return false;
    x = std::atoi(o.c_str() + px + 2);
    y = std::atoi(o.c_str() + py + 2);
    return true;
}

unsigned long observedActive() {
    std::string o;
    if (run({"xdotool", "getactivewindow"}, &o, 5000) != 0) return 0;
    return std::strtoul(o.c_str(), nullptr, 10);
}

int runMacro(const std::string& utf8Text, std::string* out, std::string* err,
             const std::vector<std::string>& extra) {
    std::string text;
    for (char c : utf8Text) {
        if (c == '\n') text += '\r';
        text += c;
    }
    std::string path = X11Bench::get().tmp() + "/m" + std::to_string(++g_seq) + ".ovm";
    std::ofstream(path, std::ios::binary) << orv::sj(text);
    std::vector<std::string> argv = {ORV_CLI, "run",        path, "--desktop",
                                     "x11",   "--interval", "0",  "--vars"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return run(argv, out, 30000, err);
}

std::string varOf(const std::string& varsOut, const std::string& name) {
    std::istringstream in(varsOut);
    std::string l;
    while (std::getline(in, l))
        if (l.compare(0, name.size() + 1, name + "=") == 0) return l.substr(name.size() + 1);
    return "";
}

}  // namespace orvtest
