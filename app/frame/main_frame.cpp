#include "app/frame/main_frame.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "app/codec.h"
#include "app/debugger/debugger_windows.h"
#include "app/dialogs/settings_dialog.h"
#include "app/frame/debug_controller.h"
#include "app/frame/editor_controller.h"
#include "app/frame/hook_bridge.h"
#include "app/frame/hotkey_controller.h"
#include "app/frame/record_controller.h"
#include "app/frame/recovery_controller.h"
#include "app/frame/window_places.h"
#include "app/message.h"
#include "app/tools/autoclick_dialog.h"
#include "app/tools/toolbox.h"
#include "executor/executor.h"
#include "lang/codes.h"

namespace orv::app {

namespace {

// The kind of an MDI child, by its window class.
struct ChildClass {
    const char* name;
    ChildKind kind;
};
constexpr ChildClass kChildClasses[] = {
    {"Orv_Macro", ChildKind::Editor},       {"Orv_ToolBox", ChildKind::Toolbox},
    {"Orv_CmpChk", ChildKind::CheckResult}, {"Orv_Break", ChildKind::Breakpoints},
    {"Orv_Val", ChildKind::Variables},
};

ChildKind kindOf(const QMdiSubWindow* w) {
    if (!w) return ChildKind::None;
    for (const ChildClass& c : kChildClasses)
        if (w->objectName() == QLatin1String(c.name)) return c.kind;
    return ChildKind::None;
}

}  // namespace

MainFrame::MainFrame(const StartOptions& opts, Desktop& desktop, Clock& clock,
                     std::unique_ptr<HotkeySource> hotkeys)
    : core_(opts, desktop, clock) {
    setObjectName("Orvane_Class");
    setWindowTitle(QStringLiteral("Orvane"));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("1");
    setCentralWidget(mdi_);
    hook_ = new HookBridge(this);
    createControllers();
    hotkeys_ = new HotkeyController(core_, this, std::move(hotkeys));
    recovery_ = new RecoveryController(*editors_, this);
    buildFileEditMenus();
    buildToolsMenu();
    buildViewHelpMenus();
    wireControllers();
    setAcceptDrops(true);
    // Frame creation: an old log goes; the commands start as the rules say for no window.
    QFile::remove(QString::fromStdString(core_.logPath()));
    updateActions();
    resize(640, 500);
    if (QScreen* sc = QGuiApplication::primaryScreen())
        move(sc->availableGeometry().center() - QPoint(320, 250));
    hook_->attach();
    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &MainFrame::menuTimer);
}

MainFrame::~MainFrame() {
    shutdown();
}

void MainFrame::createControllers() {
    runs_ = new RunController(core_, *hook_, this, mdi_);
    editors_ = new EditorController(mdi_, this, *runs_, core_.ini);
    debug_ = new DebugController(core_, *runs_, *editors_, mdi_, this);
    runs_->setDebugger(debug_);
    record_ = new RecordController(this, *hook_, core_.settings);
}

void MainFrame::wireControllers() {
    connect(mdi_, &QMdiArea::subWindowActivated, this, &MainFrame::childActivated);
    connect(editors_, &EditorController::changed, this, [this] {
        debug_->showMarks();
        updateActions();
    });
    connect(editors_, &EditorController::stopDebugRequested, debug_, &DebugController::stop);
    connect(editors_, &EditorController::gutterClicked, debug_, &DebugController::toggleAt);
    connect(runs_, &RunController::stateChanged, this, &MainFrame::updateActions);
    connect(runs_, &RunController::closeRequested, this, &QWidget::close);
    connect(runs_, &RunController::gotoLineRequested, editors_, &EditorController::gotoLine);
    connect(runs_, &RunController::autoRunRequested, this, [this](const QString& path) {
        // UM_AUTORUN: the editor loads the macro, then compiles and runs it.
        if (MacroEditor* e = editors_->open(EDITOR_AUTORUN, path))
            QTimer::singleShot(0, e, [this, e] { runs_->compile(e, MODE_AUTO); });
    });
    connect(debug_, &DebugController::stateChanged, this, &MainFrame::updateActions);
    connect(record_, &RecordController::recordingChanged, this, &MainFrame::updateActions);
    connect(record_, &RecordController::recorded, this, &MainFrame::openRecorded);
    connect(hotkeys_, &HotkeyController::runRequested, this, &MainFrame::runFromHotkey);
    connect(hook_, &HookBridge::messageRequested, this,
            [this](const QString& caption, const QString& text) {
                showMessage(MsgKind::Warning, this, caption, text);
            });
}

