#include "app/frame/run_controller.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QTimer>

#include "app/check/check_result.h"
#include "app/codec.h"
#include "app/dialogs/running_dialog.h"
#include "app/editor/error_marks.h"
#include "app/frame/app_core.h"
#include "app/frame/gui_hosts.h"
#include "app/frame/hook_bridge.h"
#include "app/frame/window_places.h"
#include "app/message.h"
#include "compiler/compile_driver.h"
#include "executor/executor.h"
#include "lang/text.h"
#include "platform/desktop.h"

namespace orv::app {

namespace {

const char* const kBadExitFlag =
    "ﾊﾟﾗﾒﾀの指定方法が違います。\r\n>Orvane \"自動実行ﾏｸﾛﾌｧｲﾙ\" 終了ﾌﾗｸﾞ\r\n"
    "ﾏｸﾛﾌｧｲﾒﾙはﾌﾙﾊﾟｽを指定。\r\n終了ﾌﾗｸﾞ= 0(ﾏｸﾛ終了後ﾌﾟﾛｸﾞﾗﾑを終了しない) or "
    "1(ﾏｸﾛ終了後ﾌﾟﾛｸﾞﾗﾑを終了する)";

}  // namespace

RunController::RunController(AppCore& core, HookBridge& hook, QWidget* frame, QMdiArea* mdi)
    : QObject(frame),
      core_(core),
      hook_(hook),
      frame_(frame),
      mdi_(mdi),
      runHost_(std::make_unique<GuiRunHost>(*this, frame)),
      compileHost_(std::make_unique<GuiCompileHost>(*this, frame)),
      executor_(std::make_unique<Executor>(core.tables, core.desktop, core.clock, *runHost_)) {
    connect(&hook_, &HookBridge::runAbortRequested, this, [this] {
        if (dialog_) dialog_->stop();
    });
}

RunController::~RunController() {
    shutdown();
}

void RunController::setDebugger(RunDebugger* debug) {
    runHost_->setDebugger(debug);
}

bool RunController::busy() const {
    return executor_->workerActive() || runBusy(executor_->mode()) || activity_ != Activity::Idle;
}

void RunController::compile(MacroEditor* editor, int kind) {
    if (!editor || busy()) return;
    compileHost_->setTarget(editor, kind == MODE_AUTO);
    runHost_->setEditor(editor);
    // A macro that was never saved gets its file before the log names it, so that the log and
    // the check-result window name the file that was compiled (a cancelled save keeps the
    // "New Macro" name, as before).
    if (editor->neverSaved() && editor->modified()) editor->save(false);
    const std::string text = editor->textBytes();  // the request only views it
    CompileRequest req;
    req.fileName = toCp932(editor->windowTitle());
    if (req.fileName.size() > 1023) req.fileName.resize(1023);
    req.mode = kind;
    req.logPath = core_.logPath();
    req.text = text;
    const bool ok = orv::compile(core_.tables, req, *compileHost_);
    markCompileErrors(*editor, QString::fromStdString(core_.logPath()));
    emit stateChanged();  // comp.his is there now
    if (ok && startsRun(kind)) start(editor, kind);
}

void RunController::applySettings() {
    RunSettings& r = executor_->settings();
    r.comTime = core_.settings.comTime;
    r.ignoreErrors = core_.settings.ignoreRunErrors;
    r.minimizeWhileRunning = core_.settings.minimizeWhileRunning;
}

void RunController::start(MacroEditor* editor, int kind) {
    runEditor_ = editor;
    applySettings();
    stoppedByButton_ = false;
    if (!executor_->startRun(kind, toCp932(editor->windowTitle())))
        showMessage(MsgKind::Critical, frame_, QStringLiteral("Orvane"),
                    u8q("マクロ実行スレッドを開始できませんでした。"));
}

void RunController::runState(const RunState& state) {
    switch (state.phase) {
        case RunPhase::Running:
            activity_ = state.kind == MODE_DEBUG ? Activity::DebugRunning : Activity::Running;
            break;
        case RunPhase::Paused:
            activity_ = Activity::Paused;
            break;
        case RunPhase::Ended:
            if (runEditor_) runEditor_->setRunningLine(-1);
            // A worker that executed rows posts the end of its run: the commands come back
            // then, once it has been joined. A step run or a pause ends here.
            if (activity_ == Activity::Paused) activity_ = Activity::Idle;
            break;
        case RunPhase::Idle:
            activity_ = Activity::Idle;
            break;
    }
    emit stateChanged();
}

void RunController::runStarted() {
    if (dialog_) return;
    const QString name = runEditor_ ? runEditor_->windowTitle() : QString();
    dialog_ = new RunningDialog(frame_, name, core_.settings.minimizeWhileRunning);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog_, &RunningDialog::stopRequested, this, &RunController::stopButton);
    dialog_->show();
    hook_.watchEsc();
}

void RunController::runDialogClose() {
    // A debug run that stops at a breakpoint closes the dialog too: Esc is no longer watched.
    hook_.unwatchEsc();
    if (dialog_) {
        dialog_->hide();
        dialog_->deleteLater();
        dialog_ = nullptr;
    }
}

void RunController::stopButton() {
    hook_.unwatchEsc();
    stoppedByButton_ = true;
    executor_->requestStop();
}

void RunController::settleTypedInput() {
    core_.desktop.cursor();  // a round trip: the server has every key the macro sent
    QGuiApplication::sync();
}

