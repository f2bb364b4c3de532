// The compile host and the run host of the program. Calls from the worker thread reach the
// user-interface thread as blocking queued calls where the run "sends" and as queued calls
// where it "posts"; calls made on the user-interface thread run directly.
#pragma once

#include <QPointer>
#include <atomic>
#include <functional>

#include "compiler/compile_host.h"
#include "executor/run_host.h"

namespace orv::app {

class MainFrame;
class MacroEditor;

class GuiCompileHost : public CompileHost {
  public:
    explicit GuiCompileHost(MainFrame* frame) : frame_(frame) {}
    void setTarget(MacroEditor* editor, bool ownerIsEditor);
    void messageBox(const std::string& text, const std::string& caption, MsgIcon icon) override;
    void saveIfModified() override;
    void reloadOrOpenCheckResult() override;
    void raiseCheckResult() override;
    void compiled(int storedMode) override;
    void startRun(int mode) override;

  private:
    MainFrame* frame_;
    QPointer<MacroEditor> editor_;
    bool ownerIsEditor_ = false;
};

class GuiRunHost : public RunHost {
  public:
    explicit GuiRunHost(MainFrame* frame) : frame_(frame) {}
    void setEditor(MacroEditor* editor);
    // During shutdown the worker's calls are answered without showing anything.
    void setShuttingDown() { shuttingDown_ = true; }

    void runStarted() override;
    void runDialogClose() override;
    void runEnded(int autoRun, int running) override;
    void showLine(int line0) override;
    void caretToEnd() override;
    bool macroModified() override;
    void setRunGroup(bool enabled) override;
    void setDebugGroup(bool enabled) override;
    void setRunCommands(bool enabled) override;
    void setRecordEnabled(bool enabled) override;
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
    // Runs fn on the user-interface thread: directly when already there, else blocking or
    // queued.
    void onUi(std::function<void()> fn, bool blocking);
    // Posts a frame command (queued).
    void postCommand(int id);

    MainFrame* frame_;
    QPointer<MacroEditor> editor_;
    std::atomic<bool> shuttingDown_{false};
};

}  // namespace orv::app
