// Speed and load of the hook library's input monitor under a private Xvfb:
//  - burst: 2,000 input events (500 clicks at distinct points and 500 key taps, each a press
//    and a release) driven by one xdotool process as fast as it goes; every click and key
//    must reach the record, in order. xdotool's own rate is the peer figure.
//  - idle: CPU time of this process over 10 s with the mouse and keyboard hooks installed
//    and no input.
// Usage: hook_bench [--idle-seconds N]
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/input_burst.h"
#include "hook/orvhook.h"
#include "recorder/recorder.h"
#include "tests/x11/harness.h"

namespace {

struct Sink {
    std::mutex lock;
    std::condition_variable cv;
    std::vector<std::string> lines;
    bool stopped = false;
    std::chrono::steady_clock::time_point last;

    static void deliver(void* ctx, const OrvHookDelivery* d) {
        auto& s = *static_cast<Sink*>(ctx);
        std::lock_guard<std::mutex> l(s.lock);
        if (d->kind == ORV_DELIVER_TEXT) {
            s.lines.emplace_back(d->text);
            s.last = std::chrono::steady_clock::now();
        } else if (d->kind == ORV_DELIVER_STOPPED) {
            s.stopped = true;
            s.cv.notify_all();
        }
    }
};

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Waits for the monitor's end after the hooks were removed and takes what was recorded.
std::vector<std::string> takeRecord(Sink& sink, int seconds,
                                    std::chrono::steady_clock::time_point* last) {
    std::unique_lock<std::mutex> l(sink.lock);
    sink.cv.wait_for(l, std::chrono::seconds(seconds), [&] { return sink.stopped; });
    std::vector<std::string> got = std::move(sink.lines);
    if (last) *last = sink.last;
    sink.lines.clear();
    sink.stopped = false;
    return got;
}

// The burst: true when every line arrived in order.
bool burst(orv::x11test::Session& session, Sink& sink) {
    const int clicks = 500;
    std::vector<std::string> expected;
    const std::string cmd = inputBurst(clicks, expected);
    for (std::string& line : expected) line += "\r\n";
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = session.run(cmd);
    const auto t1 = std::chrono::steady_clock::now();
    MendHook();
    KendHook();
    std::chrono::steady_clock::time_point last;
    const std::vector<std::string> got = takeRecord(sink, 30, &last);
    const double xdoMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
    const double lagMs =
        got.empty() ? 0.0 : std::chrono::duration<double, std::milli>(last - t1).count();
    std::size_t inOrder = 0;
    while (inOrder < got.size() && inOrder < expected.size() && got[inOrder] == expected[inOrder])
        ++inOrder;
    const bool complete = rc == 0 && got == expected;
    std::printf(
        "burst: %d input events (%d clicks, %d key taps) from xdotool in %.0f ms "
        "(%.0f events/s)\n",
        clicks * 4, clicks, clicks, xdoMs, clicks * 4 / (xdoMs / 1000.0));
    std::printf(
        "burst: recorded %zu of %zu lines, %zu in order; last line %.0f ms after "
        "xdotool ended: %s\n",
        got.size(), expected.size(), inOrder, lagMs, complete ? "complete" : "LOST");
    return complete;
}

// The idle load with both hooks installed: true when under 1% of a core.
bool idle(Sink& sink, int idleSeconds) {
    const double c0 = cpuSeconds();
    const auto w0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double c1 = cpuSeconds();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    MendHook();
    KendHook();
    takeRecord(sink, 10, nullptr);
    const double percent = 100.0 * (c1 - c0) / wall;
    std::printf("idle: %.4f %% of one core over %.1f s with both hooks installed (%s)\n", percent,
                wall, percent < 1.0 ? "under 1%" : "OVER 1%");
    return percent < 1.0;
}

}  // namespace

int main(int argc, char** argv) {
    int idleSeconds = 10;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--idle-seconds") == 0) idleSeconds = std::atoi(argv[i + 1]);
    if (idleSeconds < 1) idleSeconds = 1;

    orv::x11test::Session session;
    std::string why;
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) why = "xdotool is not installed";
    if (!why.empty() || !session.start(why, false)) {
        std::printf("hook_bench: skipped (%s)\n", why.c_str());
        return 0;
    }
    setenv("DISPLAY", session.display().c_str(), 1);
    Sink sink;
    OrvHookSetDelivery(Sink::deliver, &sink);
    SetMainHwnd(orv::recorder::kFrameWindow, orv::recorder::kRecordBufferWindow);
    Recflgset(1);
    if (MsetHook() != 0 || KsetHook() != 0) {
        std::printf("hook_bench: the monitor did not start\n");
        return 1;
    }
    const bool complete = burst(session, sink);
    if (MsetHook() != 0 || KsetHook() != 0) {
        std::printf("hook_bench: the monitor did not start again\n");
        return 1;
    }
    const bool quiet = idle(sink, idleSeconds);
    OrvHookSetDelivery(nullptr, nullptr);
    return complete && quiet ? 0 : 1;
}
