// What the executor does to windows. The CLI implements this now; the GUI
// implements it with blocking queued calls where the worker "sends" and queued
// calls where it "posts". Calls marked (worker) may come from the worker thread.
// All texts are CP932.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "lang/codes.h"

namespace orv {

// Where a run stands: Running while rows execute on the worker (a run, an automatic run, a
// debug run or a continued one), Paused while a debug run waits at a breakpoint or stepping
// waits for the next line, Ended once a run, debug run or step run is over (by its end, an
// error, a stop or Stop debugging), Idle when nothing was started (a syntax check, a start
// that failed). `kind` is the RunMode the run was started with (MODE_RUN, MODE_AUTO,
// MODE_DEBUG, MODE_STEP).
enum class RunPhase { Idle, Running, Paused, Ended };
struct RunState {
    RunPhase phase = RunPhase::Idle;
    int kind = MODE_IDLE;
};

class RunHost {
  public:
    virtual ~RunHost() = default;

    // (worker) UM_RUNSTART: create the running dialog.
    virtual void runStarted() {}
    // (worker) UM_RUNDLGCLOSE: destroy the running dialog.
    virtual void runDialogClose() {}
    // (worker, posted) UM_RUNEND: the run is over. `running` is 1 when the macro ended by
    // itself (END, last row or error), 0 when it was stopped. It is the worker's last call;
    // the receiver joins the worker (Executor::join) on its own thread, never inside this call.
    virtual void runEnded(int autoRun, int running) {
        (void)autoRun;
        (void)running;
    }

    // (worker) Scroll the editor to the 0-based source line and select it with its line break.
    virtual void showLine(int line0) { (void)line0; }
    // (worker) Put the editor's caret at the end of its text.
    virtual void caretToEnd() {}
    // True when the editor's text was modified since the compile.
    virtual bool macroModified() { return false; }

    // (worker) The breakpoint test: true when the breakpoint list holds an item for this
    // file title and 1-based line. On a match the host shows the breakpoints window on top
    // and marks the item as the hot item.
    virtual bool breakpointHit(const std::string& title, int line1) {
        (void)title;
        (void)line1;
        return false;
    }
    // A counter that moves whenever the answers of breakpointHit may change, or null. While it
    // stands still, the worker asks only once about a line without a breakpoint.
    virtual const std::atomic<std::uint64_t>* breakpointVersion() { return nullptr; }
    virtual void clearBreakpointHot() {}
    // Open the breakpoints window when it is not open (WM_COMMAND 40032).
    virtual void openBreakpoints() {}
    // (worker) Open the variables window (WM_COMMAND 40033); close it.
    virtual void openVariables() {}
    virtual void closeVariables() {}
    // UM_VALREFRESH: the variables window re-reads the values.
    virtual void refreshVariables() {}

    // The run's state changed (see RunState). Ended comes from the worker for the end of a
    // run or debug run (before runEnded), and from the calling thread when stepping ends or
    // debugging is stopped.
    virtual void runState(const RunState& state) { (void)state; }

    // Minimise the owner window (EMINWIN 1) when it is not minimised.
    virtual void minimizeOwner() {}
    // (worker) Restore the frame if minimised and bring it to the foreground.
    virtual void restoreFrame() {}
    // Bring the owner to the foreground and give the keyboard focus to the macro window.
    virtual void focusMacro() {}

    // (worker) A run-time error of the macro: message box, caption "Orvane", error icon.
    virtual void runtimeError(const std::string& message) = 0;
    // (worker) An information box, caption "Orvane", OK button.
    virtual void messageBox(const std::string& text) { (void)text; }
    // A Yes/No question, caption "Orvane"; true for Yes.
    virtual bool askYesNo(const std::string& text) {
        (void)text;
        return false;
    }
    // Posted requests after the "macro was modified" question: start stepping again from
    // the first line (Yes at Next line), start a debug run again (Yes at Continue), or leave
    // debugging (No at Continue). The host maps them to its own commands.
    virtual void restartStep() {}
    virtual void restartDebugRun() {}
    virtual void stopDebugging() {}
};

}  // namespace orv
