// A small X11 window for the end-to-end tests: it shows the title given on its command line
// (UTF-8, Japanese included) and logs, one line at a time and flushed at once, what it
// receives:
//   ready WINDOW_ID
//   key down|up KEYCODE KEYSYM_NAME     (the keysym without modifiers, asked afresh)
//   button down|up BUTTON ROOT_X ROOT_Y
//   focus in|out
//   configure X Y W H                   (as the event reports it)
//   close                               (WM_DELETE_WINDOW; the program then exits)
// Usage: orv_x11_target --title TEXT --log FILE [--geometry WxH+X+Y] [--class NAME]
//                       [--life SECONDS]
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

std::FILE* g_log = nullptr;

void logLine(const std::string& s) {
    std::fputs(s.c_str(), g_log);
    std::fputc('\n', g_log);
    std::fflush(g_log);
}

// The keysym the server maps to the key's keycode (first column), asked afresh for every
// event rather than taken from Xlib's cached copy of the mapping.
std::string keyName(XKeyEvent* e) {
    int per = 0;
    KeySym* syms = XGetKeyboardMapping(e->display, static_cast<KeyCode>(e->keycode), 1, &per);
    KeySym sym = syms && per > 0 ? syms[0] : NoSymbol;
    if (syms) XFree(syms);
    const char* n = sym != NoSymbol ? XKeysymToString(sym) : nullptr;
    if (n) return n;
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(sym));
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    std::string title = "orv target", logPath, cls = "OrvTarget";
    int x = 100, y = 100;
    unsigned w = 320, h = 200;
    long life = 120;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--title") {
            title = argv[i + 1];
        } else if (a == "--log") {
            logPath = argv[i + 1];
        } else if (a == "--class") {
            cls = argv[i + 1];
        } else if (a == "--life") {
            life = std::atol(argv[i + 1]);
        } else if (a == "--geometry") {
            if (std::sscanf(argv[i + 1], "%ux%u+%d+%d", &w, &h, &x, &y) != 4) {
                std::fprintf(stderr, "bad geometry\n");
                return 2;
            }
        }
    }
    g_log = logPath.empty() ? stdout : std::fopen(logPath.c_str(), "a");
    if (!g_log) return 2;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "orv_x11_target: no display\n");
        return 2;
    }
    // A key held down shows as repeated key-downs without key-ups in between.
    XkbSetDetectableAutoRepeat(dpy, True, nullptr);
    int screen = DefaultScreen(dpy);
    Window root = RootWindow(dpy, screen);
    XSetWindowAttributes swa{};
    swa.background_pixel = WhitePixel(dpy, screen);
    swa.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask | FocusChangeMask;
    Window win = XCreateWindow(dpy, root, x, y, w, h, 0, CopyFromParent, InputOutput,
                               CopyFromParent, CWBackPixel | CWEventMask, &swa);

    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | USSize;
    size->x = x;
    size->y = y;
    size->width = static_cast<int>(w);
    size->height = static_cast<int>(h);
    XClassHint* klass = XAllocClassHint();
    std::string resName = "orv_x11_target";
    klass->res_name = resName.data();
    klass->res_class = cls.data();
    XWMHints* wm = XAllocWMHints();
    wm->flags = InputHint | StateHint;
    wm->input = True;
    wm->initial_state = NormalState;
    Xutf8SetWMProperties(dpy, win, title.c_str(), title.c_str(), nullptr, 0, size, wm, klass);
    XFree(size);
    XFree(klass);
    XFree(wm);
    Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    XChangeProperty(dpy, win, XInternAtom(dpy, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    long pid = static_cast<long>(getpid());
    XChangeProperty(dpy, win, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    Atom protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    Atom del = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, win, &del, 1);
    XMapWindow(dpy, win);
    XFlush(dpy);

    std::time_t end = std::time(nullptr) + life;
    bool ready = false;
    int fd = ConnectionNumber(dpy);
    while (std::time(nullptr) < end) {
        if (!XPending(dpy)) {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 200);
            continue;
        }
        XEvent e;
        XNextEvent(dpy, &e);
        char buf[160];
        switch (e.type) {
            case MapNotify:
                if (!ready) {
                    std::snprintf(buf, sizeof buf, "ready %lu", static_cast<unsigned long>(win));
                    logLine(buf);
                    ready = true;
                }
                break;
            case MappingNotify:
                XRefreshKeyboardMapping(&e.xmapping);
                break;
            case KeyPress:
            case KeyRelease:
                std::snprintf(buf, sizeof buf, "key %s %u ", e.type == KeyPress ? "down" : "up",
                              e.xkey.keycode);
                logLine(buf + keyName(&e.xkey));
                break;
            case ButtonPress:
            case ButtonRelease:
                std::snprintf(buf, sizeof buf, "button %s %u %d %d",
                              e.type == ButtonPress ? "down" : "up", e.xbutton.button,
                              e.xbutton.x_root, e.xbutton.y_root);
                logLine(buf);
                break;
            case FocusIn:
            case FocusOut:
                if (e.xfocus.mode == NotifyNormal || e.xfocus.mode == NotifyWhileGrabbed)
                    logLine(e.type == FocusIn ? "focus in" : "focus out");
                break;
            case ConfigureNotify:
                std::snprintf(buf, sizeof buf, "configure %d %d %d %d", e.xconfigure.x,
                              e.xconfigure.y, e.xconfigure.width, e.xconfigure.height);
                logLine(buf);
                break;
            case ClientMessage:
                if (e.xclient.message_type == protocols &&
                    static_cast<Atom>(e.xclient.data.l[0]) == del) {
                    logLine("close");
                    XDestroyWindow(dpy, win);
                    XCloseDisplay(dpy);
                    return 0;
                }
                break;
            default:
                break;
        }
    }
    XCloseDisplay(dpy);
    return 0;
}
