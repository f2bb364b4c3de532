// The main frame: MDI area, menu 102 with its accelerators, the menu groups and timer, the
// record buffer, the frame commands, the auto-run decision, the end of a run and the shutdown
// order. It is the hub of the program: its windows and the hook bridge only emit signals,
// which the frame connects when it creates them.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <string>

#include "app/check/check_result.h"
#include "app/debugger/debugger_windows.h"
#include "app/dialogs/find_dialog.h"
#include "app/dialogs/record_stop_window.h"
#include "app/dialogs/running_dialog.h"
#include "app/editor/macro_editor.h"
#include "app/settings.h"
#include "app/tools/autoclick_dialog.h"
#include "app/tools/toolbox.h"
#include "debugger/breakpoints.h"
#include "debugger/debug_session.h"
#include "lang/tables.h"
#include "platform/profile.h"
#include "tools/autoclick.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPlainTextEdit;
class QTimer;

namespace orv {
class Desktop;
class Clock;
class Executor;
}  // namespace orv

namespace orv::app {

class GuiRunHost;
class GuiCompileHost;
class HookBridge;
struct PlaceKeys;
class StallProbe;

struct StartOptions {
    std::string startDir;  // the current directory at start (UTF-8 path)
    QString macroPath;     // first command-line argument, empty if none
    QString exitFlag;      // second command-line argument, empty if none
    bool haveExitFlag = false;
};

class MainFrame : public QMainWindow, private EditorRunQuery {
    Q_OBJECT
  public:
    MainFrame(const StartOptions& opts, Desktop& desktop, Clock& clock);
    ~MainFrame() override;

    // Frame creation steps after the window exists (settings, toolbox, auto-run decision).
    // Returns false when the program must end (invalid exit flag).
    bool startUp();

    // Runs the command of a menu id whether or not its item is enabled (tests, posted
    // requests of the run host); an id without a command does nothing.
    void command(int id);
    QAction* action(int id) const;
    void setEnabled(int id, bool on);
    void setEditRunGroup(bool on);

    Settings& settings() { return settings_; }
    ProfileFile& ini() { return ini_; }
    Executor& executor() { return *executor_; }
    QMdiArea* mdi() const { return mdi_; }
    int openEditors() const { return openEditors_; }
    CheckResultWindow* checkResult() const { return checkResult_; }
    ToolboxWindow* toolbox() const { return toolbox_; }
    AutoClickDialog* autoClickDialog() const { return autoClickDialog_; }
    RunningDialog* runningDialog() const { return runDialog_; }

    MacroEditor* activeEditor() const;
    // Opens a macro editor in an EditorMode: 0 new, 1 open, 2 auto-run, 3 from the record
    // buffer.
    MacroEditor* openEditor(int mode);
    CheckResultWindow* openCheckResult();
    // Compile (owner, editor, run kind: a RunMode).
    void compileEditor(MacroEditor* editor, int kind);
    // Activation of an editor (MDI activation; tests).
    void editorActivated(MacroEditor* e);

    // Run notifications of the run host (UI thread).
    void onRunStart();
    void onRunDialogClose();
    void onRunEnd(int autoRun, int running);

    // The debugger (frame_debug.cpp). The session's breakpoint test is safe on the worker.
    debugger::DebugSession& debugSession() { return debug_; }
    BreakpointsWindow* breakpointsWindow() const { return breakWin_; }
    VariablesWindow* variablesWindow() const { return varWin_; }
    // Opens the breakpoints window when it is not open; with `toggleFor`, the window toggles
    // the breakpoint of that editor's caret line (a new window does so once it has loaded).
    BreakpointsWindow* openBreakpointsWindow(MacroEditor* toggleFor = nullptr);
    // Toggles the breakpoint of 1-based line `line1` of an editor (F5, a click in its gutter).
    void toggleBreakpointAt(MacroEditor* editor, int line1);
    // Every editor's gutter shows the breakpoints of its title.
    void showBreakpointMarks();
    // A debug run stopped at the session's hot item: the window comes to the top, marked.
    void showBreakpointStop();
    void clearBreakpointHot();
    // WM_COMMAND 40033 of the run, its refresh, and its end.
    void openVariablesWindow();
    void refreshVariablesWindow();
    void closeVariablesWindow();

    // Recording (frame_record.cpp): 40037 and the record-stop window's button.
    void startRecording();
    void stopRecording();
    bool recording() const { return recording_; }
    RecordStopWindow* recordStopWindow() const { return recordStop_; }

  protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

  private:
    using Command = void (MainFrame::*)();

    // Menus (frame_menu.cpp).
    void buildMenus();
    void buildFileEditMenus();
    void buildToolsMenu();
    void buildViewHelpMenus();
    QAction* addCommand(QMenu* menu, int id, const char* text, Command run, int fkey = 0);
    void rebuildWindowList();
    void menuTimer();
    void reportSettingsFailure();

