// The X11 desktop: the connection, the pointer, and the programs
// EXECUTE starts. The windows and the keyboard have files of their own.
#include "platform/x11/x11_desktop.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "lang/text.h"
#include "platform/debug_channel.h"
#include "platform/x11/x11_errors.h"
#include "platform/x11/xlib_desktop.h"

extern char** environ;

namespace orv {

namespace {

// Starts `argv` detached (own session, standard streams on /dev/null, no inherited
// descriptors) and reaps it on a small thread so that it never lingers as a zombie.
void spawnDetached(const char* file, char* const argv[], bool searchPath) {
    posix_spawn_file_actions_t fa;
    posix_spawnattr_t attr;
    if (posix_spawn_file_actions_init(&fa) != 0) return;
    if (posix_spawnattr_init(&attr) != 0) {
        posix_spawn_file_actions_destroy(&fa);
        return;
    }
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&fa, 3);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    int rc = searchPath ? posix_spawnp(&pid, file, &fa, &attr, argv, environ)
                        : posix_spawn(&pid, file, &fa, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0 || pid <= 0) {
        if (platform::enabled())
            platform::out(std::string("X11: cannot start ") + file + ": " + std::strerror(rc) +
                          "\r\n");
        return;
    }
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

bool onPath(const char* name) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string p = path;
    std::size_t pos = 0;
    while (pos <= p.size()) {
        std::size_t colon = p.find(':', pos);
        std::string dir =
            p.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos);
        pos = colon == std::string::npos ? p.size() + 1 : colon + 1;
        if (dir.empty()) dir = ".";
        std::string full = dir + "/" + name;
        if (::access(full.c_str(), X_OK) == 0) return true;
    }
    return false;
}

}  // namespace

namespace x11 {

XlibDesktop::~XlibDesktop() {
    std::lock_guard<std::mutex> lock(mu);
    restoreRepeat();
    restoreLent();
    XSync(dpy, False);
    XCloseDisplay(dpy);
    untrackErrors(dpy);
}

Point XlibDesktop::cursor() {
    std::lock_guard<std::mutex> lock(mu);
    Window r = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    // A round trip: every event sent before it has been processed when it answers.
    XQueryPointer(dpy, root, &r, &child, &rx, &ry, &wx, &wy, &mask);
    return {rx, ry};
}

void XlibDesktop::setCursor(int x, int y) {
    std::lock_guard<std::mutex> lock(mu);
    XTestFakeMotionEvent(dpy, screen, clamp16(x), clamp16(y), CurrentTime);
    XFlush(dpy);
}

void XlibDesktop::mouseButton(MouseButton button, bool down) {
    std::lock_guard<std::mutex> lock(mu);
    unsigned b = button == MouseButton::Left ? 1 : button == MouseButton::Middle ? 2 : 3;
    XTestFakeButtonEvent(dpy, b, down ? True : False, CurrentTime);
    XFlush(dpy);
}

void XlibDesktop::open(const std::string& path) {
    if (path.empty()) return;
    std::string p = cp932ToUtf8(path);
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0) {
        char* argv[] = {p.data(), nullptr};
        spawnDetached(p.c_str(), argv, false);
        return;
    }
    if (!onPath("xdg-open")) {
        if (platform::enabled()) platform::out("X11: no xdg-open to open " + path + "\r\n");
        return;
    }
    char opener[] = "xdg-open";
    char* argv[] = {opener, p.data(), nullptr};
    spawnDetached(opener, argv, true);
}

bool XlibDesktop::hasWindowManager() {
    std::lock_guard<std::mutex> lock(mu);
    return !wmSupported().empty();
}

unsigned long XlibDesktop::errorCount() const {
    return x11::errorCount(dpy);
}

void XlibDesktop::sync() {
    std::lock_guard<std::mutex> lock(mu);
    XSync(dpy, False);
}

void XlibDesktop::setSettleTimeout(int ms) {
    std::lock_guard<std::mutex> lock(mu);
    settleMs = std::clamp(ms, 0, 10000);
}

}  // namespace x11

std::unique_ptr<X11Desktop> X11Desktop::connect(const std::string& displayName,
                                                std::string& message) {
    x11::installErrorHandlers();
    const char* env = std::getenv("DISPLAY");
    std::string shown = !displayName.empty() ? displayName : env ? env : "";
    Display* dpy = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!dpy) {
        message = shown.empty() ? "no X display: DISPLAY is not set"
                                : "cannot open the X display '" + shown + "'";
        return nullptr;
    }
    int ev = 0, err = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(dpy, &ev, &err, &major, &minor)) {
        XCloseDisplay(dpy);
        message = "the X display '" + shown + "' has no XTest extension";
        return nullptr;
    }
    x11::trackErrors(dpy);
    auto d = std::make_unique<x11::XlibDesktop>();
    d->dpy = dpy;
    d->screen = DefaultScreen(dpy);
    d->root = RootWindow(dpy, d->screen);
    XTestGrabControl(dpy, True);  // our input goes through even while another client grabs
    auto atom = [&](const char* n) { return XInternAtom(dpy, n, False); };
    d->aStacking = atom("_NET_CLIENT_LIST_STACKING");
    d->aClientList = atom("_NET_CLIENT_LIST");
    d->aCheck = atom("_NET_SUPPORTING_WM_CHECK");
    d->aSupported = atom("_NET_SUPPORTED");
    d->aWmName = atom("_NET_WM_NAME");
    d->aUtf8 = atom("UTF8_STRING");
    d->aPid = atom("_NET_WM_PID");
    d->aExtents = atom("_NET_FRAME_EXTENTS");
    d->aActive = atom("_NET_ACTIVE_WINDOW");
    d->aClose = atom("_NET_CLOSE_WINDOW");
    d->aMoveResize = atom("_NET_MOVERESIZE_WINDOW");
    d->aRestack = atom("_NET_RESTACK_WINDOW");
    d->aProtocols = atom("WM_PROTOCOLS");
    d->aDelete = atom("WM_DELETE_WINDOW");
    d->aWmState = atom("WM_STATE");
    d->readMapping();
    d->findSpare();
    XKeyboardState ks{};
    XGetKeyboardControl(dpy, &ks);
    std::memcpy(d->repeats, ks.auto_repeats, sizeof d->repeats);
    return d;
}

}  // namespace orv