bool MainFrame::startUp() {
    Settings& s = core_.settings;
    if (!loadSettings(core_.ini, mdi_->width(), s)) {
        showMessage(
            MsgKind::Info, this, QStringLiteral("Orvane"),
            u8q("Orvaneをお使いいただきありがとうごさいます。\r\n初期設定をおこないます。"));
        writeFirstRunDefaults(core_.ini, s);
        SettingsDialog d(this, s, core_.ini);
        d.exec();
    } else if (s.framePosSaved) {
        setGeometry(s.frame.left, s.frame.top, s.frame.width, s.frame.height);
    }
    tools::loadAutoClick(core_.ini, core_.autoClick);
    // The editors' gutters show the stored breakpoints; the window reports any damage.
    debug_->loadStored();
    runs_->applySettings();
    timer_->start();
    show();
    showToolbox();
    hotkeys_->start();
    editors_->recent().load();
    // An automatic run starts unattended: left texts are offered at the next start instead.
    recovery_->offerLeftovers(core_.start.macroPath.isEmpty() && s.autoExe != 1);
    if (!runs_->autoRunDecision()) return false;
    if (!core_.start.openFiles.isEmpty()) openFiles(core_.start.openFiles);
    return true;
}

// ---- the menu rules ----

FrameState MainFrame::frameState() const {
    FrameState s;
    s.activity = record_->recording() ? Activity::Recording : runs_->activity();
    s.editors = editors_->count();
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (w != toolbox_) ++s.windows;
    s.active = kindOf(mdi_->currentSubWindow());
    if (MacroEditor* e = editors_->active()) {
        s.activeModified = e->modified();
        s.selection = e->edit()->textCursor().hasSelection();
    }
    s.clipboard = clipboard_;
    s.toolboxOpen = toolbox_ != nullptr;
    s.checkResultOpen = runs_->checkResult() != nullptr;
    s.logExists = QFile::exists(QString::fromStdString(core_.logPath()));
    s.breakpointsOpen = debug_->breakpointsWindow() != nullptr;
    s.variablesOpen = debug_->variablesWindow() != nullptr;
    return s;
}

void MainFrame::updateActions() {
    if (shutDown_) return;
    const FrameState s = frameState();
    for (const MenuRule& r : menuRules())
        if (QAction* a = action(r.id)) a->setEnabled(r.enabled(s));
    // While a macro's rows execute, keys it types must not land in an editor.
    const bool rowsExecute = s.activity == Activity::Running ||
                             s.activity == Activity::DebugRunning || debug_->stepping();
    editors_->lockWhileRunning(rowsExecute);
}

// The menu refresh of every second: the clipboard is looked at while an editor is open.
void MainFrame::menuTimer() {
    reportSettingsFailure();
    if (editors_->count() <= 0) return;
    const QMimeData* md = QApplication::clipboard()->mimeData();
    clipboard_ = md && !md->formats().isEmpty();
    updateActions();
}

void MainFrame::childActivated(QMdiSubWindow* w) {
    if (auto* e = qobject_cast<MacroEditor*>(w)) {
        editors_->activated(e);
        if (toolbox_) toolbox_->setTarget(e->edit());
    }
    updateActions();
}

// ---- commands the frame carries out ----

void MainFrame::showToolbox() {
    if (toolbox_) {
        bringIntoView(mdi_, toolbox_);
        return;
    }
    auto* t = new ToolboxWindow(core_.desktop, this);
    toolbox_ = t;
    // Each window's pointer goes first when it is destroyed: the rules must not look at a
    // window half gone.
    connect(t, &QObject::destroyed, this, [this] {
        toolbox_ = nullptr;
        updateActions();
    });
    mdi_->addSubWindow(t);
    t->relayout(mdi_->viewport()->width());
    editors_->setFirstTop(t->height() + 1);
    if (MacroEditor* e = editors_->last()) t->setTarget(e->edit());
    t->show();
    updateActions();
}

