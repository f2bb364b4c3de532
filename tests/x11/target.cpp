// orv_x11_target --title TITLE [--geometry WxH+X+Y] [--gravity static|northwest] [--log FILE]
//                [--class NAME] [--life SECONDS]
// The test-target window of the X11 harness (tests/x11/harness.h): a plain Xlib window whose
// title (UTF-8, Japanese too) comes from the command line, placed with static gravity (its
// client area where asked) or north-west gravity (its frame's corner where asked, the default
// of most programs), with the class NAME (default OrvTarget) and its process id. It logs its
// geometry whenever it changes, every key and button event it receives, focus changes and the close
// request (the log format is in harness.h), and ends after SECONDS (default 600) if nobody ends it
// before. Each key and button line is followed by a line "time T": the event's server time in
// milliseconds (a line of its own, so that the event lines stay as they were for every reader).
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

std::FILE* g_log = stdout;

void logLine(const std::string& s) {
    std::fputs(s.c_str(), g_log);
    std::fputc('\n', g_log);
    std::fflush(g_log);
}

struct Options {
    std::string title = "orv_x11_target";
    std::string cls = "OrvTarget";
    int x = 100, y = 100;
    unsigned w = 400, h = 300;
    long life = 600;
    bool staticGravity = true;
    bool clickFocus = false;
};
bool g_clickFocus = false;

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--title") {
            o.title = argv[i + 1];
        } else if (a == "--class") {
            o.cls = argv[i + 1];
        } else if (a == "--gravity") {
            o.staticGravity = std::strcmp(argv[i + 1], "northwest") != 0;
        } else if (a == "--click-focus") {
            o.clickFocus = std::strcmp(argv[i + 1], "1") == 0;
        } else if (a == "--life") {
            o.life = std::atol(argv[i + 1]);
        } else if (a == "--geometry") {
            int gx, gy;
            unsigned gw, gh;
            const int m = XParseGeometry(argv[i + 1], &gx, &gy, &gw, &gh);
            if (m & XValue) o.x = gx;
            if (m & YValue) o.y = gy;
            if (m & WidthValue) o.w = gw;
            if (m & HeightValue) o.h = gh;
        } else if (a == "--log") {
            g_log = std::fopen(argv[i + 1], "w");
            if (!g_log) return false;
        }
    }
    return true;
}

void logGeometry(Display* d, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return;
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    long ext[4] = {0, 0, 0, 0};
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_FRAME_EXTENTS", False), 0, 4, False,
                           XA_CARDINAL, &type, &format, &n, &after, &data) == Success &&
        data && n == 4 && format == 32)
        std::memcpy(ext, data, sizeof ext);
    if (data) XFree(data);
    char buf[200];
    std::snprintf(buf, sizeof buf, "geometry %lu %d %d %d %d %ld %ld %ld %ld", w, x, y, a.width,
                  a.height, ext[0], ext[1], ext[2], ext[3]);
    logLine(buf);
}

// The keysym the server maps to the key's keycode (first column), asked afresh for every
// event: a keycode the X11 desktop lends for a missing keysym changes its mapping meanwhile.
std::string keyName(XKeyEvent* e) {
    int per = 0;
    KeySym* syms = XGetKeyboardMapping(e->display, static_cast<KeyCode>(e->keycode), 1, &per);
    const KeySym sym = syms && per > 0 ? syms[0] : NoSymbol;
    if (syms) XFree(syms);
    if (sym == NoSymbol) return "NoSymbol";
    if (const char* n = XKeysymToString(sym)) return n;
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(sym));
    return buf;
}

