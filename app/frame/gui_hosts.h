// The compile host and the run host of the program. Calls from the worker thread reach the
// user-interface thread as blocking queued calls where the run "sends" and as queued calls
// where it "posts"; calls made on the user-interface thread run directly. The run host hands
// what it hears to the run controller and, for breakpoints and variables, to the debugger.
#pragma once

#include <QPointer>
#include <atomic>
#include <functional>

#include "compiler/compile_host.h"
#include "executor/run_host.h"

class QWidget;

namespace orv::debugger {
class DebugSession;
}

namespace orv::app {

class MacroEditor;
class RunController;

// What a run asks of the debugger, on the user-interface thread (the session's breakpoint test
// also on the worker).
class RunDebugger {
  public:
    virtual debugger::DebugSession& session() = 0;
    // A debug run stopped at the session's hot item: the breakpoints window shows it on top.
    virtual void showStop() = 0;
    virtual void clearHot() = 0;
    virtual void openBreakpoints() = 0;
    virtual void openVariables() = 0;
    virtual void closeVariables() = 0;
    virtual void refreshVariables() = 0;

  protected:
    ~RunDebugger() = default;
};

class GuiCompileHost : public CompileHost {
  public:
    GuiCompileHost(RunController& runs, QWidget* frame) : runs_(runs), frame_(frame) {}
    // The editor being compiled; with `ownerIsEditor` (an automatic run) it owns the messages.
    void setTarget(MacroEditor* editor, bool ownerIsEditor);
    void messageBox(const std::string& text, const std::string& caption, MsgIcon icon) override;
    void saveIfModified() override;
    void reloadOrOpenCheckResult() override;
    void raiseCheckResult() override;
    void compiled(int storedMode) override;
    // The run controller starts the run once the compile has returned.
    void startRun(int) override {}

  private:
    RunController& runs_;
    QWidget* frame_;
    QPointer<MacroEditor> editor_;
    bool ownerIsEditor_ = false;
};

class GuiRunHost : public RunHost {
  public:
    GuiRunHost(RunController& runs, QWidget* frame) : runs_(runs), frame_(frame) {}
    // The macro's editor for the run about to start.
    void setEditor(MacroEditor* editor) { editor_ = editor; }
    // Set once, before any run.
    void setDebugger(RunDebugger* debug) { debug_ = debug; }
    // During shutdown the worker's calls are answered without showing anything.
    void setShuttingDown() { shuttingDown_ = true; }

    void runStarted() override;
    void runDialogClose() override;
    void runEnded(int autoRun, int running) override;
    void runState(const RunState& state) override;
    void showLine(int line0) override;
    void caretToEnd() override;
    bool macroModified() override;
    void minimizeOwner() override;
    void restoreFrame() override;
    void focusMacro() override;
    void runtimeError(const std::string& message) override;
    void messageBox(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    bool breakpointHit(const std::string& title, int line1) override;
    const std::atomic<std::uint64_t>* breakpointVersion() override;
    void clearBreakpointHot() override;
    void openBreakpoints() override;
    void openVariables() override;
    void closeVariables() override;
    void refreshVariables() override;
    void restartStep() override;
    void restartDebugRun() override;
    void stopDebugging() override;

  private:
    // Runs fn on the user-interface thread: directly when already there, else blocking.
    void onUi(std::function<void()> fn);
    // Queues fn to the user-interface thread, from any thread.
    void post(std::function<void()> fn);
    // A debugger call on the user-interface thread, unless the program is shutting down.
    template <class Call>
    void toDebugger(Call call) {
        if (shuttingDown_ || !debug_) return;
        onUi([this, call] { call(*debug_); });
    }

    RunController& runs_;
    QWidget* frame_;
    RunDebugger* debug_ = nullptr;
    QPointer<MacroEditor> editor_;
    std::atomic<bool> shuttingDown_{false};
};

}  // namespace orv::app
