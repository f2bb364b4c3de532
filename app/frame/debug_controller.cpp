#include "app/frame/debug_controller.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QSet>
#include <QTextBlock>

#include "app/codec.h"
#include "app/debugger/debugger_windows.h"
#include "app/frame/app_core.h"
#include "app/frame/editor_controller.h"
#include "app/frame/run_controller.h"
#include "app/frame/window_places.h"
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

namespace {

constexpr PlaceKeys kBreaksPlace{{"BNXLPOS", "BNYLPOS", "BNXRPOS", "BNYRPOS"}, defaultBreaksRect};
constexpr PlaceKeys kVarsPlace{{"VNXLPOS", "VNYLPOS", "VNXRPOS", "VNYRPOS"}, defaultVarsRect};

// Line `line1` (1-based) of an editor as CP932 text.
std::string lineText(const MacroEditor* e, int line1) {
    QTextBlock b = e->edit()->document()->findBlockByNumber(line1 - 1);
    return b.isValid() ? toCp932(b.text()) : std::string();
}

int caretLine(const MacroEditor* e) {
    const QTextDocument* d = e->edit()->document();
    return d->findBlock(e->edit()->textCursor().selectionStart()).blockNumber() + 1;
}

QRect rectOf(const WindowRect& r) {
    return QRect(r.left, r.top, r.width, r.height);
}

}  // namespace

DebugController::DebugController(AppCore& core, RunController& runs, EditorController& editors,
                                 QMdiArea* mdi, QWidget* frame)
    : QObject(frame), core_(core), runs_(runs), editors_(editors), mdi_(mdi), frame_(frame) {}

void DebugController::loadStored() {
    breakpoints_.load(core_.breakpointFile(), false);
}

// A debugger window's place; one never placed before stands at the right of the MDI area as
// it is now (at start-up the frame had not its size yet).
Placement DebugController::placement(WindowRect& rect, const PlaceKeys& where) {
    const auto& k = where.keys;
    if (!core_.ini.has(kSystem, k[0])) rect = where.firstPlace(mdi_->viewport()->width());
    return Placement{rect, core_.ini, {k[0], k[1], k[2], k[3]}};
}

bool DebugController::debugRunExecuting() const {
    Executor& ex = runs_.executor();
    return ex.mode() == MODE_DEBUG && ex.rowsExecuting();
}

BreakpointsWindow* DebugController::openBreakpoints(MacroEditor* toggleFor, bool forRun) {
    if (!breakWin_) {
        const Placement place = placement(core_.settings.breaks, kBreaksPlace);
        auto* w = new BreakpointsWindow(
            session_, core_.breakpointFile(), place, [this] { return debugRunExecuting(); },
            frame_);
        breakWin_ = w;
        connect(w, &QObject::destroyed, this, [this] {
            breakWin_ = nullptr;
            emit stateChanged();
        });
        connect(w, &BreakpointsWindow::listChanged, this, &DebugController::showMarks);
        showMarks();
        addChild(mdi_, w, rectOf(place.rect), forRun ? Activation::Keep : Activation::Take);
        w->layoutColumns();
        emit stateChanged();
    }
    if (toggleFor) toggleAt(toggleFor, caretLine(toggleFor));
    return breakWin_;
}

void DebugController::toggleAt(MacroEditor* editor, int line1) {
    BreakpointsWindow* w = openBreakpoints(nullptr);
    w->toggle(toCp932(editor->windowTitle()), line1, lineText(editor, line1));
    // The user goes on in the editor (F9 next, say): it stays the active window.
    mdi_->setActiveSubWindow(editor);
}

void DebugController::toggle() {
    MacroEditor* target = editors_.last() ? editors_.last() : editors_.active();
    if (target) openBreakpoints(target);
}

void DebugController::showMarks() {
    for (MacroEditor* e : editors_.all()) {
        const std::string title = toCp932(e->windowTitle());
        QSet<int> lines;
        for (const debugger::Breakpoint& b : breakpoints_.items())
            if (b.file == title) lines.insert(b.line);
        e->setBreakpointLines(lines);
    }
}

void DebugController::showStop() {
    BreakpointsWindow* w = openBreakpoints(nullptr);
    w->showNormal();
    w->raise();  // on top, neither moved nor sized
    w->showHot();
}

void DebugController::clearHot() {
    session_.clearHot();
    if (breakWin_) breakWin_->showHot();
}

void DebugController::openVariables() {
    session_.openVariables(core_.tables.hVal);
    if (varWin_) return;
    const Placement place = placement(core_.settings.vars, kVarsPlace);
    auto* w = new VariablesWindow(session_, place);
    varWin_ = w;
    connect(w, &QObject::destroyed, this, [this] {
        varWin_ = nullptr;
        session_.closeVariables();
        emit stateChanged();
    });
    addChild(mdi_, w, rectOf(place.rect), Activation::Keep);
    emit stateChanged();
}

void DebugController::refreshVariables() {
    session_.refreshVariables(core_.tables.hVal);
    if (varWin_) varWin_->refresh();
}

void DebugController::closeVariables() {
    if (varWin_)
        delete varWin_;  // its destruction closes the session's view
    else
        session_.closeVariables();
}

// ---- commands ----

void DebugController::stop() {
    runs_.executor().stopDebug();
}

// The debug run that paused may still be finishing its last calls to this thread (the stop
// message, the focus): answer them until it has, so that a step or a continue right after
// the pause is never dropped.
void DebugController::settleWorker() {
    Executor& ex = runs_.executor();
    while (ex.mode() == MODE_STEP && !ex.workerFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void DebugController::nextLine() {
    clearHot();
    settleWorker();
    stepping_ = true;
    emit stateChanged();  // the editors take no typed input while the line executes
    runs_.executor().executeNextLine(Executor::kStep);
    runs_.settleTypedInput();
    stepping_ = false;
    showPausedLine();
    emit stateChanged();
}

// After a step the editor's selection is the line just executed; the gutter marks the line
// the next step executes.
void DebugController::showPausedLine() {
    Executor& ex = runs_.executor();
    MacroEditor* e = runs_.runEditor();
    const int row = ex.currentRow();
    if (!e || row < 0 || ex.mode() != MODE_STEP) return;
    const std::string& line = core_.tables.hMacro.cell(row, mac::MacroLine);
    if (line != kNoLine) e->setRunningLine(toInt(line));
}

void DebugController::continueRun() {
    clearHot();
    settleWorker();
    runs_.executor().continueDebug();
}

}  // namespace orv::app
