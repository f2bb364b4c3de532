// The X11 desktop's windows: the properties it reads (EWMH where a window manager supports
// it, plain Xlib otherwise), each window's outer rectangle, title and class, the stacking
// order, and the window commands with their bounded wait for the window manager.
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

#include "lang/text.h"
#include "platform/x11/x11_props.h"
#include "platform/x11/xlib_desktop.h"

namespace orv::x11 {

namespace {

using Clock = std::chrono::steady_clock;

int clampSize(long v) {
    return static_cast<int>(std::clamp(v, 1L, 32767L));
}

// CP932 text cut to at most `max` bytes without splitting a double-byte character.
void cutCp932(std::string& s, std::size_t max) {
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = isCp932LeadByte(c) ? 2 : 1;
        if (i + n > max) break;
        i += n;
    }
    if (i < s.size()) s.resize(i);
}

// Polls `done` until it holds or the settle time is over.
template <class F>
bool settle(F done, int ms) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (done()) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

// The EWMH window manager's list of supported atoms; empty when none runs.
std::vector<long> XlibDesktop::wmSupported() {
    std::vector<long> v;
    if (!readLongs(dpy, root, aCheck, XA_WINDOW, v, 1) || v.empty()) return {};
    Window w = static_cast<Window>(v[0]);
    std::vector<long> self;
    if (!readLongs(dpy, w, aCheck, XA_WINDOW, self, 1) || self.empty() ||
        static_cast<Window>(self[0]) != w) {
        return {};
    }
    std::vector<long> sup;
    readLongs(dpy, root, aSupported, XA_ATOM, sup);
    return sup;
}

bool XlibDesktop::wmSupports(Atom a) {
    std::vector<long> sup = wmSupported();
    return std::find(sup.begin(), sup.end(), static_cast<long>(a)) != sup.end();
}

// The outer rectangle (frame included); false when the window is gone.
bool XlibDesktop::outerRect(Window w, int& left, int& top, int& width, int& height) {
    Window r = 0, child = 0;
    int gx = 0, gy = 0;
    unsigned gw = 0, gh = 0, bw = 0, depth = 0;
    if (!XGetGeometry(dpy, w, &r, &gx, &gy, &gw, &gh, &bw, &depth)) return false;
    int x = 0, y = 0;
    if (!XTranslateCoordinates(dpy, w, root, 0, 0, &x, &y, &child)) return false;
    long el = 0, er = 0, et = 0, eb = 0;
    std::vector<long> ext;
    if (readLongs(dpy, w, aExtents, XA_CARDINAL, ext, 4) && ext.size() == 4) {
        el = ext[0];
        er = ext[1];
        et = ext[2];
        eb = ext[3];
    }
    long b = static_cast<long>(bw);
    left = static_cast<int>(x - b - el);
    top = static_cast<int>(y - b - et);
    width = static_cast<int>(static_cast<long>(gw) + 2 * b + el + er);
    height = static_cast<int>(static_cast<long>(gh) + 2 * b + et + eb);
    return true;
}

// Frame extents plus borders: (left+right, top+bottom) added to the client size.
bool XlibDesktop::decoration(Window w, long& dx, long& dy) {
    Window r = 0;
    int gx = 0, gy = 0;
    unsigned gw = 0, gh = 0, bw = 0, depth = 0;
    if (!XGetGeometry(dpy, w, &r, &gx, &gy, &gw, &gh, &bw, &depth)) return false;
    dx = dy = 2 * static_cast<long>(bw);
    std::vector<long> ext;
    if (readLongs(dpy, w, aExtents, XA_CARDINAL, ext, 4) && ext.size() == 4) {
        dx += ext[0] + ext[1];
        dy += ext[2] + ext[3];
    }
    return true;
}

bool XlibDesktop::iconic(Window w) {
    std::vector<long> st;
    return readLongs(dpy, w, aWmState, aWmState, st, 2) && !st.empty() && st[0] == IconicState;
}

bool XlibDesktop::info(Window w, WindowInfo& out) {
    out = WindowInfo{};
    out.id = w;
    if (!outerRect(w, out.left, out.top, out.width, out.height)) return false;
    std::string u = windowTitle(dpy, w, aWmName, aUtf8);
    if (std::optional<std::string> t = utf8ToCp932(u)) {
        out.title = std::move(*t);
        cutCp932(out.title, 255);
    } else {
        // A title CP932 cannot hold: shown approximately, but marked with a zero byte
        // that no caption of a macro can contain, so it never matches.
        out.title = utf8ToCp932Lossy(u);
        cutCp932(out.title, 254);
        out.title += '\0';
    }
    XClassHint hint{};
    if (XGetClassHint(dpy, w, &hint)) {
        if (hint.res_class) out.className = utf8ToCp932Lossy(hint.res_class);
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
    }
    std::vector<long> pid;
    if (readLongs(dpy, w, aPid, XA_CARDINAL, pid, 1) && !pid.empty())
        out.pid = static_cast<int>(pid[0]);
    return true;
}

std::vector<Window> XlibDesktop::stacking(bool& managed) {
    std::vector<Window> out;
    managed = false;
    if (!wmSupported().empty()) {
        std::vector<long> v;
        if (readLongs(dpy, root, aStacking, XA_WINDOW, v) ||
            readLongs(dpy, root, aClientList, XA_WINDOW, v)) {
            managed = true;
            for (auto it = v.rbegin(); it != v.rend(); ++it)
                out.push_back(static_cast<Window>(*it));
            return out;
        }
    }
    Window r = 0, parent = 0;
    Window* kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(dpy, root, &r, &parent, &kids, &n)) return out;
    for (unsigned i = n; i-- > 0;) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(dpy, kids[i], &a)) continue;
        if (a.map_state == IsUnmapped || a.override_redirect) continue;
        out.push_back(kids[i]);
    }
    if (kids) XFree(kids);
    return out;
}

