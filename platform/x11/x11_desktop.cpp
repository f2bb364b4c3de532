#include "platform/x11/x11_desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "lang/text.h"
#include "platform/debug_channel.h"
#include "platform/x11/vk_keysym.h"

extern char** environ;

// The hook library's note of the program's own key events, when that library is linked in
// (a weak reference: this backend does not depend on it).
extern "C" void OrvHookNoteInjectedKey(std::int32_t virtualKey, std::int32_t down)
    __attribute__((weak));

namespace orv {

namespace {

std::atomic<InjectedKeyNote> g_keyNote{nullptr};

// X errors are counted per connection and never end the process.
std::mutex g_errMu;
std::vector<std::pair<Display*, unsigned long>> g_errCounts;

int onXError(Display* dpy, XErrorEvent* e) {
    std::lock_guard<std::mutex> lock(g_errMu);
    for (auto& c : g_errCounts)
        if (c.first == dpy) ++c.second;
    if (platform::enabled()) {
        char line[160];
        std::snprintf(line, sizeof line, "X11: error %d (request %d.%d) on resource 0x%lx\r\n",
                      e->error_code, e->request_code, e->minor_code, e->resourceid);
        platform::out(line);
    }
    return 0;
}

int onXIOError(Display*) {
    std::fputs("orvane: the connection to the X display was lost\n", stderr);
    return 0;  // Xlib ends the process after this handler
}

void installHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        XInitThreads();
        XSetErrorHandler(onXError);
        XSetIOErrorHandler(onXIOError);
    });
}

int clamp16(int v) {
    return std::clamp(v, -32768, 32767);
}
int clampSize(long v) {
    return static_cast<int>(std::clamp(v, 1L, 32767L));
}

// CP932 text cut to at most `max` bytes without splitting a double-byte character.
void cutCp932(std::string& s, std::size_t max) {
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
        if (i + n > max) break;
        i += n;
    }
    if (i < s.size()) s.resize(i);
}

std::string latin1ToUtf8(const unsigned char* p, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] < 0x80) {
            out += static_cast<char>(p[i]);
        } else {
            out += static_cast<char>(0xC0 | (p[i] >> 6));
            out += static_cast<char>(0x80 | (p[i] & 0x3F));
        }
    }
    return out;
}

using Clock = std::chrono::steady_clock;

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

void setInjectedKeyNote(InjectedKeyNote note) {
    g_keyNote.store(note);
}

namespace {

// The backend: the connection, the atoms it uses, the keyboard state it keeps, and the
// Desktop operations (each under the mutex).
struct XlibDesktop final : X11Desktop {
    Display* dpy = nullptr;
    Window root = 0;
    int screen = 0;
    int settleMs = 500;
    std::mutex mu;

    Atom aStacking{}, aClientList{}, aCheck{}, aSupported{}, aWmName{}, aUtf8{}, aPid{}, aExtents{},
        aActive{}, aClose{}, aMoveResize{}, aRestack{}, aProtocols{}, aDelete{}, aWmState{};

    // Keyboard: the core mapping as last read, the spare keycodes (no keysym at all) and
    // the keysyms currently lent to spare keycodes.
    int minKc = 8, maxKc = 255, perKc = 0;
    std::vector<KeySym> map;
    std::vector<KeyCode> spare;
    struct Lent {
        KeyCode kc;
        KeySym sym;
        std::uint64_t used;
        bool held;
    };
    std::vector<Lent> lent;
    std::uint64_t useClock = 0;
    // Keycodes that repeat by themselves while held (read at connection), and those whose
    // repeat we switched off while our key-down holds them.
    char repeats[32] = {};
    std::vector<KeyCode> quieted;

    // ---- properties

