// What the debugger shows while a macro is debugged, shared by orvane's windows and
// `orvane-cli debug`: the breakpoint test of the worker (with the list's hot item it sets)
// and the variables view, open from a pause until debugging goes on or ends.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "debugger/breakpoints.h"
#include "debugger/variables.h"
#include "lang/row_table.h"

namespace orv::debugger {

class DebugSession {
  public:
    explicit DebugSession(BreakpointList& list) : list_(list), matcher_(list) {}

    BreakpointList& breakpoints() { return list_; }

    // The worker's test before a row of line `line1` of the macro titled `title`: true at a
    // breakpoint, whose item then becomes the hot item. Called by one thread at a time.
    bool breakpointHit(std::string_view title, int line1) {
        if (!matcher_.hit(title, line1)) return false;
        markHot(title, line1);
        return true;
    }
    // Moves with every edit of the breakpoint list (RunHost::breakpointVersion).
    const std::atomic<std::uint64_t>& version() const { return list_.versionCounter(); }
    // The item marked at the last stop, or -1.
    int hotItem() const { return hot_.load(std::memory_order_acquire); }
    void clearHot() { hot_.store(-1, std::memory_order_release); }

    // The variables view: filled from hVal when it opens (false when it was open already),
    // refreshed in place, and closed.
    bool openVariables(const RowTable& hVal);
    void refreshVariables(const RowTable& hVal);
    void closeVariables();
    const VariablesView& variables() const { return variables_; }

  private:
    void markHot(std::string_view title, int line1);

    BreakpointList& list_;
    BreakpointMatcher matcher_;
    std::atomic<int> hot_{-1};
    VariablesView variables_;
    bool variablesOpen_ = false;
};

}  // namespace orv::debugger