void XlibDesktop::rootMessage(Window w, Atom type, long l0, long l1, long l2, long l3, long l4) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = l0;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

void XlibDesktop::raiseAndShow(Window w) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(dpy, w, &a) && a.map_state == IsUnmapped && !iconic(w))
        XMapWindow(dpy, w);
    if (wmSupports(aRestack))
        rootMessage(w, aRestack, 2, 0, Above, 0, 0);
    else
        XRaiseWindow(dpy, w);
}

// Moves and/or sizes the outer frame (NorthWest gravity: the frame's corner is the
// reference whatever the client's own gravity hint says), raises and shows the window,
// and waits a bounded time for the change to show.
void XlibDesktop::configure(Window w, bool move, int left, int top, bool size, int width,
                            int height) {
    WindowInfo cur;
    if (!info(w, cur)) return;
    long dx = 0, dy = 0;
    if (!decoration(w, dx, dy)) return;
    int cw = clampSize(width - dx), ch = clampSize(height - dy);
    auto reached = [&] {
        int l = 0, t = 0, wd = 0, ht = 0;
        if (!outerRect(w, l, t, wd, ht)) return true;  // gone: nothing to wait for
        return (!move || (l == left && t == top)) && (!size || (wd == cw + dx && ht == ch + dy));
    };
    bool needed = !reached();
    if (wmSupports(aMoveResize)) {
        long flags = 1 /* NorthWest */ | (2L << 12);
        if (move) flags |= (1L << 8) | (1L << 9);
        if (size) flags |= (1L << 10) | (1L << 11);
        auto send = [&](int l, int t, int wd, int ht) {
            rootMessage(w, aMoveResize, flags, l, t, wd, ht);
            XFlush(dpy);
        };
        if (needed) send(left, top, cw, ch);
        raiseAndShow(w);
        XFlush(dpy);
        if (needed && !settle(reached, std::min(settleMs, 150))) {
            // The window manager may drop a request equal to its previous one: nudge
            // the window a pixel and ask again.
            send(move ? left + 1 : left, top, size ? cw + 1 : cw, ch);
            send(left, top, cw, ch);
            settle(reached, std::max(0, settleMs - 150));
        }
    } else {
        if (move && size)
            XMoveResizeWindow(dpy, w, left, top, static_cast<unsigned>(cw),
                              static_cast<unsigned>(ch));
        else if (move)
            XMoveWindow(dpy, w, left, top);
        else if (size)
            XResizeWindow(dpy, w, static_cast<unsigned>(cw), static_cast<unsigned>(ch));
        raiseAndShow(w);
        XSync(dpy, False);
        if (needed) settle(reached, settleMs);
    }
}

std::vector<WindowInfo> XlibDesktop::windows() {
    std::lock_guard<std::mutex> lock(mu);
    XSync(dpy, False);
    bool managed = false;
    std::vector<Window> ids = stacking(managed);
    std::vector<WindowInfo> out;
    out.reserve(ids.size());
    for (Window w : ids) {
        WindowInfo wi;
        if (info(w, wi)) out.push_back(std::move(wi));  // a vanished window is left out
    }
    return out;
}

void XlibDesktop::activate(std::uint64_t id) {
    std::lock_guard<std::mutex> lock(mu);
    Window w = static_cast<Window>(id);
    if (wmSupports(aActive)) {
        if (iconic(w)) return;  // a minimised window stays minimised
        rootMessage(w, aActive, 2, CurrentTime, 0, 0, 0);
        XFlush(dpy);
        settle(
            [&] {
                std::vector<long> v;
                return !readLongs(dpy, root, aActive, XA_WINDOW, v, 1) || v.empty() ||
                       static_cast<Window>(v[0]) == w;
            },
            settleMs);
        return;
    }
    XWindowAttributes a{};
    if (!XGetWindowAttributes(dpy, w, &a) || a.map_state != IsViewable) return;
    XRaiseWindow(dpy, w);
    XSetInputFocus(dpy, w, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
}

void XlibDesktop::requestClose(std::uint64_t id) {
    std::lock_guard<std::mutex> lock(mu);
    Window w = static_cast<Window>(id);
    if (wmSupports(aClose)) {
        rootMessage(w, aClose, CurrentTime, 2, 0, 0, 0);
    } else {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = aProtocols;
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(aDelete);
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, w, False, NoEventMask, &e);
    }
    XFlush(dpy);
}

void XlibDesktop::moveWindow(std::uint64_t id, int left, int top) {
    std::lock_guard<std::mutex> lock(mu);
    configure(static_cast<Window>(id), true, clamp16(left), clamp16(top), false, 0, 0);
}

void XlibDesktop::resizeWindow(std::uint64_t id, int width, int height) {
    std::lock_guard<std::mutex> lock(mu);
    configure(static_cast<Window>(id), false, 0, 0, true, width, height);
}

}  // namespace orv::x11