Window createWindow(Display* d, const Options& o) {
    XSetWindowAttributes swa{};
    swa.background_pixel = WhitePixel(d, DefaultScreen(d));
    swa.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask | FocusChangeMask | ExposureMask | PropertyChangeMask;
    const Window win = XCreateWindow(d, DefaultRootWindow(d), o.x, o.y, o.w, o.h, 0, CopyFromParent,
                                     InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &swa);
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | USSize | (o.staticGravity ? PWinGravity : 0);
    size->x = o.x;
    size->y = o.y;
    size->width = static_cast<int>(o.w);
    size->height = static_cast<int>(o.h);
    size->win_gravity = StaticGravity;  // with PWinGravity: the client area stays where asked
    XClassHint* klass = XAllocClassHint();
    std::string resName = "orv_x11_target", cls = o.cls;
    klass->res_name = resName.data();
    klass->res_class = cls.data();
    XWMHints* wm = XAllocWMHints();
    wm->flags = InputHint | StateHint;
    wm->input = True;
    wm->initial_state = NormalState;
    Xutf8SetWMProperties(d, win, o.title.c_str(), o.title.c_str(), nullptr, 0, size, wm, klass);
    XFree(size);
    XFree(klass);
    XFree(wm);
    XChangeProperty(d, win, XInternAtom(d, "_NET_WM_NAME", False),
                    XInternAtom(d, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(o.title.data()),
                    static_cast<int>(o.title.size()));
    long pid = static_cast<long>(getpid());
    XChangeProperty(d, win, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    return win;
}

void logInput(XEvent& e) {
    char buf[200];
    const bool key = e.type == KeyPress || e.type == KeyRelease;
    if (key) {
        logLine(std::string(e.type == KeyPress ? "KeyPress " : "KeyRelease ") + keyName(&e.xkey));
    } else {
        std::snprintf(buf, sizeof buf, "%s %u %d %d",
                      e.type == ButtonPress ? "ButtonPress" : "ButtonRelease", e.xbutton.button,
                      e.xbutton.x_root, e.xbutton.y_root);
        logLine(buf);
    }
    logLine("time " + std::to_string(key ? e.xkey.time : e.xbutton.time));
}

// Handles one event; false when the window was asked to close.
bool handle(Display* d, Window win, XEvent& e, Atom deleteWindow) {
    switch (e.type) {
        case KeyPress:
        case KeyRelease:
        case ButtonPress:
        case ButtonRelease:
            logInput(e);
            if (g_clickFocus && e.type == ButtonPress)
                XSetInputFocus(d, win, RevertToParent, e.xbutton.time);
            return true;
        case MappingNotify:
            XRefreshKeyboardMapping(&e.xmapping);
            return true;
        case MapNotify:
        case ConfigureNotify:
        case ReparentNotify:
            logGeometry(d, win);
            return true;
        case PropertyNotify:
            if (e.xproperty.atom == XInternAtom(d, "_NET_FRAME_EXTENTS", False))
                logGeometry(d, win);
            return true;
        case FocusIn:
        case FocusOut:
            if (e.xfocus.mode == NotifyNormal || e.xfocus.mode == NotifyWhileGrabbed)
                logLine(e.type == FocusIn ? "focus in" : "focus out");
            return true;
        case ClientMessage:
            if (static_cast<Atom>(e.xclient.data.l[0]) != deleteWindow) return true;
            logLine("close");
            return false;
        default:
            return true;
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) return 2;
    g_clickFocus = o.clickFocus;
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "orv_x11_target: no display\n");
        return 1;
    }
    // A key held down shows as repeated key presses without releases in between.
    XkbSetDetectableAutoRepeat(d, True, nullptr);
    const Window win = createWindow(d, o);
    Atom del = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, win, &del, 1);
    XMapWindow(d, win);
    XFlush(d);
    const std::time_t end = std::time(nullptr) + o.life;
    for (bool open = true; open && std::time(nullptr) < end;) {
        if (!XPending(d)) {
            pollfd p{ConnectionNumber(d), POLLIN, 0};
            poll(&p, 1, 200);
            continue;
        }
        XEvent e;
        XNextEvent(d, &e);
        open = handle(d, win, e, del);
    }
    XDestroyWindow(d, win);
    XCloseDisplay(d);
    return 0;
}
