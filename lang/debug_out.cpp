#include "lang/debug_out.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "lang/text.h"

namespace orv::dbg {

namespace {
std::mutex& mu() {
    static std::mutex m;
    return m;
}
Sink& sink() {
    static Sink s;
    return s;
}
std::atomic<bool> haveSink{false};
bool envOn() {
    static const bool on = [] {
        const char* v = std::getenv("ORVANE_DEBUG");
        return v && std::strcmp(v, "1") == 0;
    }();
    return on;
}
}  // namespace

bool enabled() {
    return haveSink.load(std::memory_order_relaxed) || envOn();
}

void out(std::string_view line) {
    if (!enabled()) return;
    std::lock_guard<std::mutex> lock(mu());
    if (haveSink.load(std::memory_order_relaxed) && sink()) {
        sink()(line);
        return;
    }
    std::string u = cp932ToUtf8(line);
    while (!u.empty() && (u.back() == '\n' || u.back() == '\r')) u.pop_back();
    u += '\n';
    std::fwrite(u.data(), 1, u.size(), stderr);
}

void setSink(Sink s) {
    std::lock_guard<std::mutex> lock(mu());
    sink() = std::move(s);
    haveSink.store(static_cast<bool>(sink()), std::memory_order_relaxed);
}

}  // namespace orv::dbg
