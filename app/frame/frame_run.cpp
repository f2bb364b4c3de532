// The frame's side of a run: compiling an editor, starting the run, the running dialog, the
// stop button, the end of the run, and the auto-run decision at start-up.
#include <QFileInfo>
#include <QTimer>

#include "app/codec.h"
#include "app/editor/error_marks.h"
#include "app/frame/gui_hosts.h"
#include "app/frame/hook_bridge.h"
#include "app/frame/main_frame.h"
#include "app/ids.h"
#include "app/message.h"
#include "compiler/compile_driver.h"
#include "executor/executor.h"
#include "lang/codes.h"
#include "lang/text.h"

namespace orv::app {

namespace {

const char* const kBadExitFlag =
    "ﾊﾟﾗﾒﾀの指定方法が違います。\r\n>Orvane \"自動実行ﾏｸﾛﾌｧｲﾙ\" 終了ﾌﾗｸﾞ\r\n"
    "ﾏｸﾛﾌｧｲﾒﾙはﾌﾙﾊﾟｽを指定。\r\n終了ﾌﾗｸﾞ= 0(ﾏｸﾛ終了後ﾌﾟﾛｸﾞﾗﾑを終了しない) or "
    "1(ﾏｸﾛ終了後ﾌﾟﾛｸﾞﾗﾑを終了する)";

}  // namespace

void MainFrame::compileEditor(MacroEditor* editor, int kind) {
    if (!editor || runActive()) return;
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
    req.logPath = logPath();
    req.text = text;
    bool ok = compile(tables_, req, *compileHost_);
    markCompileErrors(*editor, QString::fromStdString(logPath()));
    if (ok && startsRun(kind)) startRun(editor, kind);
}

void MainFrame::applyRunSettings() {
    executor_->settings().comTime = settings_.comTime;
    executor_->settings().ignoreErrors = settings_.sExeErr == 1;
    executor_->settings().minimizeWhileRunning = settings_.eMinWin == 1;
}

void MainFrame::startRun(MacroEditor* editor, int mode) {
    runEditor_ = editor;
    executor_->record().macroTitle = toCp932(editor->windowTitle());
    applyRunSettings();
    stoppedByButton_ = false;
    for (int id : {ID_RUN, ID_DEBUGRUN, ID_STEP, ID_RECORD}) setEnabled(id, false);
    setEditRunGroup(false);
    if (!executor_->startRun(mode)) {
        showMessage(MsgKind::Critical, this, QStringLiteral("Orvane"),
                    u8q("マクロ実行スレッドを開始できませんでした。"));
        setEditRunGroup(openEditors_ > 0);
        return;
    }
    if ((mode == MODE_RUN || mode == MODE_AUTO) && settings_.eMinWin == 1 && !isMinimized())
        showMinimized();
}

void MainFrame::onRunStart() {
    if (runDialog_) return;
    QString name = runEditor_ ? runEditor_->windowTitle() : QString();
    runDialog_ = new RunningDialog(this, name, settings_.eMinWin == 1);
    runDialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(runDialog_, &RunningDialog::stopRequested, this, &MainFrame::stopButton);
    runDialog_->show();
    hook_->watchEsc();
}

void MainFrame::onRunDialogClose() {
    // A debug run that stops at a breakpoint closes the dialog too: Esc is no longer watched.
    hook_->unwatchEsc();
    if (runDialog_) {
        runDialog_->hide();
        runDialog_->deleteLater();
        runDialog_ = nullptr;
    }
}

void MainFrame::stopButton() {
    hook_->unwatchEsc();
    stoppedByButton_ = true;
    executor_->requestStop();
}

void MainFrame::onRunEnd(int autoRun, int running) {
    executor_->join();
    // After every end of a run the Esc watch goes, so that a later recording records keys.
    hook_->unwatchEsc();
    onRunDialogClose();
    if (shutDown_) return;
    if (override_) {
        settings_.exeMacro = savedAutoRunPath_;
        override_ = false;
    }
    bool closeProgram = false;
    reportRunEnd(autoRun, running, closeProgram);
    stoppedByButton_ = false;
    if (executor_->record().mode.load() == MODE_IDLE) {
        setEditRunGroup(openEditors_ > 0);
        for (int id : {ID_RUN, ID_DEBUGRUN, ID_STEP}) setEnabled(id, openEditors_ > 0);
        setEnabled(ID_RECORD, true);
    }
    if (closeProgram) close();
}

// The messages at the end of a run, and whether an automatic run closes the program.
void MainFrame::reportRunEnd(int autoRun, int running, bool& closeProgram) {
    auto say = [this](const QString& text) {
        showMessage(MsgKind::Info, this, QStringLiteral("Orvane"), text);
    };
    QString name = runEditor_ ? runEditor_->windowTitle() : QString();
    if (stoppedByButton_ && !(autoRun == 1 && settings_.autoFin == 1))
        say(name + u8q(" は中断されました"));
    if (autoRun == 1) {
        if (settings_.autoFin == 1)
            closeProgram = running != 0;
        else if (settings_.srcEndM == 1)
            say(u8q("マクロ実行終了"));
        if (autoFinSaved_) {
            settings_.autoFin = savedAutoFin_;
            autoFinSaved_ = false;
        }
    } else if (settings_.srcEndM == 1) {
        say(u8q("マクロ実行終了"));
    }
}

void MainFrame::autoRunDecision(bool& ok) {
    int savedAutoExe = settings_.autoExe;
    if (!opts_.macroPath.isEmpty())
        ok = commandLineOverride();
    else if (settings_.autoExe == 1)
        configuredAutoRun();
    settings_.autoExe = savedAutoExe;
}

// The macro named on the command line stands in for the configured auto-run macro until its
// run ends. False when the exit flag is invalid (the program ends).
bool MainFrame::commandLineOverride() {
    if (!QFileInfo::exists(opts_.macroPath)) {
        showMessage(MsgKind::Warning, this, QStringLiteral("Orvane"),
                    u8q("外部パラメタで指定されたマクロファイルが存在しません。"));
        return true;
    }
    override_ = true;
    savedAutoRunPath_ = settings_.exeMacro;
    settings_.exeMacro = toCp932(QFileInfo(opts_.macroPath).absoluteFilePath());
    savedAutoFin_ = settings_.autoFin;
    autoFinSaved_ = true;
    settings_.autoExe = 1;
    int flag = 0;
    if (opts_.haveExitFlag) {
        flag = toInt(toCp932(opts_.exitFlag));
        if (flag != 0 && flag != 1) {
            showMessage(MsgKind::Warning, this, QStringLiteral("Orvane"), u8q(kBadExitFlag));
            return false;
        }
    }
    settings_.autoFin = flag;
    QTimer::singleShot(0, this, [this] { openEditor(EDITOR_AUTORUN); });
    return true;
}

void MainFrame::configuredAutoRun() {
    savedAutoFin_ = settings_.autoFin;
    autoFinSaved_ = true;
    if (!QFileInfo::exists(fromCp932(settings_.exeMacro))) {
        showMessage(MsgKind::Warning, this, QStringLiteral("Orvane"),
                    u8q("指定されたマクロファイルが存在しません。"));
        settings_.autoFin = 0;
    } else {
        QTimer::singleShot(0, this, [this] { openEditor(EDITOR_AUTORUN); });
    }
}

}  // namespace orv::app
