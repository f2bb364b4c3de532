#include "debugger/debug_session.h"

namespace orv::debugger {

bool DebugSession::breakpointHit(std::string_view title, int line1) {
    if (!matcher_.hit(title, line1)) return false;
    hot_.store(list_.find(title, line1), std::memory_order_release);
    return true;
}

bool DebugSession::openVariables(const RowTable& hVal) {
    if (variablesOpen_) return false;
    variables_.fill(hVal);
    variablesOpen_ = true;
    return true;
}

void DebugSession::refreshVariables(const RowTable& hVal) {
    if (variablesOpen_) variables_.refresh(hVal);
}

void DebugSession::closeVariables() {
    variables_.clear();
    variablesOpen_ = false;
}

}  // namespace orv::debugger
