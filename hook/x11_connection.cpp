// The input monitor's display connections: X errors on them are expected (a window vanished
// while we looked at it) and ignored, and a lost server stops the monitor instead of ending
// the process; other connections of the process keep the handlers they had.
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "hook/monitor_x11.h"

namespace orv::hook {

namespace {

std::mutex g_displaysLock;
std::vector<Display*> g_ourDisplays;
XErrorHandler g_previousErrorHandler = nullptr;
XIOErrorHandler g_previousIoErrorHandler = nullptr;
std::once_flag g_errorHandlerOnce;

bool isOurs(Display* d) {
    std::lock_guard<std::mutex> lock(g_displaysLock);
    return std::find(g_ourDisplays.begin(), g_ourDisplays.end(), d) != g_ourDisplays.end();
}

extern "C" int onXError(Display* d, XErrorEvent* e) {
    // Errors on the monitor's connections (a window vanished while we looked at it) are
    // expected and ignored; the calls that failed report it through their results.
    if (isOurs(d) || g_previousErrorHandler == nullptr) return 0;
    return g_previousErrorHandler(d, e);
}

extern "C" int onXIoError(Display* d) {
    // Our connections return here and end in onXIoErrorExit; others keep the handler that
    // was there before (which normally ends the process).
    if (isOurs(d) || g_previousIoErrorHandler == nullptr) return 0;
    return g_previousIoErrorHandler(d);
}

extern "C" void onXIoErrorExit(Display*, void* flag) {
    // The server went away: the monitor stops; never end the process.
    static_cast<std::atomic<bool>*>(flag)->store(true);
}

}  // namespace

Display* openOurDisplay(std::atomic<bool>* ioFailed) {
    std::call_once(g_errorHandlerOnce, [] {
        g_previousErrorHandler = XSetErrorHandler(onXError);
        g_previousIoErrorHandler = XSetIOErrorHandler(onXIoError);
    });
    Display* d = XOpenDisplay(nullptr);
    if (!d) return nullptr;
    XSetIOErrorExitHandler(d, onXIoErrorExit, ioFailed);
    std::lock_guard<std::mutex> lock(g_displaysLock);
    g_ourDisplays.push_back(d);
    return d;
}

void closeOurDisplay(Display* d, bool broken) {
    if (!d) return;
    {
        std::lock_guard<std::mutex> lock(g_displaysLock);
        g_ourDisplays.erase(std::remove(g_ourDisplays.begin(), g_ourDisplays.end(), d),
                            g_ourDisplays.end());
    }
    // A broken connection is not closed: Xlib would report the error again.
    if (!broken) XCloseDisplay(d);
}

}  // namespace orv::hook
