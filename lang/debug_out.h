// The debug-output channel: one-line diagnostics (table dumps, window-search
// traces). Silent unless ORVANE_DEBUG=1 (then stderr, in UTF-8) or a sink is set.
#pragma once

#include <functional>
#include <string_view>

namespace orv::dbg {

using Sink = std::function<void(std::string_view cp932Line)>;

// True when a line written now would go somewhere; callers skip formatting otherwise.
bool enabled();
// Writes one debug string (CP932; usually ends in "\r\n").
void out(std::string_view cp932Line);
// Replaces the destination; an empty sink restores the default.
void setSink(Sink sink);

}  // namespace orv::dbg
