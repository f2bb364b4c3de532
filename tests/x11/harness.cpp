#include "tests/x11/harness.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace orv::x11test {

namespace {

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
    "</openbox_config>\n";

int silentXError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

bool waitUntilImpl(bool (*pred)(void*), void* ctx, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        if (pred(ctx)) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

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
    if (!dir_.empty()) {
        const std::string cmd = "rm -rf '" + dir_ + "'";
        int r = std::system(cmd.c_str());
        (void)r;
    }
}

bool Session::start(std::string& why, bool withWindowManager) {
    if (!available(why, withWindowManager)) return false;
    char tmpl[] = "/tmp/orv_x11_XXXXXX";
    if (!::mkdtemp(tmpl)) {
        why = "cannot create a temporary folder";
        return false;
    }
    dir_ = tmpl;

    // Xvfb picks a free display number and writes it to our pipe.
    int fds[2];
    if (::pipe(fds) != 0) {
        why = "pipe failed";
        return false;
    }
    xvfb_ = ::fork();
    if (xvfb_ == 0) {
        ::close(fds[0]);
        const int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        const std::string fd = std::to_string(fds[1]);
        // -noreset: without it the server resets whenever its last client leaves, and a
        // client connecting meanwhile is refused (ECONNRESET).
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                 "-nolisten", "tcp", "-noreset", "+extension", "RECORD", "+extension", "XTEST",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buf[32];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) number.pop_back();
    if (number.empty()) {
        why = "Xvfb did not start";
        return false;
    }
    display_ = ":" + number;
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 0);

    if (withWindowManager) {
        const std::string rc = dir_ + "/rc.xml";
        std::ofstream(rc) << kOpenboxRc;
        ::mkdir((dir_ + "/config").c_str(), 0700);
        wm_ = spawn({"openbox", "--config-file", rc}, "", dir_ + "/openbox.log");
        children_.pop_back();  // ended separately, after the clients
        if (wm_ < 0 || !waitForManagingWindowManager(display_, 15000)) {
            why = "openbox did not start";
            return false;
        }
    }
    return true;
}

bool waitForManagingWindowManager(const std::string& display, int timeoutMs) {
    auto oldHandler = XSetErrorHandler(silentXError);
    Display* d = XOpenDisplay(display.c_str());
    bool ok = false;
    if (d) {
        const Window root = DefaultRootWindow(d);
        const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
        ok = waitUntil(
            [&] {
                Atom type;
                int format;
                unsigned long n = 0, after;
                unsigned char* data = nullptr;
                XGetWindowProperty(d, root, check, 0, 1, False, AnyPropertyType, &type, &format, &n,
                                   &after, &data);
                if (data) XFree(data);
                return n > 0;
            },
            timeoutMs);
        if (ok) {
            // openbox announces itself before it handles map requests, and a window mapped
            // in between is never managed: a probe window, mapped again each second, shows
            // when the manager takes windows into frames.
            const Window probe = XCreateSimpleWindow(d, root, 0, 0, 10, 10, 0, 0, 0);
            XMapWindow(d, probe);
            XFlush(d);
            auto lastMap = std::chrono::steady_clock::now();
            ok = waitUntil(
                [&] {
                    Window r = 0, parent = 0, *kids = nullptr;
                    unsigned n = 0;
                    if (XQueryTree(d, probe, &r, &parent, &kids, &n)) {
                        if (kids) XFree(kids);
                        if (parent != root) return true;
                    }
                    if (std::chrono::steady_clock::now() - lastMap > std::chrono::seconds(1)) {
                        XUnmapWindow(d, probe);
                        XMapWindow(d, probe);
                        XFlush(d);
                        lastMap = std::chrono::steady_clock::now();
                    }
                    return false;
                },
                timeoutMs);
            XDestroyWindow(d, probe);
            XSync(d, False);
        }
        XCloseDisplay(d);
    }
    XSetErrorHandler(oldHandler);
    return ok;
}

pid_t Session::spawn(const std::vector<std::string>& argv, const std::string& outFile,
                     const std::string& errFile) {
    if (argv.empty()) return -1;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        ::setenv("DISPLAY", display_.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
        const int in = ::open("/dev/null", O_RDONLY);
        if (in >= 0) ::dup2(in, 0);
        const auto redirect = [](const std::string& file, int fd) {
            const int f = ::open(file.empty() ? "/dev/null" : file.c_str(),
                                 O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (f >= 0) ::dup2(f, fd);
        };
        redirect(outFile, 1);
        redirect(errFile, 2);
        // The child starts with default signal handling and nothing blocked.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    children_.push_back(pid);
    return pid;
}

int Session::run(const std::string& shellCommand) {
    const pid_t pid = spawn({"/bin/sh", "-c", shellCommand}, "", dir_ + "/run.err");
    return wait(pid, 60000);
}

int Session::wait(pid_t pid, int timeoutMs) {
    if (pid <= 0) return -1;
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0) return -1;
        if (std::chrono::steady_clock::now() > end) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void Session::stop(pid_t pid) {
    if (pid <= 0) return;
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
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
    std::vector<std::string> lines;
    std::stringstream s(readFile(t.log));
    std::string line;
    while (std::getline(s, line)) lines.push_back(line);
    return lines;
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

bool Session::startTarget(const std::string& title, int x, int y, int w, int h, Target& t) {
    static int serial = 0;
    std::string earlier;
    // A target that ends before its window is placed (it could not reach the display, say)
    // is started once more; what happened to the first one stays in the explanation.
    for (int attempt = 0; attempt < 2; ++attempt) {
        t = Target{};
        t.log = dir_ + "/target" + std::to_string(++serial) + ".log";
        t.err = t.log + ".err";
        t.earlier = earlier;
        const std::string geometry = std::to_string(w) + "x" + std::to_string(h) + "+" +
                                     std::to_string(x) + "+" + std::to_string(y);
        t.pid = spawn({ORV_X11_TARGET, "--title", title, "--geometry", geometry, "--log", t.log},
                      "", t.err);
        if (t.pid < 0) return false;
        // Placed where asked and framed by the window manager (or not framed without one).
        const bool placed = waitUntil(
            [&] {
                if (::waitpid(t.pid, &t.status, WNOHANG) == t.pid) {
                    t.ended = true;
                    return true;
                }
                if (!refreshTarget(t)) return false;
                return t.x == x && t.y == y && (wm_ < 0 || t.frameTop > 0);
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
