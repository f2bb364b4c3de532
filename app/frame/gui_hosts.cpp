#include "app/frame/gui_hosts.h"

#include <QApplication>
#include <QMdiArea>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include "app/check/check_result.h"
#include "app/codec.h"
#include "app/editor/macro_editor.h"
#include "app/frame/main_frame.h"
#include "app/ids.h"
#include "app/message.h"
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
    if (CheckResultWindow* w = frame_->checkResult())
        w->reload();
    else
        frame_->openCheckResult();
}

void GuiCompileHost::raiseCheckResult() {
    if (CheckResultWindow* w = frame_->checkResult()) {
        w->show();
        w->raise();
    }
}

void GuiCompileHost::compiled(int storedMode) {
    frame_->executor().compiled(storedMode);
}

void GuiCompileHost::startRun(int mode) {
    // The frame starts the run once the compile has returned.
    (void)mode;
}

// ---- run host ----

void GuiRunHost::setEditor(MacroEditor* editor) {
    editor_ = editor;
}

void GuiRunHost::onUi(std::function<void()> fn, bool blocking) {
    if (QThread::currentThread() == frame_->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(frame_, std::move(fn),
                              blocking ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

void GuiRunHost::runStarted() {
    onUi([this] { frame_->onRunStart(); }, true);
}
void GuiRunHost::runDialogClose() {
    onUi([this] { frame_->onRunDialogClose(); }, true);
}
void GuiRunHost::runEnded(int autoRun, int running) {
    // Posted: the frame handles it after the worker has gone on to its end.
    QMetaObject::invokeMethod(
        frame_, [this, autoRun, running] { frame_->onRunEnd(autoRun, running); },
        Qt::QueuedConnection);
}
void GuiRunHost::showLine(int line0) {
    if (shuttingDown_) return;
    onUi(
        [this, line0] {
            if (!editor_) return;
            editor_->showLine(line0);
            editor_->setRunningLine(line0);
        },
        true);
}
void GuiRunHost::caretToEnd() {
    if (shuttingDown_) return;
    onUi(
        [this] {
            if (editor_) editor_->caretToEnd();
        },
        true);
}
bool GuiRunHost::macroModified() {
    bool m = false;
    onUi([&] { m = editor_ && editor_->modified(); }, true);
    return m;
}
void GuiRunHost::setRunGroup(bool enabled) {
    // Enabling waits for the end of the run (the frame re-enables the group then), so that
    // no command can clear the tables under a running worker.
    if (enabled) return;
    onUi([this] { frame_->setEditRunGroup(false); }, true);
}
void GuiRunHost::setDebugGroup(bool enabled) {
    onUi(
        [this, enabled] {
            for (int id : {ID_NEXTLINE, ID_CONTINUE, ID_STOPDEBUG}) frame_->setEnabled(id, enabled);
            // Debugging is over (or a run ended): no running line any more.
            if (!enabled && editor_) editor_->setRunningLine(-1);
        },
        true);
}
void GuiRunHost::setRunCommands(bool enabled) {
    if (enabled) return;
    onUi(
        [this] {
            for (int id : {ID_RUN, ID_DEBUGRUN, ID_STEP}) frame_->setEnabled(id, false);
        },
        true);
}
void GuiRunHost::setRecordEnabled(bool enabled) {
    (void)enabled;  // recording is not available in this build; the item stays grey
}
void GuiRunHost::minimizeOwner() {
    onUi(
        [this] {
            if (!frame_->isMinimized()) frame_->showMinimized();
        },
        true);
}
void GuiRunHost::restoreFrame() {
    if (shuttingDown_) return;
    onUi(
        [this] {
            if (frame_->isMinimized()) frame_->showNormal();
            frame_->raise();
            frame_->activateWindow();
        },
        true);
}
void GuiRunHost::focusMacro() {
    onUi(
        [this] {
            frame_->activateWindow();
            if (!editor_) return;
            if (QMdiArea* mdi = editor_->mdiArea()) mdi->setActiveSubWindow(editor_);
            editor_->edit()->setFocus();
        },
        true);
}
void GuiRunHost::runtimeError(const std::string& message) {
    if (shuttingDown_) return;
    onUi(
        [this, message] {
            showMessage(MsgKind::Critical, frame_, QStringLiteral("Orvane"), fromCp932(message));
        },
        true);
}
void GuiRunHost::messageBox(const std::string& text) {
    if (shuttingDown_) return;
    onUi([this,
          text] { showMessage(MsgKind::Info, frame_, QStringLiteral("Orvane"), fromCp932(text)); },
         true);
}
bool GuiRunHost::askYesNo(const std::string& text) {
    if (shuttingDown_) return false;
    bool yes = false;
    onUi(
        [&] {
            yes = showMessage(MsgKind::Question, frame_, QStringLiteral("Orvane"), fromCp932(text),
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        },
        true);
    return yes;
}
// The breakpoint test runs on the worker without a call to the user-interface thread; only a
// stop shows the window.
bool GuiRunHost::breakpointHit(const std::string& title, int line1) {
    if (!frame_->debugSession().breakpointHit(title, line1)) return false;
    if (!shuttingDown_) onUi([this] { frame_->showBreakpointStop(); }, true);
    return true;
}
const std::atomic<std::uint64_t>* GuiRunHost::breakpointVersion() {
    return &frame_->debugSession().version();
}
void GuiRunHost::clearBreakpointHot() {
    onUi([this] { frame_->clearBreakpointHot(); }, true);
}
void GuiRunHost::openBreakpoints() {
    onUi([this] { frame_->openBreakpointsWindow(); }, true);
}
void GuiRunHost::openVariables() {
    if (shuttingDown_) return;
    onUi([this] { frame_->openVariablesWindow(); }, true);
}
void GuiRunHost::closeVariables() {
    onUi([this] { frame_->closeVariablesWindow(); }, true);
}
void GuiRunHost::refreshVariables() {
    onUi([this] { frame_->refreshVariablesWindow(); }, true);
}
void GuiRunHost::postCommand(int id) {
    QMetaObject::invokeMethod(
        frame_, [this, id] { frame_->command(id); }, Qt::QueuedConnection);
}
void GuiRunHost::restartStep() {
    postCommand(ID_STEP);
}
void GuiRunHost::restartDebugRun() {
    postCommand(ID_DEBUGRUN);
}
void GuiRunHost::stopDebugging() {
    postCommand(ID_STOPDEBUG);
}

}  // namespace orv::app
