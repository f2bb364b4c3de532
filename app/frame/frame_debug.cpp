// The frame's side of the debugger: the breakpoints and variables windows, toggling a
// breakpoint, and the menu rules that follow them.
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTextBlock>

#include "app/codec.h"
#include "app/frame/main_frame.h"
#include "app/ids.h"
#include "executor/executor.h"
#include "lang/codes.h"
#include "lang/text.h"

namespace orv::app {

// Where the debugger windows' places are kept, and their first places in an MDI area of a
// given width.
struct PlaceKeys {
    const char* keys[4];
    WindowRect (*firstPlace)(int mdiWidth);
};
constexpr PlaceKeys kBreaksPlace{{"BNXLPOS", "BNYLPOS", "BNXRPOS", "BNYRPOS"}, defaultBreaksRect};
constexpr PlaceKeys kVarsPlace{{"VNXLPOS", "VNYLPOS", "VNXRPOS", "VNYRPOS"}, defaultVarsRect};

namespace {

// Line `line1` (1-based) of an editor as CP932 text.
std::string lineText(const MacroEditor* e, int line1) {
    QTextBlock b = e->edit()->document()->findBlockByNumber(line1 - 1);
    return b.isValid() ? toCp932(b.text()) : std::string();
}

}  // namespace

// A debugger window's place; one never placed before stands at the right of the MDI area as
// it is now (at start-up the frame had not its size yet).
Placement MainFrame::placement(WindowRect& rect, const PlaceKeys& where) {
    const auto& k = where.keys;
    if (!ini_.has(kSystem, k[0])) rect = where.firstPlace(mdi_->viewport()->width());
    return Placement{rect, ini_, {k[0], k[1], k[2], k[3]}};
}

bool MainFrame::debugRunExecuting() const {
    const RunRecord& r = executor_->record();
    return r.mode.load() == MODE_DEBUG && r.inLoop.load() != 0;
}

BreakpointsWindow* MainFrame::openBreakpointsWindow(MacroEditor* toggleFor) {
    if (!breakWin_) {
        const Placement place = placement(settings_.breaks, kBreaksPlace);
        auto* w = new BreakpointsWindow(
            debug_, breakpointFile(), place, [this] { return debugRunExecuting(); }, this);
        breakWin_ = w;
        connect(w, &QObject::destroyed, this, &MainFrame::breakpointsDestroyed);
        connect(w, &BreakpointsWindow::listChanged, this, &MainFrame::showBreakpointMarks);
        showBreakpointMarks();
        setFileWindowGroup(true);
        setEditRunGroup(true);  // refused while a run or a paused debug run is on
        setEnabled(ID_BREAKWIN, false);
        mdi_->addSubWindow(w);
        w->show();
        place.apply(w);
        w->layoutColumns();
    }
    if (toggleFor) {
        int line1 = toggleFor->edit()
                        ->document()
                        ->findBlock(toggleFor->edit()->textCursor().selectionStart())
                        .blockNumber() +
                    1;
        toggleBreakpointAt(toggleFor, line1);
    }
    return breakWin_;
}

void MainFrame::toggleBreakpointAt(MacroEditor* editor, int line1) {
    BreakpointsWindow* w = openBreakpointsWindow();
    w->toggle(toCp932(editor->windowTitle()), line1, lineText(editor, line1));
    // The user goes on in the editor (F9 next, say): it stays the active window.
    mdi_->setActiveSubWindow(editor);
}

void MainFrame::showBreakpointMarks() {
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        auto* e = qobject_cast<MacroEditor*>(w);
        if (!e) continue;
        const std::string title = toCp932(e->windowTitle());
        QSet<int> lines;
        for (const debugger::Breakpoint& b : breakpoints_.items())
            if (b.file == title) lines.insert(b.line);
        e->setBreakpointLines(lines);
    }
}