void RunController::runEnded(int autoRun, int running) {
    executor_->join();
    // After every end of a run the Esc watch goes, so that a later recording records keys.
    runDialogClose();
    if (shutDown_) return;
    endCommandLineOverride();
    if (executor_->mode() == MODE_IDLE) {
        settleTypedInput();
        activity_ = Activity::Idle;
        emit stateChanged();
    }
    bool closeProgram = false;
    showEndMessages(autoRun, running, closeProgram);
    stoppedByButton_ = false;
    if (closeProgram) emit closeRequested();
}

// The messages at the end of a run, and whether an automatic run closes the program.
void RunController::showEndMessages(int autoRun, int running, bool& closeProgram) {
    const Settings& s = core_.settings;
    auto say = [this](const QString& text) {
        showMessage(MsgKind::Info, frame_, QStringLiteral("Orvane"), text);
    };
    const QString name = runEditor_ ? runEditor_->windowTitle() : QString();
    if (stoppedByButton_ && !(autoRun == 1 && s.autoFin == 1)) say(name + u8q(" は中断されました"));
    if (autoRun == 1) {
        if (s.autoFin == 1)
            closeProgram = running != 0;
        else if (s.endMessage)
            say(u8q("マクロ実行終了"));
        if (override_.autoFinSaved) {
            core_.settings.autoFin = override_.savedAutoFin;
            override_.autoFinSaved = false;
        }
    } else if (s.endMessage) {
        say(u8q("マクロ実行終了"));
    }
}

EditorRunQuery::Use RunController::runUse(const MacroEditor* editor) const {
    if (editor != runEditor_.data()) return Use::None;
    // A paused debug run (step mode) may let its editor go after a question; any other run
    // reads the editor and keeps it.
    if (!executor_->workerActive() && executor_->mode() == MODE_STEP) return Use::Stepping;
    return busy() ? Use::Running : Use::None;
}

CheckResultWindow* RunController::openCheckResult(bool forCompile) {
    if (checkResult_) {
        bringIntoView(mdi_, checkResult_);
        return checkResult_;
    }
    CheckResultWindow* w = CheckResultWindow::create(frame_);
    if (!w) return nullptr;
    checkResult_ = w;
    connect(w, &QObject::destroyed, this, [this] {
        checkResult_ = nullptr;
        emit stateChanged();
    });
    connect(w, &CheckResultWindow::gotoLineRequested, this, &RunController::gotoLineRequested);
    const QRect c = mdi_->viewport()->rect();
    addChild(mdi_, w, QRect(0, c.bottom() - 90, c.width(), 90),
             forCompile ? Activation::Keep : Activation::Take);
    emit stateChanged();
    return w;
}

void RunController::restart(int kind) {
    if (executor_->mode() == MODE_STEP) executor_->stopDebug();
    compile(runEditor_, kind);
}

void RunController::stopDebugging() {
    if (executor_->mode() == MODE_STEP) executor_->stopDebug();
}

// ---- the auto-run decision ----

bool RunController::autoRunDecision() {
    const StartOptions& opts = core_.start;
    Settings& s = core_.settings;
    const int savedAutoExe = s.autoExe;
    bool ok = true;
    if (!opts.macroPath.isEmpty())
        ok = commandLineOverride(opts);
    else if (s.autoExe == 1)
        configuredAutoRun();
    s.autoExe = savedAutoExe;
    return ok;
}

// The macro named on the command line stands in for the configured auto-run macro until its
// run ends. False when the exit flag is invalid (the program ends).
bool RunController::commandLineOverride(const StartOptions& opts) {
    Settings& s = core_.settings;
    if (!QFileInfo::exists(opts.macroPath)) {
        showMessage(MsgKind::Warning, frame_, QStringLiteral("Orvane"),
                    u8q("外部パラメタで指定されたマクロファイルが存在しません。"));
        return true;
    }
    override_.active = true;
    override_.savedPath = s.exeMacro;
    s.exeMacro = toCp932(QFileInfo(opts.macroPath).absoluteFilePath());
    override_.savedAutoFin = s.autoFin;
    override_.autoFinSaved = true;
    s.autoExe = 1;
    int flag = 0;
    if (opts.haveExitFlag) {
        flag = toInt(toCp932(opts.exitFlag));
        if (flag != 0 && flag != 1) {
            showMessage(MsgKind::Warning, frame_, QStringLiteral("Orvane"), u8q(kBadExitFlag));
            return false;
        }
    }
    s.autoFin = flag;
    requestAutoRun();
    return true;
}

void RunController::configuredAutoRun() {
    Settings& s = core_.settings;
    override_.savedAutoFin = s.autoFin;
    override_.autoFinSaved = true;
    if (!QFileInfo::exists(fromCp932(s.exeMacro))) {
        showMessage(MsgKind::Warning, frame_, QStringLiteral("Orvane"),
                    u8q("指定されたマクロファイルが存在しません。"));
        s.autoFin = 0;
    } else {
        requestAutoRun();
    }
}

// UM_AUTORUN, once the frame's creation is over.
void RunController::requestAutoRun() {
    const QString path = QFile::decodeName(core_.settings.exeMacro.c_str());
    QTimer::singleShot(0, this, [this, path] { emit autoRunRequested(path); });
}

void RunController::endCommandLineOverride() {
    if (!override_.active) return;
    core_.settings.exeMacro = override_.savedPath;
    override_.active = false;
}

// ---- shutdown ----

void RunController::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    // A running worker is asked to stop; its pending calls to this thread are answered while
    // it ends.
    runHost_->setShuttingDown();
    if (executor_->workerActive()) {
        executor_->requestStop();
        while (executor_->workerActive())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    executor_->join();
    executor_->stopDebug();  // the CSV files close
    runDialogClose();
}

}  // namespace orv::app
