#include "app/frame/main_frame.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>

#include "app/codec.h"
#include "app/dialogs/settings_dialog.h"
#include "app/frame/gui_hosts.h"
#include "app/frame/hook_bridge.h"
#include "app/ids.h"
#include "app/message.h"
#include "executor/executor.h"
#include "lang/codes.h"

namespace orv::app {

MainFrame::MainFrame(const StartOptions& opts, Desktop& desktop, Clock& clock)
    : opts_(opts),
      startDir_(opts.startDir),
      ini_(opts.startDir + "/Orvane.ini"),
      desktop_(desktop),
      clock_(clock) {
    setObjectName("Orvane_Class");
    setWindowTitle(QStringLiteral("Orvane"));
    runHost_ = std::make_unique<GuiRunHost>(this);
    compileHost_ = std::make_unique<GuiCompileHost>(this);
    executor_ = std::make_unique<Executor>(tables_, desktop_, clock_, *runHost_);

    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("1");
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, &MainFrame::childActivated);
    buildMenus();

    // Frame creation: delete an old log, grey the groups and the items that need a window.
    QFile::remove(QString::fromStdString(logPath()));
    setFileWindowGroup(false);
    setEditRunGroup(false);
    for (int id : {ID_CUT, ID_COPY, ID_PASTE, ID_CHECKRESULT, ID_BREAKWIN, ID_BREAKTOGGLE,
                   ID_VARWIN, ID_CONTINUE, ID_NEXTLINE, ID_STOPDEBUG})
        setEnabled(id, false);
    resize(640, 500);
    if (QScreen* sc = QGuiApplication::primaryScreen())
        move(sc->availableGeometry().center() - QPoint(320, 250));

    recordBuffer_ = new QPlainTextEdit(this);
    recordBuffer_->setObjectName("2100");
    recordBuffer_->setGeometry(0, 400, 400, 400);
    recordBuffer_->hide();
    hook_ = new HookBridge(this);
    connect(hook_, &HookBridge::runAbortRequested, this, [this] {
        if (runDialog_) runDialog_->stop();
    });
    connect(hook_, &HookBridge::pointPicked, this, [this](unsigned m, int tag, int lparam) {
        if (autoClickDialog_) autoClickDialog_->picked(m, tag, lparam);
    });
    connect(hook_, &HookBridge::messageRequested, this,
            [this](const QString& caption, const QString& text) {
                showMessage(MsgKind::Warning, this, caption, text);
            });
    hook_->attach();

    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &MainFrame::menuTimer);
}

MainFrame::~MainFrame() {
    shutdown();
}

std::string MainFrame::logPath() const {
    return startDir_ + "/comp.his";
}

bool MainFrame::startUp() {
    int clientWidth = mdi_->width();
    if (!loadSettings(ini_, clientWidth, settings_)) {
        showMessage(
            MsgKind::Info, this, QStringLiteral("Orvane"),
            u8q("Orvaneをお使いいただきありがとうごさいます。\r\n初期設定をおこないます。"));
        writeFirstRunDefaults(ini_, settings_);
        SettingsDialog d(this, settings_, ini_);
        d.exec();
    } else if (settings_.framePosSaved) {
        setGeometry(settings_.frame.left, settings_.frame.top, settings_.frame.width,
                    settings_.frame.height);
    }
    tools::loadAutoClick(ini_, autoClick_);
    // The editors' gutters show the stored breakpoints; the window reports any damage.
    breakpoints_.load(breakpointFile(), false);
    applyRunSettings();
    timer_->start();
    show();
    showToolbox();
    bool ok = true;
    autoRunDecision(ok);
    return ok;
}

// ---- menu groups ----

void MainFrame::setFileWindowGroup(bool on) {
    for (int id : {ID_SAVE, ID_SAVEAS, ID_CLOSE, ID_CASCADE, ID_TILE, ID_CLOSEALL, ID_ARRANGE})
        setEnabled(id, on);
}