void MainFrame::closeAll() {
    if (!editors_->confirmClose()) return;
    for (QMdiSubWindow* w : mdi_->subWindowList()) delete w;
    updateActions();
}

// 40018: the active window closes as its close box would close it, so that a modified
// editor is asked about and nothing is lost.
void MainFrame::closeActive() {
    if (QMdiSubWindow* w = mdi_->currentSubWindow()) w->close();
    updateActions();
}

void MainFrame::autoClick() {
    AutoClickDialog d(this, core_.autoClick, core_.desktop, *hook_, core_.ini);
    connect(hook_, &HookBridge::pointPicked, &d, &AutoClickDialog::picked);
    d.exec();
}

void MainFrame::systemSettings() {
    SettingsDialog d(this, core_.settings, core_.ini);
    d.exec();
    runs_->applySettings();
}

// A recording's text in a new editor, which has the keyboard focus as a window just opened
// for the user should.
void MainFrame::openRecorded(const QString& text) {
    MacroEditor* e = editors_->open(EDITOR_RECORDED, text);
    if (!e) return;
    raise();
    activateWindow();
    e->edit()->setFocus();
}

void MainFrame::openFiles(const QStringList& paths) {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    for (const QString& p : paths) editors_->openPath(p);
}

void MainFrame::dragEnterEvent(QDragEnterEvent* e) {
    const QList<QUrl> urls = e->mimeData()->urls();
    if (!urls.isEmpty() &&
        std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); }))
        e->acceptProposedAction();
}

void MainFrame::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile()) paths << u.toLocalFile();
    if (paths.isEmpty()) return;
    e->acceptProposedAction();
    for (const QString& p : paths) editors_->openPath(p);
}

void MainFrame::runFromHotkey(const QString& path) {
    if (runs_->busy() || record_->recording()) {
        QApplication::beep();
        return;
    }
    if (MacroEditor* e = editors_->openPath(path)) runs_->compile(e, MODE_RUN);
}

// A settings write that failed (an unreadable or read-only Orvane.ini is never replaced) is
// told once, until a write succeeds again.
void MainFrame::reportSettingsFailure() {
    const std::string why = core_.ini.takeFailureToReport();
    if (why.empty()) return;
    showMessage(MsgKind::Warning, this, QStringLiteral("Orvane"),
                u8q("設定ファイルに書き込めませんでした。設定は保存されません。\n") +
                    QString::fromLocal8Bit(why.c_str()));
}

// ---- frame rectangle and shutdown ----

void MainFrame::rememberFramePos() {
    // While recording the frame lies beneath the stop window: its own place stays stored.
    if (shutDown_ || record_->recording() || isMinimized() || isMaximized()) return;
    const QRect g = geometry();
    core_.settings.frame = {g.x(), g.y(), g.width(), g.height()};
    core_.settings.framePosSaved = true;
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
    if (!shutDown_ && !editors_->confirmClose()) {
        e->ignore();
        return;
    }
    shutdown();
    e->accept();
}

void MainFrame::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    // Every child goes (modified editors were asked about by the close).
    editors_->shutdown();
    for (QMdiSubWindow* w : mdi_->subWindowList()) delete w;
    timer_->stop();
    // A run is stopped (its pending calls answered while it ends) and its CSV files closed.
    runs_->shutdown();
    // Installed hooks and grabbed hotkeys go; a recording still running is dropped. A clean
    // exit leaves no recovery file.
    hotkeys_->release();
    recovery_->removeAll();
    record_->drop();
    hook_->detach();
    // The frame's place: where it was last placed by the user (or as it stands, when it was
    // never shown).
    const WindowRect& f = core_.settings.frame;
    const QRect r =
        core_.settings.framePosSaved ? QRect(f.left, f.top, f.width, f.height) : geometry();
    core_.ini.writeInt(kSystem, "WNXLPOS", r.x());
    core_.ini.writeInt(kSystem, "WNYLPOS", r.y());
    core_.ini.writeInt(kSystem, "WNXRPOS", r.width());
    core_.ini.writeInt(kSystem, "WNYRPOS", r.height());
}

}  // namespace orv::app
