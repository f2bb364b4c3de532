#include "platform/x11/x11_errors.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/debug_channel.h"

namespace orv::x11 {

namespace {

struct Tracked {
    Display* dpy;
    unsigned long count;
    std::vector<unsigned char> codes;  // since the last takeErrorCodes
};
constexpr std::size_t kKeptCodes = 64;

std::mutex g_mu;
std::vector<Tracked> g_tracked;

int onXError(Display* dpy, XErrorEvent* e) {
    {
        std::lock_guard<std::mutex> lock(g_mu);
        for (Tracked& t : g_tracked) {
            if (t.dpy != dpy) continue;
            ++t.count;
            if (t.codes.size() < kKeptCodes) t.codes.push_back(e->error_code);
        }
    }
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

}  // namespace

void installErrorHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        XInitThreads();
        XSetErrorHandler(onXError);
        XSetIOErrorHandler(onXIOError);
    });
}

void trackErrors(Display* dpy) {
    std::lock_guard<std::mutex> lock(g_mu);
    g_tracked.push_back({dpy, 0, {}});
}

void untrackErrors(Display* dpy) {
    std::lock_guard<std::mutex> lock(g_mu);
    std::erase_if(g_tracked, [dpy](const Tracked& t) { return t.dpy == dpy; });
}

unsigned long errorCount(Display* dpy) {
    std::lock_guard<std::mutex> lock(g_mu);
    for (const Tracked& t : g_tracked)
        if (t.dpy == dpy) return t.count;
    return 0;
}

std::vector<unsigned char> takeErrorCodes(Display* dpy) {
    std::lock_guard<std::mutex> lock(g_mu);
    for (Tracked& t : g_tracked)
        if (t.dpy == dpy) return std::exchange(t.codes, {});
    return {};
}

}  // namespace orv::x11
