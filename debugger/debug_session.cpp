#include "debugger/debug_session.h"

namespace orv::debugger {

void DebugSession::markHot(std::string_view title, int line1) {
    hot_.store(list_.find(title, line1), std::memory_order_release);
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