    // Reads a property of format 32 as longs; false when it is missing or of another type.
    bool getLongs(Window w, Atom prop, Atom type, std::vector<long>& out, long max = 1 << 20) {
        out.clear();
        Atom actual = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, w, prop, 0, max, False, type, &actual, &format, &n, &after,
                               &data) != Success) {
            return false;
        }
        bool ok = data && actual == type && format == 32;
        if (ok) {
            const long* v = reinterpret_cast<const long*>(data);
            out.assign(v, v + n);
        }
        if (data) XFree(data);
        return ok;
    }

    bool getBytes(Window w, Atom prop, Atom type, std::string& out) {
        out.clear();
        Atom actual = 0;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, w, prop, 0, 1 << 16, False, type, &actual, &format, &n, &after,
                               &data) != Success) {
            return false;
        }
        bool ok = data && actual == type && format == 8;
        if (ok) out.assign(reinterpret_cast<const char*>(data), n);
        if (data) XFree(data);
        return ok;
    }

    // The EWMH window manager's list of supported atoms; empty when none runs.
    std::vector<long> wmSupported() {
        std::vector<long> v;
        if (!getLongs(root, aCheck, XA_WINDOW, v, 1) || v.empty()) return {};
        Window w = static_cast<Window>(v[0]);
        std::vector<long> self;
        if (!getLongs(w, aCheck, XA_WINDOW, self, 1) || self.empty() ||
            static_cast<Window>(self[0]) != w) {
            return {};
        }
        std::vector<long> sup;
        getLongs(root, aSupported, XA_ATOM, sup);
        return sup;
    }

    bool wmSupports(Atom a) {
        std::vector<long> sup = wmSupported();
        return std::find(sup.begin(), sup.end(), static_cast<long>(a)) != sup.end();
    }

    std::string titleUtf8(Window w, bool& found) {
        found = true;
        std::string s;
        if (getBytes(w, aWmName, aUtf8, s)) return s;
        XTextProperty tp{};
        if (XGetWMName(dpy, w, &tp) && tp.value) {
            char** list = nullptr;
            int count = 0;
            std::string out;
            if (tp.encoding == XA_STRING && tp.format == 8) {
                out = latin1ToUtf8(tp.value, tp.nitems);
            } else if (Xutf8TextPropertyToTextList(dpy, &tp, &list, &count) >= Success && list) {
                for (int i = 0; i < count; ++i)
                    if (list[i]) out += list[i];
                XFreeStringList(list);
            } else if (tp.format == 8) {
                out.assign(reinterpret_cast<const char*>(tp.value), tp.nitems);
            }
            XFree(tp.value);
            return out;
        }
        if (tp.value) XFree(tp.value);
        found = false;
        return {};
    }

    // The outer rectangle (frame included); false when the window is gone.
    bool outerRect(Window w, int& left, int& top, int& width, int& height) {
        Window r = 0, child = 0;
        int gx = 0, gy = 0;
        unsigned gw = 0, gh = 0, bw = 0, depth = 0;
        if (!XGetGeometry(dpy, w, &r, &gx, &gy, &gw, &gh, &bw, &depth)) return false;
        int x = 0, y = 0;
        if (!XTranslateCoordinates(dpy, w, root, 0, 0, &x, &y, &child)) return false;
        long el = 0, er = 0, et = 0, eb = 0;
        std::vector<long> ext;
        if (getLongs(w, aExtents, XA_CARDINAL, ext, 4) && ext.size() == 4) {
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
    bool decoration(Window w, long& dx, long& dy) {
        Window r = 0;
        int gx = 0, gy = 0;
        unsigned gw = 0, gh = 0, bw = 0, depth = 0;
        if (!XGetGeometry(dpy, w, &r, &gx, &gy, &gw, &gh, &bw, &depth)) return false;
        dx = dy = 2 * static_cast<long>(bw);
        std::vector<long> ext;
        if (getLongs(w, aExtents, XA_CARDINAL, ext, 4) && ext.size() == 4) {
            dx += ext[0] + ext[1];
            dy += ext[2] + ext[3];
        }
        return true;
    }

    bool iconic(Window w) {
        std::vector<long> st;
        return getLongs(w, aWmState, aWmState, st, 2) && !st.empty() && st[0] == IconicState;
    }

    bool info(Window w, WindowInfo& out) {
        out = WindowInfo{};
        out.id = w;
        if (!outerRect(w, out.left, out.top, out.width, out.height)) return false;
        bool found = false;
        std::string u = titleUtf8(w, found);
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
        if (getLongs(w, aPid, XA_CARDINAL, pid, 1) && !pid.empty())
            out.pid = static_cast<int>(pid[0]);
        return true;
    }

    std::vector<Window> stacking(bool& managed) {
        std::vector<Window> out;
        managed = false;
        if (!wmSupported().empty()) {
            std::vector<long> v;
            if (getLongs(root, aStacking, XA_WINDOW, v) ||
                getLongs(root, aClientList, XA_WINDOW, v)) {
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

    void rootMessage(Window w, Atom type, long l0, long l1, long l2, long l3, long l4) {
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

    void raiseAndShow(Window w) {
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
    void configure(Window w, bool move, int left, int top, bool size, int width, int height) {
        WindowInfo cur;
        if (!info(w, cur)) return;
        long dx = 0, dy = 0;
        if (!decoration(w, dx, dy)) return;
        int cw = clampSize(width - dx), ch = clampSize(height - dy);
        auto reached = [&] {
            int l = 0, t = 0, wd = 0, ht = 0;
            if (!outerRect(w, l, t, wd, ht)) return true;  // gone: nothing to wait for
            return (!move || (l == left && t == top)) &&
                   (!size || (wd == cw + dx && ht == ch + dy));
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

    // ---- keyboard

    void readMapping() {
        XDisplayKeycodes(dpy, &minKc, &maxKc);
        int count = maxKc - minKc + 1;
        int per = 0;
        KeySym* syms = XGetKeyboardMapping(dpy, static_cast<KeyCode>(minKc), count, &per);
        map.clear();
        perKc = 0;
        if (syms && per > 0) {
            map.assign(syms,
                       syms + static_cast<std::size_t>(count) * static_cast<std::size_t>(per));
            perKc = per;
        }
        if (syms) XFree(syms);
    }

    void findSpare() {
        spare.clear();
        for (int kc = minKc; kc <= maxKc; ++kc) {
            bool empty = true;
            for (int c = 0; c < perKc && empty; ++c)
                empty = map[static_cast<std::size_t>((kc - minKc) * perKc + c)] == NoSymbol;
            if (empty) spare.push_back(static_cast<KeyCode>(kc));
        }
    }

    void checkMappingChange() {
        XEvent e;
        bool changed = false;
        while (XCheckTypedEvent(dpy, MappingNotify, &e)) {
            XRefreshKeyboardMapping(&e.xmapping);
            if (e.xmapping.request == MappingKeyboard) changed = true;
        }
        if (changed) readMapping();
    }

    // The keycode that produces `sym` without modifiers, lending a spare keycode when the
    // current mapping has none. 0 when no keycode can be had.
    KeyCode keycodeFor(KeySym sym) {
        for (Lent& l : lent) {
            if (l.sym == sym) {
                l.used = ++useClock;
                return l.kc;
            }
        }
        for (int kc = minKc; kc <= maxKc && perKc > 0; ++kc) {
            if (map[static_cast<std::size_t>((kc - minKc) * perKc)] == sym) {
                bool isLent = false;
                for (const Lent& l : lent) isLent = isLent || l.kc == kc;
                if (!isLent) return static_cast<KeyCode>(kc);
            }
        }
        // Lend a spare keycode: a never used one first, else the least recently used one
        // that is not held down.
        KeyCode kc = 0;
        Lent* reuse = nullptr;
        for (KeyCode s : spare) {
            bool used = false;
            for (const Lent& l : lent) used = used || l.kc == s;
            if (!used) {
                kc = s;
                break;
            }
        }
        if (!kc) {
            for (Lent& l : lent)
                if (!l.held && (!reuse || l.used < reuse->used)) reuse = &l;
            if (!reuse) return 0;
            kc = reuse->kc;
        }
        KeySym pair[2] = {sym, sym};
        XChangeKeyboardMapping(dpy, kc, 2, pair, 1);
        if (reuse) {
            reuse->sym = sym;
            reuse->used = ++useClock;
        } else {
            lent.push_back({kc, sym, ++useClock, false});
        }
        return kc;
    }

    // The server repeats a held key by itself; a key held by the macro (MTAB sends key-downs
    // only) must not start typing on its own, so its repeat is off while we hold it.
    void setRepeat(KeyCode kc, bool on) {
        XKeyboardControl kb{};
        kb.key = kc;
        kb.auto_repeat_mode = on ? AutoRepeatModeOn : AutoRepeatModeOff;
        XChangeKeyboardControl(dpy, KBKey | KBAutoRepeatMode, &kb);
    }

    // Sends one key event. A key-down of a key that is already down (MTAB's second TAB) is
    // sent the way the server itself delivers a repeated key to its clients: a release
    // followed at once by a press. (The server drops a second press of a held key whose
    // repeat is off, and with its repeat on it would go on repeating the key by itself.)
    void sendKey(KeyCode kc, bool down) {
        auto it = std::find(quieted.begin(), quieted.end(), kc);
        if (down && it != quieted.end()) {
            XTestFakeKeyEvent(dpy, kc, False, CurrentTime);
            XTestFakeKeyEvent(dpy, kc, True, CurrentTime);
        } else if (down) {
            if (repeats[kc / 8] & (1 << (kc % 8))) {
                setRepeat(kc, false);
                quieted.push_back(kc);
            }
            XTestFakeKeyEvent(dpy, kc, True, CurrentTime);
        } else {
            XTestFakeKeyEvent(dpy, kc, False, CurrentTime);
            if (it != quieted.end()) {
                quieted.erase(it);
                setRepeat(kc, true);
            }
        }
    }

    // The key stays down (no key-up is made for it), but its repeat setting is given back:
    // the server does not start repeating a key that was pressed while its repeat was off.
    void restoreRepeat() {
        for (KeyCode kc : quieted) setRepeat(kc, true);
        quieted.clear();
    }

    void restoreLent() {
        if (lent.empty()) return;
        // Clients translate a key lazily from the mapping they fetch after MappingNotify:
        // give them a moment to read the lent keysyms before they disappear.
        XSync(dpy, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        for (const Lent& l : lent) {
            KeySym none[2] = {NoSymbol, NoSymbol};
            XChangeKeyboardMapping(dpy, l.kc, 2, none, 1);
        }
        lent.clear();
        XSync(dpy, False);
    }

    // ---- the Desktop operations

    ~XlibDesktop() override {
        std::lock_guard<std::mutex> lock(mu);
        restoreRepeat();
        restoreLent();
        XSync(dpy, False);
        XCloseDisplay(dpy);
        std::lock_guard<std::mutex> elock(g_errMu);
        for (std::size_t i = 0; i < g_errCounts.size(); ++i) {
            if (g_errCounts[i].first == dpy) {
                g_errCounts.erase(g_errCounts.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }

    Point cursor() override {
        std::lock_guard<std::mutex> lock(mu);
        Window r = 0, child = 0;
        int rx = 0, ry = 0, wx = 0, wy = 0;
        unsigned mask = 0;
        // A round trip: every event sent before it has been processed when it answers.
        XQueryPointer(dpy, root, &r, &child, &rx, &ry, &wx, &wy, &mask);
        return {rx, ry};
    }

    void setCursor(int x, int y) override {
        std::lock_guard<std::mutex> lock(mu);
        XTestFakeMotionEvent(dpy, screen, clamp16(x), clamp16(y), CurrentTime);
        XFlush(dpy);
    }

    void mouseButton(MouseButton button, bool down) override {
        std::lock_guard<std::mutex> lock(mu);
        unsigned b = button == MouseButton::Left ? 1 : button == MouseButton::Middle ? 2 : 3;
        XTestFakeButtonEvent(dpy, b, down ? True : False, CurrentTime);
        XFlush(dpy);
    }

    void key(int vk, bool down) override {
        std::lock_guard<std::mutex> lock(mu);
        KeySym sym = x11::keysymForVk(vk);
        if (sym == NoSymbol) return;
        checkMappingChange();
        KeyCode kc = keycodeFor(sym);
        if (!kc) return;
        for (auto& l : lent)
            if (l.kc == kc) l.held = down;
        if (InjectedKeyNote note = g_keyNote.load())
            note(vk, kc, down);
        else if (&OrvHookNoteInjectedKey != nullptr)
            OrvHookNoteInjectedKey(vk, down ? 1 : 0);
        sendKey(kc, down);
        XFlush(dpy);
    }

    std::vector<WindowInfo> windows() override {
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

    void activate(std::uint64_t id) override {
        std::lock_guard<std::mutex> lock(mu);
        Window w = static_cast<Window>(id);
        if (wmSupports(aActive)) {
            if (iconic(w)) return;  // a minimised window stays minimised
            rootMessage(w, aActive, 2, CurrentTime, 0, 0, 0);
            XFlush(dpy);
            settle(
                [&] {
                    std::vector<long> v;
                    return !getLongs(root, aActive, XA_WINDOW, v, 1) || v.empty() ||
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

    void requestClose(std::uint64_t id) override {
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

    void moveWindow(std::uint64_t id, int left, int top) override {
        std::lock_guard<std::mutex> lock(mu);
        configure(static_cast<Window>(id), true, clamp16(left), clamp16(top), false, 0, 0);
    }

    void resizeWindow(std::uint64_t id, int width, int height) override {
        std::lock_guard<std::mutex> lock(mu);
        configure(static_cast<Window>(id), false, 0, 0, true, width, height);
    }

    void open(const std::string& path) override {
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

    bool hasWindowManager() override {
        std::lock_guard<std::mutex> lock(mu);
        return !wmSupported().empty();
    }

    unsigned long errorCount() const override {
        std::lock_guard<std::mutex> lock(g_errMu);
        for (const auto& c : g_errCounts)
            if (c.first == dpy) return c.second;
        return 0;
    }

    void sync() override {
        std::lock_guard<std::mutex> lock(mu);
        XSync(dpy, False);
    }

    void setSettleTimeout(int ms) override {
        std::lock_guard<std::mutex> lock(mu);
        settleMs = std::clamp(ms, 0, 10000);
    }
};

}  // namespace

std::unique_ptr<X11Desktop> X11Desktop::connect(const std::string& displayName,
                                                std::string& message) {
    installHandlers();
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
    {
        std::lock_guard<std::mutex> lock(g_errMu);
        g_errCounts.emplace_back(dpy, 0);
    }
    auto d = std::make_unique<XlibDesktop>();
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
