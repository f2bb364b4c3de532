// Compiling and running macros: the compile of an editor and the run it starts, the running
// dialog and its stop button, the end of a run with its messages and the automatic exit, the
// auto-run decision at start-up with the command line's override of the auto-run settings,
// and the check-result window. It owns the executor and the hosts through which the compiler
// and the executor reach the windows, and it tells which editor a run uses.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <string>

#include "app/check/check_result.h"
#include "app/dialogs/running_dialog.h"
#include "app/editor/macro_editor.h"
#include "app/frame/app_core.h"
#include "app/frame/menu_rules.h"
#include "executor/run_host.h"

class QMdiArea;

namespace orv {
class Executor;
}

namespace orv::app {

class GuiCompileHost;
class GuiRunHost;
class HookBridge;
class RunDebugger;

class RunController : public QObject, public EditorRunQuery {
    Q_OBJECT
  public:
    RunController(AppCore& core, HookBridge& hook, QWidget* frame, QMdiArea* mdi);
    ~RunController() override;

    Executor& executor() { return *executor_; }
    void setDebugger(RunDebugger* debug);

    // Compile (owner, editor, run kind): a syntax check, or a compile that starts its run.
    // Nothing happens while a run or a paused debug run is on.
    void compile(MacroEditor* editor, int kind);
    // Idle, Running, DebugRunning or Paused.
    Activity activity() const { return activity_; }
    // True while a run or a paused debug run is on (the worker may still be ending).
    bool busy() const;
    MacroEditor* runEditor() const { return runEditor_; }
    RunningDialog* runningDialog() const { return dialog_; }
    CheckResultWindow* checkResult() const { return checkResult_; }
    // 40026: the check-result window, opened or brought into view and activated. For a
    // compile's log (`forCompile`) it opens beside the editor, which stays active.
    CheckResultWindow* openCheckResult(bool forCompile = false);

    // The start-up decision about an automatic run; false when the program must end (an
    // invalid exit flag, after its message).
    bool autoRunDecision();
    // The settings the executor reads (after the settings dialog).
    void applySettings();
    // Shutdown: a running worker is stopped (its calls answered while it ends), the CSV files
    // closed, the running dialog gone.
    void shutdown();
    Use runUse(const MacroEditor* editor) const override;

    // Keys a macro typed that are still on their way are delivered (to the locked editors)
    // before the editors take input again.
    void settleTypedInput();

    // What the run host hears, on the user-interface thread.
    void runState(const RunState& state);
    void runStarted();
    void runDialogClose();
    void runEnded(int autoRun, int running);
    // The answers to "マクロが変更されました。先頭行から再度実行しますか？" (posted): Yes
    // starts the run's macro again from its first line in `kind` (MODE_STEP at Next line,
    // MODE_DEBUG at Continue), leaving the pause first; No at Continue stops debugging.
    void restart(int kind);
    void stopDebugging();

  signals:
    // The activity, the check-result window or comp.his changed.
    void stateChanged();
    // An automatic run with the exit flag ended by itself: the program closes.
    void closeRequested();
    // The auto-run macro should open in an editor and run as an automatic run.
    void autoRunRequested(const QString& path);
    // The check-result window asks for a line of a macro.
    void gotoLineRequested(const QString& title, int line1);

  private:
    void start(MacroEditor* editor, int kind);
    void stopButton();
    void showEndMessages(int autoRun, int running, bool& closeProgram);
    bool commandLineOverride(const StartOptions& opts);
    void configuredAutoRun();
    void requestAutoRun();
    void endCommandLineOverride();

    AppCore& core_;
    HookBridge& hook_;
    QWidget* frame_;
    QMdiArea* mdi_;
    std::unique_ptr<GuiRunHost> runHost_;
    std::unique_ptr<GuiCompileHost> compileHost_;
    std::unique_ptr<Executor> executor_;
    Activity activity_ = Activity::Idle;
    QPointer<MacroEditor> runEditor_;
    QPointer<RunningDialog> dialog_;
    QPointer<CheckResultWindow> checkResult_;
    bool stoppedByButton_ = false;
    bool shutDown_ = false;
    // The command line's macro stands in for the configured auto-run macro until its run
    // ends; AUTOFIN is restored at the end of the automatic run.
    struct {
        bool active = false;
        std::string savedPath;
        bool autoFinSaved = false;
        int savedAutoFin = 0;
    } override_;
};

}  // namespace orv::app
