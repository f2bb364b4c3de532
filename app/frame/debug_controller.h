// The debugger in the program: the breakpoint list and its session, the breakpoints and
// variables windows with their stored places, toggling a breakpoint (F5, a click in an
// editor's gutter), the marks in the editors' gutters, and the debugging commands (stop, next
// line, continue). It answers what a run asks of the debugger (RunDebugger).
#pragma once

#include <QObject>
#include <QPointer>
#include <string>

#include "app/debugger/debugger_windows.h"
#include "app/frame/gui_hosts.h"
#include "debugger/breakpoints.h"
#include "debugger/debug_session.h"

class QMdiArea;
class QWidget;

namespace orv::app {

struct AppCore;
struct PlaceKeys;
class EditorController;
class MacroEditor;
class RunController;

class DebugController : public QObject, public RunDebugger {
    Q_OBJECT
  public:
    DebugController(AppCore& core, RunController& runs, EditorController& editors, QMdiArea* mdi,
                    QWidget* frame);

    // The stored breakpoints, read silently at start-up for the editors' gutters (the window
    // reports a damaged file when it opens).
    void loadStored();
    BreakpointsWindow* breakpointsWindow() const { return breakWin_; }
    VariablesWindow* variablesWindow() const { return varWin_; }
    // Opens the breakpoints window when it is not open; with `toggleFor`, toggles the
    // breakpoint of that editor's caret line. Opened for a run, it comes up beside the active
    // window without taking its place (the macro's editor stays the one F4 and F9 act on).
    BreakpointsWindow* openBreakpoints(MacroEditor* toggleFor, bool forRun = false);
    // Toggles the breakpoint of 1-based line `line1` of an editor (F5, a click in its gutter).
    void toggleAt(MacroEditor* editor, int line1);
    // Every editor's gutter shows the breakpoints of its title.
    void showMarks();
    // True while Next line executes rows on this thread.
    bool stepping() const { return stepping_; }

    // The commands: 40035 (F5), 40030 (F8), 40031 (F7), 40034 (F6).
    void toggle();
    void stop();
    void nextLine();
    void continueRun();

    // RunDebugger.
    debugger::DebugSession& session() override { return session_; }
    void showStop() override;
    void clearHot() override;
    void openBreakpoints() override { openBreakpoints(nullptr, true); }
    // Opens the variables window (40033; a run's pause opens it beside the active window).
    void openVariables() override;
    void closeVariables() override;
    void refreshVariables() override;

  signals:
    // A debugger window opened or closed, or Next line began or ended.
    void stateChanged();

  private:
    Placement placement(WindowRect& rect, const PlaceKeys& where);
    bool debugRunExecuting() const;
    void settleWorker();
    void showPausedLine();

    AppCore& core_;
    RunController& runs_;
    EditorController& editors_;
    QMdiArea* mdi_;
    QWidget* frame_;
    // The breakpoint list lives while the window shows it (the window loads it and writes it
    // back); the session serves the run and the variables window.
    debugger::BreakpointList breakpoints_;
    debugger::DebugSession session_{breakpoints_};
    QPointer<BreakpointsWindow> breakWin_;
    QPointer<VariablesWindow> varWin_;
    bool stepping_ = false;
};

}  // namespace orv::app
