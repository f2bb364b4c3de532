#include "app/frame/menu_rules.h"

#include <array>

#include "app/ids.h"

namespace orv::app {

namespace {

constexpr bool editorActive(const FrameState& s) {
    return s.active == ChildKind::Editor;
}
constexpr bool idle(const FrameState& s) {
    return s.activity == Activity::Idle;
}
// The active child is a window a breakpoint may be toggled from (the toolbox and the
// check-result window grey the toggle when they become active).
constexpr bool debuggerTarget(const FrameState& s) {
    return s.editors > 0 && s.active != ChildKind::Toolbox && s.active != ChildKind::CheckResult;
}
// Closing and arranging windows: there is a window besides the toolbox, and no paused debug
// run shows its variables.
constexpr bool windowCommands(const FrameState& s) {
    return s.windows > 0 && !s.variablesOpen;
}
// Select all, find and replace: an editor is active and no run, debug run or pause holds it.
constexpr bool editCommands(const FrameState& s) {
    return editorActive(s) && (idle(s) || s.activity == Activity::Recording);
}
// Run, check, debug run and step: an editor is active and nothing runs or records.
constexpr bool runCommands(const FrameState& s) {
    return editorActive(s) && idle(s);
}
constexpr bool paused(const FrameState& s) {
    return s.activity == Activity::Paused;
}

constexpr std::array kRules{
    MenuRule{ID_SAVE, [](const FrameState& s) { return editorActive(s) && s.activeModified; }},
    MenuRule{ID_SAVEAS, editorActive},
    MenuRule{ID_CUT, [](const FrameState& s) { return editorActive(s) && s.selection; }},
    MenuRule{ID_COPY, [](const FrameState& s) { return editorActive(s) && s.selection; }},
    MenuRule{ID_PASTE, [](const FrameState& s) { return s.editors > 0 && s.clipboard; }},
    MenuRule{ID_SELECTALL, editCommands},
    MenuRule{ID_FIND, editCommands},
    MenuRule{ID_REPLACE, editCommands},
    MenuRule{ID_TOOLBOX, [](const FrameState& s) { return !s.toolboxOpen; }},
    MenuRule{ID_CLOSEALL, windowCommands},
    MenuRule{ID_CLOSE, windowCommands},
    MenuRule{ID_TILE, windowCommands},
    MenuRule{ID_ARRANGE, windowCommands},
    MenuRule{ID_CASCADE, windowCommands},
    MenuRule{ID_RUN, runCommands},
    MenuRule{ID_CHECK, runCommands},
    MenuRule{ID_DEBUGRUN, runCommands},
    MenuRule{ID_STEP, runCommands},
    MenuRule{ID_CHECKRESULT, [](const FrameState& s) { return s.logExists && !s.checkResultOpen; }},
    MenuRule{ID_STOPDEBUG, paused},
    MenuRule{ID_NEXTLINE, paused},
    MenuRule{ID_CONTINUE, paused},
    MenuRule{ID_BREAKWIN, [](const FrameState& s) { return !s.breakpointsOpen && s.editors > 0; }},
    MenuRule{ID_VARWIN,
             [](const FrameState& s) {
                 return !s.variablesOpen && (s.activity == Activity::DebugRunning || paused(s));
             }},
    // Toggling acts on the last activated editor, but not from the variables window when no
    // debugging is on.
    MenuRule{ID_BREAKTOGGLE,
             [](const FrameState& s) {
                 return debuggerTarget(s) && s.active != ChildKind::None &&
                        !(s.active == ChildKind::Variables && idle(s));
             }},
    MenuRule{ID_RECORD, idle},
};

}  // namespace

std::span<const MenuRule> menuRules() {
    return kRules;
}

bool commandEnabled(int id, const FrameState& s) {
    for (const MenuRule& r : kRules)
        if (r.id == id) return r.enabled(s);
    return true;
}

}  // namespace orv::app
