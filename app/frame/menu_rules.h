// The one place that decides which commands of menu 102 are enabled: a table of rules over
// the program's state as the frame sees it at one moment (FrameState). The frame gathers the
// state from its controllers and applies every rule whenever that state changes.
#pragma once

#include <span>

namespace orv::app {

// What the active MDI child is (by its window class).
enum class ChildKind { None, Editor, Toolbox, CheckResult, Breakpoints, Variables };

// What the program is doing: nothing, a run (or an automatic run) whose rows execute or that
// is ending, a debug run whose rows execute, a paused debug run or step run, a recording.
enum class Activity { Idle, Running, DebugRunning, Paused, Recording };

struct FrameState {
    Activity activity = Activity::Idle;
    int editors = 0;  // open macro editors
    int windows = 0;  // MDI children other than the toolbox
    ChildKind active = ChildKind::None;
    bool activeModified = false;  // the active editor's text is modified
    // Sampled by the per-second menu timer only (its rule: nothing changes while no editor is
    // open): the active editor has a selection, the clipboard holds data.
    bool selection = false;
    bool clipboard = false;
    bool toolboxOpen = false;
    bool checkResultOpen = false;
    bool logExists = false;  // comp.his in the start-up folder
    bool breakpointsOpen = false;
    bool variablesOpen = false;
};

struct MenuRule {
    int id;
    bool (*enabled)(const FrameState&);
};

// Every command whose item can be grey, with its rule; the other items are always enabled.
std::span<const MenuRule> menuRules();
// The rule of one command; true for a command without one.
bool commandEnabled(int id, const FrameState& s);

}  // namespace orv::app
