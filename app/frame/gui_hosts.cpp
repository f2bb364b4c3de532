#include "app/frame/gui_hosts.h"

#include <QMdiArea>
#include <QMessageBox>
#include <QThread>

#include "app/check/check_result.h"
#include "app/codec.h"
#include "app/editor/macro_editor.h"
#include "app/frame/run_controller.h"
#include "app/message.h"
#include "debugger/debug_session.h"
#include "executor/executor.h"

namespace orv::app {

// ---- compile host ----

void GuiCompileHost::setTarget(MacroEditor* editor, bool ownerIsEditor) {
    editor_ = editor;
    ownerIsEditor_ = ownerIsEditor;
}

void GuiCompileHost::messageBox(const std::string& text, const std::string& caption, MsgIcon icon) {
    QWidget* owner = ownerIsEditor_ && editor_ ? static_cast<QWidget*>(editor_) : frame_;
    showMessage(icon == MsgIcon::Error ? MsgKind::Critical : MsgKind::Info, owner,
                fromCp932(caption), fromCp932(text));
}

void GuiCompileHost::saveIfModified() {
    if (editor_ && editor_->modified()) editor_->save(false);
}

void GuiCompileHost::reloadOrOpenCheckResult() {
    if (CheckResultWindow* w = runs_.checkResult())
        w->reload();
    else
        runs_.openCheckResult(true);
}

void GuiCompileHost::raiseCheckResult() {
    if (CheckResultWindow* w = runs_.checkResult()) {
        w->show();
        w->raise();
    }
}

void GuiCompileHost::compiled(int storedMode) {
    runs_.executor().compiled(storedMode);
}

// ---- run host ----

void GuiRunHost::onUi(std::function<void()> fn) {
    if (QThread::currentThread() == runs_.thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(&runs_, std::move(fn), Qt::BlockingQueuedConnection);
}

void GuiRunHost::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(&runs_, std::move(fn), Qt::QueuedConnection);
}

void GuiRunHost::runStarted() {
    onUi([this] { runs_.runStarted(); });
}
void GuiRunHost::runDialogClose() {
    onUi([this] { runs_.runDialogClose(); });
}
void GuiRunHost::runEnded(int autoRun, int running) {
    // Posted: the controller handles it after the worker has gone on to its end.
    post([this, autoRun, running] { runs_.runEnded(autoRun, running); });
}
void GuiRunHost::runState(const RunState& state) {
    if (shuttingDown_) return;
    onUi([this, state] { runs_.runState(state); });
}
void GuiRunHost::showLine(int line0) {
    if (shuttingDown_) return;
    onUi([this, line0] {
        if (!editor_) return;
        editor_->showLine(line0);
        editor_->setRunningLine(line0);
    });
}
void GuiRunHost::caretToEnd() {
    if (shuttingDown_) return;
    onUi([this] {
        if (editor_) editor_->caretToEnd();
    });
}
bool GuiRunHost::macroModified() {
    bool m = false;
    onUi([&] { m = editor_ && editor_->modified(); });
    return m;
}
void GuiRunHost::minimizeOwner() {
    onUi([this] {
        if (!frame_->isMinimized()) frame_->showMinimized();
    });
}
void GuiRunHost::restoreFrame() {
    if (shuttingDown_) return;
    onUi([this] {
        if (frame_->isMinimized()) frame_->showNormal();
        frame_->raise();
        frame_->activateWindow();
    });
}
void GuiRunHost::focusMacro() {
    onUi([this] {
        frame_->activateWindow();
        if (!editor_) return;
        if (QMdiArea* mdi = editor_->mdiArea()) mdi->setActiveSubWindow(editor_);
        editor_->edit()->setFocus();
    });
}
void GuiRunHost::runtimeError(const std::string& message) {
    if (shuttingDown_) return;
    onUi([this, message] {
        showMessage(MsgKind::Critical, frame_, QStringLiteral("Orvane"), fromCp932(message));
    });
}
void GuiRunHost::messageBox(const std::string& text) {
    if (shuttingDown_) return;
    onUi([this, text] {
        showMessage(MsgKind::Info, frame_, QStringLiteral("Orvane"), fromCp932(text));
    });
}
bool GuiRunHost::askYesNo(const std::string& text) {
    if (shuttingDown_) return false;
    bool yes = false;
    onUi([&] {
        yes = showMessage(MsgKind::Question, frame_, QStringLiteral("Orvane"), fromCp932(text),
                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    });
    return yes;
}
// The breakpoint test runs on the worker without a call to the user-interface thread; only a
// stop shows the window.
bool GuiRunHost::breakpointHit(const std::string& title, int line1) {
    if (!debug_ || !debug_->session().breakpointHit(title, line1)) return false;
    toDebugger([](RunDebugger& d) { d.showStop(); });
    return true;
}
const std::atomic<std::uint64_t>* GuiRunHost::breakpointVersion() {
    return debug_ ? &debug_->session().version() : nullptr;
}
void GuiRunHost::clearBreakpointHot() {
    toDebugger([](RunDebugger& d) { d.clearHot(); });
}
void GuiRunHost::openBreakpoints() {
    toDebugger([](RunDebugger& d) { d.openBreakpoints(); });
}
void GuiRunHost::openVariables() {
    toDebugger([](RunDebugger& d) { d.openVariables(); });
}
void GuiRunHost::closeVariables() {
    toDebugger([](RunDebugger& d) { d.closeVariables(); });
}
void GuiRunHost::refreshVariables() {
    toDebugger([](RunDebugger& d) { d.refreshVariables(); });
}
void GuiRunHost::restartStep() {
    post([this] { runs_.restart(MODE_STEP); });
}
void GuiRunHost::restartDebugRun() {
    post([this] { runs_.restart(MODE_DEBUG); });
}
void GuiRunHost::stopDebugging() {
    post([this] { runs_.stopDebugging(); });
}

}  // namespace orv::app