void MainFrame::setEditRunGroup(bool on) {
    // The group stays grey while a run or a paused debug run is active; the run commands
    // also while recording.
    for (int id : {ID_SELECTALL, ID_FIND, ID_REPLACE}) setEnabled(id, on && !runActive());
    for (int id : {ID_RUN, ID_CHECK, ID_DEBUGRUN, ID_STEP})
        setEnabled(id, on && !runActive() && !recording_);
}

void MainFrame::noChildrenLeft() {
    setFileWindowGroup(false);
    setEditRunGroup(false);
    // With no editor there is nothing to cut or copy from (the menu timer stops updating them).
    setEnabled(ID_CUT, false);
    setEnabled(ID_COPY, false);
}

bool MainFrame::runActive() const {
    return executor_->workerActive() || runBusy(executor_->record().mode.load());
}

// ---- MDI children ----

QMdiSubWindow* MainFrame::activeChild() const {
    return mdi_->activeSubWindow();
}

MacroEditor* MainFrame::activeEditor() const {
    return qobject_cast<MacroEditor*>(mdi_->activeSubWindow());
}

void MainFrame::childActivated(QMdiSubWindow* w) {
    if (auto* e = qobject_cast<MacroEditor*>(w)) editorActivated(e);
    if (auto* c = qobject_cast<CheckResultWindow*>(w); c && c == checkResult_)
        checkResultActivated();
    if (w && w == breakWin_) breakpointsActivated();
    if (w && w == toolbox_) toolboxActivated();
    if (w && w == varWin_) variablesActivated();
}

MacroEditor* MainFrame::openEditor(int mode) {
    int n = openEditors_;
    ++openEditors_;
    EditorStart start{mode, {}};
    if (mode == EDITOR_AUTORUN) start.source = QFile::decodeName(autoRunPath().c_str());
    if (mode == EDITOR_RECORDED) start.source = recordBuffer_->toPlainText();
    bool ok = true;
    auto* e = new MacroEditor(this, *this, openEditors_, start, ok);
    connect(e, &QObject::destroyed, this, &MainFrame::editorDestroyed);
    connect(e, &MacroEditor::stopDebugRequested, this, &MainFrame::stopDebug);
    connect(e, &MacroEditor::gutterClicked, this,
            [this, e](int line1) { toggleBreakpointAt(e, line1); });
    connect(e, &QMdiSubWindow::windowTitleChanged, this, &MainFrame::showBreakpointMarks);
    // 保存(S) follows the active editor's modified flag as it changes.
    connect(e->edit()->document(), &QTextDocument::modificationChanged, this, [this, e](bool m) {
        if (activeEditor() == e) setEnabled(ID_SAVE, m);
    });
    if (!ok) {
        delete e;  // its destruction decrements the counter again
        return nullptr;
    }
    // The creation rules first: the activation that showing brings comes after them (it
    // enables the toggle that creation greys).
    editorCreated(e);
    mdi_->addSubWindow(e);
    e->setGeometry(7 * n, 7 * n + 71, 500, 400);
    e->show();
    showBreakpointMarks();
    if (mode == EDITOR_AUTORUN)
        QTimer::singleShot(0, this, [this, e] { compileEditor(e, MODE_AUTO); });
    return e;
}

void MainFrame::editorCreated(MacroEditor*) {
    setFileWindowGroup(true);
    setEditRunGroup(true);
    if (!breakWin_) setEnabled(ID_BREAKWIN, true);
    setEnabled(ID_BREAKTOGGLE, false);
}

void MainFrame::editorDestroyed() {
    if (shutDown_) return;
    --openEditors_;
    if (openEditors_ <= 0) noChildrenLeft();
}

void MainFrame::editorActivated(MacroEditor* e) {
    lastEditor_ = e;
    if (toolbox_) toolbox_->setTarget(e->edit());
    const int mode = executor_->record().mode.load();
    if (mode == MODE_IDLE && !runActive()) setEditRunGroup(true);
    if ((mode == MODE_IDLE || mode == MODE_STEP) && !breakWin_) setEnabled(ID_BREAKWIN, true);
    setEnabled(ID_BREAKTOGGLE, true);
    setEnabled(ID_SAVE, e->modified());
    setEnabled(ID_SAVEAS, true);
}

