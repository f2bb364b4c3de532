// orv_x11_harness_target --title TITLE [--geometry WxH+X+Y] [--log FILE]
// A plain Xlib test window: its title (UTF-8, Japanese too) comes from the command line; it
// logs its geometry ("geometry WINDOW X Y W H LEFT RIGHT TOP BOTTOM": client area in root
// coordinates and the window manager's frame extents) whenever it changes, and every key
// and button event it receives ("KeyPress NAME", "KeyRelease NAME", "ButtonPress N X Y",
// "ButtonRelease N X Y" with root coordinates).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::FILE* g_log = stdout;

void logLine(const std::string& s) {
    std::fputs(s.c_str(), g_log);
    std::fputc('\n', g_log);
    std::fflush(g_log);
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

}  // namespace

int main(int argc, char** argv) {
    std::string title = "orv_x11_harness_target";
    int x = 100, y = 100;
    unsigned w = 400, h = 300;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--title") == 0) {
            title = argv[i + 1];
        } else if (std::strcmp(argv[i], "--geometry") == 0) {
            int gx, gy;
            unsigned gw, gh;
            const int m = XParseGeometry(argv[i + 1], &gx, &gy, &gw, &gh);
            if (m & XValue) x = gx;
            if (m & YValue) y = gy;
            if (m & WidthValue) w = gw;
            if (m & HeightValue) h = gh;
        } else if (std::strcmp(argv[i], "--log") == 0) {
            g_log = std::fopen(argv[i + 1], "w");
            if (!g_log) return 2;
        }
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    const Window win = XCreateSimpleWindow(d, DefaultRootWindow(d), x, y, w, h, 0, BlackPixel(d, 0),
                                           WhitePixel(d, 0));
    XSizeHints* hints = XAllocSizeHints();
    hints->flags = USPosition | USSize | PWinGravity;
    hints->x = x;
    hints->y = y;
    hints->width = static_cast<int>(w);
    hints->height = static_cast<int>(h);
    hints->win_gravity = StaticGravity;  // the client area stays where asked
    Xutf8SetWMProperties(d, win, title.c_str(), title.c_str(), nullptr, 0, hints, nullptr, nullptr);
    XFree(hints);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    XChangeProperty(d, win, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    Atom del = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, win, &del, 1);
    XSelectInput(d, win,
                 KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask | ExposureMask | PropertyChangeMask);
    XMapWindow(d, win);
    XFlush(d);
    const Atom frameExtents = XInternAtom(d, "_NET_FRAME_EXTENTS", False);
    while (true) {
        XEvent ev;
        XNextEvent(d, &ev);
        char buf[200];
        switch (ev.type) {
            case KeyPress:
            case KeyRelease: {
                const KeySym ks = XLookupKeysym(&ev.xkey, 0);
                const char* name = XKeysymToString(ks);
                std::snprintf(buf, sizeof buf, "%s %s",
                              ev.type == KeyPress ? "KeyPress" : "KeyRelease",
                              name ? name : "NoSymbol");
                logLine(buf);
                break;
            }
            case ButtonPress:
            case ButtonRelease:
                std::snprintf(buf, sizeof buf, "%s %u %d %d",
                              ev.type == ButtonPress ? "ButtonPress" : "ButtonRelease",
                              ev.xbutton.button, ev.xbutton.x_root, ev.xbutton.y_root);
                logLine(buf);
                break;
            case MapNotify:
            case ConfigureNotify:
            case ReparentNotify:
                logGeometry(d, win);
                break;
            case PropertyNotify:
                if (ev.xproperty.atom == frameExtents) logGeometry(d, win);
                break;
            case ClientMessage:
                if (static_cast<Atom>(ev.xclient.data.l[0]) == del) {
                    XCloseDisplay(d);
                    return 0;
                }
                break;
            default:
                break;
        }
    }
}