void MainFrame::showBreakpointStop() {
    BreakpointsWindow* w = openBreakpointsWindow();
    w->showNormal();
    w->raise();  // on top, neither moved nor sized
    w->showHot();
}

void MainFrame::clearBreakpointHot() {
    debug_.clearHot();
    if (breakWin_) breakWin_->showHot();
}

void MainFrame::openVariablesWindow() {
    debug_.openVariables(tables_.hVal);
    if (varWin_) return;
    const Placement place = placement(settings_.vars, kVarsPlace);
    auto* w = new VariablesWindow(debug_, place);
    varWin_ = w;
    connect(w, &QObject::destroyed, this, &MainFrame::variablesDestroyed);
    setFileWindowGroup(false);
    setEditRunGroup(false);
    setEnabled(ID_VARWIN, false);
    mdi_->addSubWindow(w);
    w->show();
    place.apply(w);
}

void MainFrame::refreshVariablesWindow() {
    debug_.refreshVariables(tables_.hVal);
    if (varWin_) varWin_->refresh();
}

void MainFrame::closeVariablesWindow() {
    if (varWin_)
        delete varWin_;  // its destruction closes the session's view
    else
        debug_.closeVariables();
}

void MainFrame::breakpointsDestroyed() {
    if (!shutDown_) setEnabled(ID_BREAKWIN, true);
}

void MainFrame::variablesDestroyed() {
    debug_.closeVariables();
    if (shutDown_) return;
    int mode = executor_->record().mode.load();
    setEnabled(ID_VARWIN, mode == MODE_DEBUG || mode == MODE_STEP);
}

void MainFrame::breakpointsActivated() {
    setEditRunGroup(false);
    for (int id : {ID_SAVE, ID_SAVEAS}) setEnabled(id, false);
}

void MainFrame::variablesActivated() {
    if (executor_->record().mode.load() == MODE_IDLE) {
        setEditRunGroup(false);
        setEnabled(ID_BREAKTOGGLE, false);
    }
    for (int id : {ID_SAVE, ID_SAVEAS}) setEnabled(id, false);
}

// ---- commands ----

void MainFrame::showBreakpoints() {
    openBreakpointsWindow();
}

void MainFrame::showVariables() {
    openVariablesWindow();
}

void MainFrame::toggleBreakpoint() {
    MacroEditor* target = lastEditor_ ? lastEditor_.data() : activeEditor();
    if (target) openBreakpointsWindow(target);
}

void MainFrame::stopDebug() {
    executor_->stopDebug();
    for (int id : {ID_DEBUGRUN, ID_STEP}) setEnabled(id, openEditors_ > 0);
    for (int id : {ID_VARWIN, ID_NEXTLINE, ID_CONTINUE, ID_STOPDEBUG}) setEnabled(id, false);
    if (!breakWin_) setEnabled(ID_BREAKWIN, true);
    setEditRunGroup(openEditors_ > 0);
    setEnabled(ID_RECORD, true);
}

// The debug run that paused may still be finishing its last calls to this thread (the stop
// message, the focus): answer them until it has, so that a step or a continue right after
// the pause is never dropped.
void MainFrame::settleWorker() {
    while (executor_->record().mode.load() == MODE_STEP && !executor_->workerFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void MainFrame::nextLine() {
    clearBreakpointHot();
    settleWorker();
    executor_->executeNextLine(1);
    showPausedLine();
}

// After a step the editor's selection is the line just executed; the gutter marks the line
// the next step executes.
void MainFrame::showPausedLine() {
    const int row = executor_->record().currentRow.load();
    if (!runEditor_ || row < 0 || executor_->record().mode.load() != MODE_STEP) return;
    const std::string& line = tables_.hMacro.cell(row, mac::MacroLine);
    if (line != kNoLine) runEditor_->setRunningLine(toInt(line));
}

void MainFrame::continueDebug() {
    clearBreakpointHot();
    settleWorker();
    executor_->continueDebug();
}

}  // namespace orv::app
