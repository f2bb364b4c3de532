#include "recorder/record_timing.h"

#include <algorithm>
#include <limits>

namespace orv::recorder {

namespace {

// The lines an action spends before the one that sends its first key or button event, by
// the start of its first line (any other line sends its event itself).
constexpr struct {
    std::string_view start;
    int linesBefore;
} kLeadingLines[] = {
    {"\tMMOVE ", 1},  // MMOVE x,y then MCLK, MDCLK or MDOWN
};

int linesBeforeFirstEvent(std::string_view firstLine) {
    for (const auto& l : kLeadingLines)
        if (firstLine.substr(0, l.start.size()) == l.start) return l.linesBefore;
    return 0;
}

// Server times wrap after 49.7 days; a difference beyond half of that is taken as no pause.
constexpr std::uint32_t kLongestPause = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kLongestWait = std::numeric_limits<std::int32_t>::max() / 10 * 10;

// The WAIT for a pause before an action (see the header): 0 when none is written.
std::int64_t waitFor(std::uint32_t pauseMs, int linesBefore, const WaitRule& rule) {
    const std::int64_t pause = pauseMs;
    const std::int64_t interval = std::max(rule.intervalMs, 0);
    const std::int64_t shortest = std::max(rule.shortestMs, 0);
    const std::int64_t rest = pause - (2 + linesBefore) * interval;
    const std::int64_t wait = std::min((rest + 5) / 10 * 10, kLongestWait);
    if (pauseMs > kLongestPause || pause < shortest || wait < shortest || wait <= 0) return 0;
    return wait;
}

}  // namespace

void TimedRecord::input(bool press, std::uint32_t serverTime) {
    if (!rule_.on) return;
    if (press && (!open_ || released_)) begin(serverTime);
    if (!open_) return;  // the release of a key held when the recording began
    if (!press) released_ = true;
    last_ = serverTime;
}

// A new action: the one before ends here, and counts when it wrote lines.
void TimedRecord::begin(std::uint32_t serverTime) {
    if (open_ && wrote_) {
        haveEnd_ = true;
        end_ = last_;
    }
    open_ = true;
    released_ = false;
    wrote_ = false;
    start_ = serverTime;
    last_ = serverTime;
}

void TimedRecord::line(std::string_view recordLine) {
    if (rule_.on && open_ && !wrote_) {
        wrote_ = true;
        if (haveEnd_) writeWait(recordLine);
    }
    text_ += recordLine;
}

void TimedRecord::writeWait(std::string_view firstLine) {
    const std::uint32_t pause = start_ - end_;  // wrap-safe
    const std::int64_t wait = waitFor(pause, linesBeforeFirstEvent(firstLine), rule_);
    if (wait > 0) text_ += "\tWAIT " + std::to_string(wait) + "\r\n";
}

}  // namespace orv::recorder
