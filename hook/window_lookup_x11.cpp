// The window lookups of the input monitor, made on its control connection: which window a
// click lands on and whether on its frame, and the record-stop window's place (SetWinLocProc).
#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hook/hook_state.h"
#include "hook/monitor_x11.h"
#include "lang/text.h"
#include "platform/x11/x11_props.h"

namespace orv::hook {

namespace {

// The most items a window list or a frame's extents are read with.
constexpr long kMaxListed = 4096;

thread_local Display* t_lookupDisplay = nullptr;

// The window among `w` and its descendants that the window manager manages (has WM_STATE).
Window clientOf(Display* d, Window w, Atom wmState, int depth) {
    if (x11::hasProperty(d, w, wmState)) return w;
    if (depth <= 0) return None;
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) return None;
    Window found = None;
    for (unsigned int i = n; i-- > 0 && found == None;)
        found = clientOf(d, children[i], wmState, depth - 1);
    if (children) XFree(children);
    return found;
}

bool rootRect(Display* d, Window w, int& x, int& y, int& wd, int& ht) {
    Window root, child;
    int gx, gy;
    unsigned int gw, gh, border, depth;
    if (!XGetGeometry(d, w, &root, &gx, &gy, &gw, &gh, &border, &depth)) return false;
    if (!XTranslateCoordinates(d, w, root, 0, 0, &x, &y, &child)) return false;
    wd = static_cast<int>(gw);
    ht = static_cast<int>(gh);
    return true;
}

// A window's title as UTF-8.
std::string windowTitle(Display* d, Window w) {
    return x11::windowTitle(d, w, XInternAtom(d, "_NET_WM_NAME", False),
                            XInternAtom(d, "UTF8_STRING", False));
}

}  // namespace

bool isClientArea(Display* d, int x, int y) {
    Window root = DefaultRootWindow(d);
    Window top = None;
    int tx, ty;
    if (!XTranslateCoordinates(d, root, root, x, y, &tx, &ty, &top) || top == None) return true;
    Atom wmState = XInternAtom(d, "WM_STATE", False);
    Window client = clientOf(d, top, wmState, 3);
    if (client == None || client == top) return true;
    int cx, cy, cw, ch;
    if (!rootRect(d, client, cx, cy, cw, ch)) return true;
    return x >= cx && x < cx + cw && y >= cy && y < cy + ch;
}

void refreshStopWindow(Display* d) {
    Window root = DefaultRootWindow(d);
    std::vector<long> clients;
    std::vector<Window> windows;
    if (x11::readLongs(d, root, XInternAtom(d, "_NET_CLIENT_LIST", False), AnyPropertyType, clients,
                       kMaxListed)) {
        for (long c : clients) windows.push_back(static_cast<Window>(c));
    } else {
        Window r, parent, *children = nullptr;
        unsigned int n = 0;
        if (XQueryTree(d, root, &r, &parent, &children, &n)) {
            Atom wmState = XInternAtom(d, "WM_STATE", False);
            for (unsigned int i = 0; i < n; ++i) {
                Window c = clientOf(d, children[i], wmState, 2);
                windows.push_back(c != None ? c : children[i]);
            }
        }
        if (children) XFree(children);
    }
    Display* saved = t_lookupDisplay;
    t_lookupDisplay = d;
    for (Window w : windows)
        if (SetWinLocProc(static_cast<std::int32_t>(w), 0) == 0) break;
    t_lookupDisplay = saved;
}

}  // namespace orv::hook

using namespace orv::hook;

extern "C" {

int32_t SetWinLocProc(int32_t window, int32_t) {
    Display* d = t_lookupDisplay;
    std::atomic<bool> ioFailed{false};
    bool temporary = false;
    if (!d) {
        d = openOurDisplay(&ioFailed);
        if (!d) return 1;
        temporary = true;
    }
    const auto w = static_cast<Window>(static_cast<std::uint32_t>(window));
    std::string caption = orv::utf8ToCp932Lossy(windowTitle(d, w));
    if (caption.size() > 255) caption.resize(255);
    int result = 1;
    if (caption == orv::sj("マクロ記録停止")) {
        int x, y, wd, ht;
        if (rootRect(d, w, x, y, wd, ht)) {
            // The window's outer rectangle: add the frame the window manager drew, if any.
            std::vector<long> ext;
            if (orv::x11::readLongs(d, w, XInternAtom(d, "_NET_FRAME_EXTENTS", False),
                                    AnyPropertyType, ext, kMaxListed) &&
                ext.size() == 4) {
                x -= static_cast<int>(ext[0]);
                wd += static_cast<int>(ext[0] + ext[1]);
                y -= static_cast<int>(ext[2]);
                ht += static_cast<int>(ext[2] + ext[3]);
            }
            // Right and bottom lie one pixel beyond the window, as a desktop window
            // rectangle has them; the stop-window test includes them.
            OrvHookSetStopRect(x, y, x + wd, y + ht);
        }
        result = 0;
    }
    if (temporary) closeOurDisplay(d, ioFailed.load());
    return result;
}

}  // extern "C"