    // One command per menu item (frame_commands.cpp).
    void newMacro();
    void openMacro();
    void saveMacro();
    void saveMacroAs();
    void exitProgram();
    void cut();
    void copy();
    void paste();
    void selectAll();
    void find();
    void replace();
    void help();
    void about();
    void closeAll();
    void closeChild();
    void tileChildren();
    void arrangeIconic();
    void cascadeChildren();
    void runMacro();
    void checkMacro();
    void debugRun();
    void stepRun();
    void systemSettings();
    void showCheckResult();
    void stopDebug();
    void nextLine();
    void showPausedLine();
    void settleWorker();
    void continueDebug();
    void showBreakpoints();
    void showVariables();
    void toggleBreakpoint();
    void autoClick();
    void showToolbox();
    // The active editor for an edit command; null (with the message) when no window is active.
    MacroEditor* editTarget();
    // Asks about each modified editor in turn; false when the user cancelled.
    bool confirmCloseEditors();
    void openFindDialog(bool withReplace);

    std::string logPath() const;
    void setFileWindowGroup(bool on);
    bool runActive() const;
    QMdiSubWindow* activeChild() const;
    // The auto-run macro path in memory (EXEMCRO or the command-line macro).
    const std::string& autoRunPath() const { return settings_.exeMacro; }

    // Children and their signals (main_frame.cpp).
    void childActivated(QMdiSubWindow* w);
    void checkResultActivated();
    void toolboxActivated();
    void toolboxDestroyed();
    void breakpointsActivated();
    void variablesActivated();
    void breakpointsDestroyed();
    void variablesDestroyed();
    // A debug run's worker executes (the breakpoints window may not close).
    bool debugRunExecuting() const;
    Placement placement(WindowRect& rect, const PlaceKeys& where);
    std::string breakpointFile() const { return startDir_ + "/brksvfl.dbk"; }
    // UM_GOTOLINE from the check-result window.
    void gotoLine(const QString& macroName, int line1);
    void editorCreated(MacroEditor* e);
    void editorDestroyed();
    void checkResultDestroyed();
    void noChildrenLeft();
    EditorRunQuery::Use runUse(const MacroEditor* editor) const override;

    // Runs and the start-up decision (frame_run.cpp).
    void startRun(MacroEditor* editor, int mode);
    // The stop button of the running dialog, or the hook's run abort through it.
    void stopButton();
    void applyRunSettings();
    void reportRunEnd(int autoRun, int running, bool& closeProgram);
    void autoRunDecision(bool& ok);
    bool commandLineOverride();
    void configuredAutoRun();

    void shutdown();
    void rememberFramePos();

    StartOptions opts_;
    std::string startDir_;
    ProfileFile ini_;
    Settings settings_;
    Tables tables_;
    Desktop& desktop_;
    Clock& clock_;
    std::unique_ptr<GuiRunHost> runHost_;
    std::unique_ptr<GuiCompileHost> compileHost_;
    std::unique_ptr<Executor> executor_;
    HookBridge* hook_ = nullptr;

    QMdiArea* mdi_ = nullptr;
    QPlainTextEdit* recordBuffer_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QTimer* timer_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<int, Command> commands_;
    QList<QAction*> windowListActions_;
    int openEditors_ = 0;
    QPointer<CheckResultWindow> checkResult_;
    QPointer<RunningDialog> runDialog_;
    QPointer<MacroEditor> runEditor_;
    QPointer<FindDialog> findDialog_;
    // The find dialog's texts, kept between its openings.
    struct {
        QString what, with;
        bool matchCase = false;
    } findMemory_;
    // The debugger: the breakpoint list lives while the window shows it (the window loads it
    // and writes it back); the session serves the run and the variables window.
    debugger::BreakpointList breakpoints_;
    debugger::DebugSession debug_{breakpoints_};
    QPointer<BreakpointsWindow> breakWin_;
    QPointer<VariablesWindow> varWin_;
    // The last activated macro editor that still exists: the target of F5 and the toolbox.
    QPointer<MacroEditor> lastEditor_;
    QPointer<ToolboxWindow> toolbox_;
    // The auto-click slots, kept for the program's lifetime; the dialog while it is open.
    tools::AutoClickSettings autoClick_;
    QPointer<AutoClickDialog> autoClickDialog_;
    QRect frameRect_;
    bool recording_ = false;  // from 40037 to the stop button
    QPointer<RecordStopWindow> recordStop_;
    QPointer<StallProbe> stallProbe_;  // with the debug channel on, while recording
    void reportRecording(const QString& lines);
    bool shutDown_ = false;
    bool stoppedByButton_ = false;

    // Command-line override of the auto-run settings.
    bool override_ = false;
    std::string savedAutoRunPath_;
    int savedAutoFin_ = 0;
    bool autoFinSaved_ = false;
};

}  // namespace orv::app