EditorRunQuery::Use MainFrame::runUse(const MacroEditor* editor) const {
    if (editor != runEditor_.data()) return Use::None;
    // A paused debug run (step mode) may let its editor go after a question; any other run
    // reads the editor and keeps it.
    if (!executor_->workerActive() && executor_->record().mode.load() == MODE_STEP)
        return Use::Stepping;
    return runActive() ? Use::Running : Use::None;
}

CheckResultWindow* MainFrame::openCheckResult() {
    if (checkResult_) {
        mdi_->setActiveSubWindow(checkResult_);
        return checkResult_;
    }
    bool ok = true;
    auto* w = new CheckResultWindow(this, ok);
    connect(w, &QObject::destroyed, this, &MainFrame::checkResultDestroyed);
    connect(w, &CheckResultWindow::gotoLineRequested, this, &MainFrame::gotoLine);
    if (!ok) {
        delete w;
        return nullptr;
    }
    checkResult_ = w;
    mdi_->addSubWindow(w);
    QRect c = mdi_->contentsRect();
    w->setGeometry(0, c.bottom() - 90, c.width(), 90);
    w->show();
    checkResultActivated();
    setEnabled(ID_CHECKRESULT, false);
    return w;
}

void MainFrame::checkResultDestroyed() {
    checkResult_ = nullptr;
    if (!shutDown_ && QFile::exists(QString::fromStdString(logPath())))
        setEnabled(ID_CHECKRESULT, true);
}

void MainFrame::checkResultActivated() {
    for (int id : {ID_BREAKWIN, ID_BREAKTOGGLE, ID_CHECK, ID_RUN, ID_SAVE, ID_SAVEAS})
        setEnabled(id, false);
}

void MainFrame::gotoLine(const QString& macroName, int line1) {
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        if (w->windowTitle() == macroName) {
            mdi_->setActiveSubWindow(w);
            if (auto* e = qobject_cast<MacroEditor*>(w)) e->gotoLine(line1);
            return;
        }
    }
}

// ---- frame rectangle and shutdown ----

void MainFrame::rememberFramePos() {
    // While recording the frame lies beneath the stop window: its own place stays stored.
    if (recording_) return;
    if (isMinimized() || isMaximized()) return;
    frameRect_ = geometry();
}

void MainFrame::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    rememberFramePos();
    // UM_RELAYOUT: the toolbox follows the width of the client area.
    if (toolbox_) toolbox_->relayout(mdi_->viewport()->width());
}

void MainFrame::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    rememberFramePos();
}

void MainFrame::closeEvent(QCloseEvent* e) {
    // Modified editors are asked about first; Cancel keeps the program open.
    if (!shutDown_ && !confirmCloseEditors()) {
        e->ignore();
        return;
    }
    shutdown();
    e->accept();
}

void MainFrame::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    // 1. Every child goes (modified ones were asked about by the close).
    for (QMdiSubWindow* w : mdi_->subWindowList()) delete w;
    if (findDialog_) delete findDialog_;
    timer_->stop();
    // 3. Stop a running worker; its pending calls to this thread are answered while we wait.
    runHost_->setShuttingDown();
    if (executor_->workerActive()) {
        executor_->requestStop();
        while (executor_->workerActive())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    executor_->join();
    // 4. Close open CSV files.
    executor_->stopDebug();
    // 6. The frame rectangle.
    QRect r = frameRect_.isValid() ? frameRect_ : geometry();
    ini_.writeInt(kSystem, "WNXLPOS", r.x());
    ini_.writeInt(kSystem, "WNYLPOS", r.y());
    ini_.writeInt(kSystem, "WNXRPOS", r.width());
    ini_.writeInt(kSystem, "WNYRPOS", r.height());
    onRunDialogClose();
    // 5. Installed hooks are removed; a recording still running is dropped.
    hook_->detach();
    delete recordStop_;
    recording_ = false;
}

}  // namespace orv::app
