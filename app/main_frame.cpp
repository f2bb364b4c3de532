#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "app/check_result.h"
#include "app/codec.h"
#include "app/dialogs.h"
#include "app/gui_hosts.h"
#include "app/hook_bridge.h"
#include "app/ids.h"
#include "app/macro_editor.h"
#include "app/message.h"
#include "compiler/compile_driver.h"
#include "executor/executor.h"
#include "lang/text.h"

namespace orv::app {

namespace {
const int kFileWindowGroup[] = {ID_SAVE, ID_SAVEAS,   ID_CLOSE,  ID_CASCADE,
                                ID_TILE, ID_CLOSEALL, ID_ARRANGE};
const int kEditRunGroup[] = {ID_SELECTALL, ID_FIND,     ID_REPLACE, ID_RUN,
                             ID_CHECK,     ID_DEBUGRUN, ID_STEP};
const char* kNoTarget = "検索文書が選択されていません";
// Items of parts of the program that are not built yet stay grey.
bool notBuiltYet(int id) {
    switch (id) {
        case ID_TOOLBOX:
        case ID_DEBUGRUN:
        case ID_STEP:
        case ID_STOPDEBUG:
        case ID_NEXTLINE:
        case ID_BREAKWIN:
        case ID_VARWIN:
        case ID_CONTINUE:
        case ID_BREAKTOGGLE:
        case ID_RECORD:
        case ID_AUTOCLICK:
            return true;
        default:
            return false;
    }
}

}  // namespace

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
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (auto* e = qobject_cast<MacroEditor*>(w)) editorActivated(e);
        if (auto* c = qobject_cast<CheckResultWindow*>(w); c && c == checkResult_)
            checkResultActivated();
    });
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
    hookAttach(this);

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
    executor_->settings().comTime = settings_.comTime;
    executor_->settings().ignoreErrors = settings_.sExeErr == 1;
    executor_->settings().minimizeWhileRunning = settings_.eMinWin == 1;
    timer_->start();
    show();
    bool ok = true;
    autoRunDecision(ok);
    return ok;
}

QAction* MainFrame::addCommand(QMenu* menu, int id, const char* text, int fkey) {
    QAction* a = menu->addAction(u8q(text));
    a->setObjectName(QString::number(id));
    a->setData(id);
    if (fkey) {
        a->setShortcut(QKeySequence(Qt::Key_F1 + (fkey - 1)));
        a->setShortcutContext(Qt::ApplicationShortcut);
    }
    connect(a, &QAction::triggered, this, [this, id] { command(id); });
    actions_[id] = a;
    a->setEnabled(!notBuiltYet(id));
    return a;
}

void MainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu(u8q("ﾌｧｲﾙ(&F)"));
    addCommand(file, ID_NEW, "新規作成(n)");
    addCommand(file, ID_OPEN, "開く(R)");
    addCommand(file, ID_SAVE, "保存(S)");
    addCommand(file, ID_SAVEAS, "名前をつけて保存(A)");
    file->addSeparator();
    addCommand(file, ID_EXIT, "終了");
    QMenu* edit = menuBar()->addMenu(u8q("編集(&E)"));
    addCommand(edit, ID_CUT, "切り取り(T)");
    addCommand(edit, ID_COPY, "コピー(C)");
    addCommand(edit, ID_PASTE, "貼り付け(P)");
    edit->addSeparator();
    addCommand(edit, ID_SELECTALL, "すべて選択");
    edit->addSeparator();
    addCommand(edit, ID_FIND, "検索");
    addCommand(edit, ID_REPLACE, "置換");
    QMenu* tools = menuBar()->addMenu(u8q("ﾂｰﾙ(&T)"));
    addCommand(tools, ID_AUTOCLICK, "簡易自動クリック");
    tools->addSeparator();
    addCommand(tools, ID_RUN, "マクロ実行(F4)", 4);
    tools->addSeparator();
    addCommand(tools, ID_RECORD, "マクロ記録(F1)", 1);
    tools->addSeparator();
    addCommand(tools, ID_CHECK, "マクロ文法CHK(F2)", 2);
    QMenu* debug = tools->addMenu(u8q("テバッグ"));
    addCommand(debug, ID_DEBUGRUN, "実行(F9)", 9);
    addCommand(debug, ID_STEP, "1ﾗｲﾝづつ実行(F10)", 10);
    debug->addSeparator();
    addCommand(debug, ID_CONTINUE, "継続(F6)", 6);
    addCommand(debug, ID_NEXTLINE, "次の行(F7)", 7);
    debug->addSeparator();
    addCommand(debug, ID_STOPDEBUG, "デバッグの中止(F8)", 8);
    debug->addSeparator();
    addCommand(debug, ID_BREAKTOGGLE, "ﾌﾞﾚｲｸﾎﾟｲﾝﾄの設定/解除(F5)", 5);
    tools->addSeparator();
    addCommand(tools, ID_SETTINGS, "システム設定");
    viewMenu_ = menuBar()->addMenu(u8q("表示(&V)"));
    addCommand(viewMenu_, ID_TOOLBOX, "ツールボックスの表示");
    addCommand(viewMenu_, ID_CHECKRESULT, "マクロチェック結果表示");
    addCommand(viewMenu_, ID_BREAKWIN, "ﾌﾞﾚｲｸﾎﾟｲﾝﾄｳｨﾝﾄﾞｳの表示");
    addCommand(viewMenu_, ID_VARWIN, "変数ｳｨﾝﾄﾞｳの表示");
    viewMenu_->addSeparator();
    addCommand(viewMenu_, ID_CLOSE, "閉じる");
    addCommand(viewMenu_, ID_CLOSEALL, "すべて閉じる");
    viewMenu_->addSeparator();
    addCommand(viewMenu_, ID_TILE, "重ねて表示");
    addCommand(viewMenu_, ID_ARRANGE, "並べて表示");
    addCommand(viewMenu_, ID_CASCADE, "アイコンの整列");
    connect(viewMenu_, &QMenu::aboutToShow, this, &MainFrame::rebuildWindowList);
    QMenu* help = menuBar()->addMenu(u8q("ﾍﾙﾌﾟ(&H)"));
    addCommand(help, ID_ABOUT, "バージョン情報");
    help->addSeparator();
    addCommand(help, ID_HELP, "ヘルプ");
}

// The MDI window list under "表示(V)": one entry per child, ids from 3000.
void MainFrame::rebuildWindowList() {
    for (QAction* a : windowListActions_) {
        viewMenu_->removeAction(a);
        a->deleteLater();
    }
    windowListActions_.clear();
    const auto list = mdi_->subWindowList();
    if (list.isEmpty()) return;
    windowListActions_.append(viewMenu_->addSeparator());
    int n = 0;
    for (QMdiSubWindow* w : list) {
        ++n;
        QAction* a = viewMenu_->addAction(QString("&%1 %2").arg(n).arg(w->windowTitle()));
        a->setObjectName(QString::number(3000 + n - 1));
        a->setCheckable(true);
        a->setChecked(w == mdi_->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, w] { mdi_->setActiveSubWindow(w); });
        windowListActions_.append(a);
    }
}

QAction* MainFrame::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void MainFrame::setEnabled(int id, bool on) {
    if (QAction* a = action(id)) a->setEnabled(on && !notBuiltYet(id));
}

void MainFrame::setFileWindowGroup(bool on) {
    for (int id : kFileWindowGroup) setEnabled(id, on);
}

void MainFrame::setEditRunGroup(bool on) {
    // The run commands stay grey while a run or a paused debug run is active.
    for (int id : kEditRunGroup) {
        bool runCmd = id == ID_RUN || id == ID_CHECK || id == ID_DEBUGRUN || id == ID_STEP ||
                      id == ID_SELECTALL || id == ID_FIND || id == ID_REPLACE;
        setEnabled(id, on && !(runCmd && runActive()));
    }
}

bool MainFrame::runActive() const {
    int mode = executor_->record().mode.load();
    return executor_->workerActive() || mode == 1 || mode == 3 || mode == 4 || mode == 5;
}

QMdiSubWindow* MainFrame::activeChild() const {
    return mdi_->activeSubWindow();
}

MacroEditor* MainFrame::activeEditor() const {
    return qobject_cast<MacroEditor*>(mdi_->activeSubWindow());
}

MacroEditor* MainFrame::openEditor(int mode) {
    int n = openEditors_;
    ++openEditors_;
    bool ok = true;
    auto* e = new MacroEditor(this, openEditors_, mode, ok);
    if (!ok) {
        delete e;  // its destruction decrements the counter again
        return nullptr;
    }
    mdi_->addSubWindow(e);
    e->setGeometry(7 * n, 7 * n + 71, 500, 400);
    e->show();
    editorCreated(e);
    if (mode == 2) QTimer::singleShot(0, this, [this, e] { compileEditor(e, 5); });
    return e;
}

void MainFrame::editorCreated(MacroEditor*) {
    setFileWindowGroup(true);
    setEditRunGroup(true);
    setEnabled(ID_BREAKTOGGLE, false);
}

void MainFrame::editorDestroyed(MacroEditor* e) {
    if (findDialog_ && findDialog_->target() == e) findDialog_->deleteLater();
    if (shutDown_) return;
    --openEditors_;
    if (openEditors_ <= 0) {
        setFileWindowGroup(false);
        setEditRunGroup(false);
    }
}

void MainFrame::editorActivated(MacroEditor* e) {
    int mode = executor_->record().mode.load();
    if (mode == 0 && !runActive()) setEditRunGroup(true);
    setEnabled(ID_SAVE, e->modified());
    setEnabled(ID_SAVEAS, true);
}

CheckResultWindow* MainFrame::openCheckResult() {
    if (checkResult_) {
        mdi_->setActiveSubWindow(checkResult_);
        return checkResult_;
    }
    bool ok = true;
    auto* w = new CheckResultWindow(this, ok);
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

void MainFrame::compileEditor(MacroEditor* editor, int kind) {
    if (!editor || runActive()) return;
    compileHost_->setTarget(editor, kind == 5);
    runHost_->setEditor(editor);
    std::string text = editor->textBytes();
    if (kind != 5 && editor->modified()) {
        // Step 4 saves before the text is read; reading it after the save keeps them equal.
    }
    CompileRequest req;
    req.fileName = toCp932(editor->windowTitle());
    if (req.fileName.size() > 1023) req.fileName.resize(1023);
    req.mode = kind;
    req.logPath = logPath();
    req.text = text;
    bool ok = compile(tables_, req, *compileHost_);
    if (ok && (kind == 1 || kind == 3 || kind == 4 || kind == 5)) startRun(editor, kind);
}

void MainFrame::startRun(MacroEditor* editor, int mode) {
    runEditor_ = editor;
    executor_->record().macroTitle = toCp932(editor->windowTitle());
    executor_->settings().comTime = settings_.comTime;
    executor_->settings().ignoreErrors = settings_.sExeErr == 1;
    executor_->settings().minimizeWhileRunning = settings_.eMinWin == 1;
    stoppedByButton_ = false;
    for (int id : {ID_RUN, ID_DEBUGRUN, ID_STEP, ID_RECORD}) setEnabled(id, false);
    setEditRunGroup(false);
    if (!executor_->startRun(mode)) {
        showMessage(MsgKind::Critical, this, QStringLiteral("Orvane"),
                    u8q("マクロ実行スレッドを開始できませんでした。"));
        setEditRunGroup(openEditors_ > 0);
        return;
    }
    if ((mode == 1 || mode == 5) && settings_.eMinWin == 1 && !isMinimized()) showMinimized();
}

void MainFrame::onRunStart() {
    if (runDialog_) return;
    QString name = runEditor_ ? runEditor_->windowTitle() : QString();
    runDialog_ = new RunningDialog(this, name, settings_.eMinWin == 1);
    runDialog_->setAttribute(Qt::WA_DeleteOnClose);
    runDialog_->show();
    hookWatchEsc();
}

void MainFrame::onRunDialogClose() {
    if (runDialog_) {
        runDialog_->hide();
        runDialog_->deleteLater();
        runDialog_ = nullptr;
    }
}

void MainFrame::stopButton() {
    hookUnwatchEsc();
    stoppedByButton_ = true;
    executor_->requestStop();
}

void MainFrame::onRunEnd(int autoRun, int running) {
    executor_->join();
    // After every end of a run the Esc watch goes, so that a later recording records keys.
    hookUnwatchEsc();
    onRunDialogClose();
    if (shutDown_) return;
    QString name = runEditor_ ? runEditor_->windowTitle() : QString();
    bool closeProgram = false;
    if (override_) {
        settings_.exeMacro = savedAutoRunPath_;
        override_ = false;
    }
    if (stoppedByButton_ && !(autoRun == 1 && settings_.autoFin == 1)) {
        showMessage(MsgKind::Info, this, QStringLiteral("Orvane"), name + u8q(" は中断されました"));
    }
    if (autoRun == 1) {
        if (settings_.autoFin == 1) {
            closeProgram = running != 0;
        } else if (settings_.srcEndM == 1) {
            showMessage(MsgKind::Info, this, QStringLiteral("Orvane"), u8q("マクロ実行終了"));
        }
        if (autoFinSaved_) {
            settings_.autoFin = savedAutoFin_;
            autoFinSaved_ = false;
        }
    } else if (settings_.srcEndM == 1) {
        showMessage(MsgKind::Info, this, QStringLiteral("Orvane"), u8q("マクロ実行終了"));
    }
    stoppedByButton_ = false;
    if (executor_->record().mode.load() == 0) {
        setEditRunGroup(openEditors_ > 0);
        for (int id : {ID_RUN, ID_DEBUGRUN, ID_STEP}) setEnabled(id, openEditors_ > 0);
    }
    if (closeProgram) close();
}

void MainFrame::autoRunDecision(bool& ok) {
    int savedAutoExe = settings_.autoExe;
    if (!opts_.macroPath.isEmpty()) {
        if (!QFileInfo::exists(opts_.macroPath)) {
            showMessage(MsgKind::Warning, this, QStringLiteral("Orvane"),
                        u8q("外部パラメタで指定されたマクロファイルが存在しません。"));
            return;
        }
        override_ = true;
        savedAutoRunPath_ = settings_.exeMacro;
        settings_.exeMacro = toCp932(QFileInfo(opts_.macroPath).absoluteFilePath());
        savedAutoExe_ = settings_.autoExe;
        savedAutoFin_ = settings_.autoFin;
        autoFinSaved_ = true;
        settings_.autoExe = 1;
        if (opts_.haveExitFlag) {
            int flag = toInt(toCp932(opts_.exitFlag));
            if (flag != 0 && flag != 1) {
                showMessage(
                    MsgKind::Warning, this, QStringLiteral("Orvane"),
                    u8q("ﾊﾟﾗﾒﾀの指定方法が違います。\r\n>Orvane \"自動実行ﾏｸﾛﾌｧｲﾙ\" 終了ﾌﾗｸﾞ\r\n"
                        "ﾏｸﾛﾌｧｲﾒﾙはﾌﾙﾊﾟｽを指定。\r\n終了ﾌﾗｸﾞ= 0(ﾏｸﾛ終了後ﾌﾟﾛｸﾞﾗﾑを終了しない) or "
                        "1(ﾏｸﾛ終了後ﾌﾟﾛｸﾞﾗﾑを終了する)"));
                settings_.autoExe = savedAutoExe;
                ok = false;
                return;
            }
            settings_.autoFin = flag;
        } else {
            settings_.autoFin = 0;
        }
        QTimer::singleShot(0, this, [this] { openEditor(2); });
    } else if (settings_.autoExe == 1) {
        savedAutoFin_ = settings_.autoFin;
        autoFinSaved_ = true;
        if (!QFileInfo::exists(fromCp932(settings_.exeMacro))) {
            showMessage(MsgKind::Warning, this, QStringLiteral("Orvane"),
                        u8q("指定されたマクロファイルが存在しません。"));
            settings_.autoFin = 0;
        } else {
            QTimer::singleShot(0, this, [this] { openEditor(2); });
        }
    }
    settings_.autoExe = savedAutoExe;
}

void MainFrame::menuTimer() {
    if (openEditors_ <= 0) return;
    QMdiSubWindow* w = activeChild();
    if (auto* e = qobject_cast<MacroEditor*>(w)) {
        bool sel = e->edit()->textCursor().hasSelection();
        setEnabled(ID_CUT, sel);
        setEnabled(ID_COPY, sel);
    }
    const QMimeData* md = QApplication::clipboard()->mimeData();
    setEnabled(ID_PASTE, md && !md->formats().isEmpty());
    if (QFile::exists(QString::fromStdString(logPath())) && !checkResult_)
        setEnabled(ID_CHECKRESULT, true);
}

void MainFrame::command(int id) {
    MacroEditor* ed = activeEditor();
    auto needTarget = [&]() -> bool {
        if (!activeChild()) {
            showMessage(MsgKind::Info, this, QStringLiteral("Orvane"), u8q(kNoTarget));
            return false;
        }
        return true;
    };
    switch (id) {
        case ID_NEW:
            openEditor(0);
            return;
        case ID_OPEN:
            openEditor(1);
            return;
        case ID_SAVE:
            if (ed) ed->save(false);
            return;
        case ID_SAVEAS:
            if (ed) ed->save(true);
            return;
        case ID_EXIT:
            close();
            return;
        case ID_CUT:
        case ID_COPY:
        case ID_PASTE:
        case ID_SELECTALL:
            if (!needTarget() || !ed) return;
            if (id == ID_CUT) ed->edit()->cut();
            if (id == ID_COPY) ed->edit()->copy();
            if (id == ID_PASTE) ed->edit()->paste();
            if (id == ID_SELECTALL && !ed->edit()->document()->isEmpty()) ed->edit()->selectAll();
            return;
        case ID_FIND:
        case ID_REPLACE:
            if (!needTarget() || !ed) return;
            if (findDialog_) findDialog_->deleteLater();
            findDialog_ = new FindDialog(this, ed, id == ID_REPLACE);
            findDialog_->setAttribute(Qt::WA_DeleteOnClose);
            findDialog_->show();
            return;
        case ID_HELP:
            QDesktopServices::openUrl(
                QUrl::fromLocalFile(QDir::current().absoluteFilePath("Orvane.CHM")));
            return;
        case ID_ABOUT:
            QMessageBox::about(this, u8q("バージョン情報"),
                               QStringLiteral("Orvane ") + QStringLiteral(ORV_VERSION));
            return;
        case ID_CLOSEALL:
            for (QMdiSubWindow* w : mdi_->subWindowList()) delete w;  // no prompts
            setFileWindowGroup(false);
            setEditRunGroup(false);
            return;
        case ID_CLOSE:
            if (QMdiSubWindow* w = activeChild()) {
                bool wasEditor = qobject_cast<MacroEditor*>(w) != nullptr;
                delete w;
                (void)wasEditor;
                if (mdi_->subWindowList().isEmpty()) {
                    setFileWindowGroup(false);
                    setEditRunGroup(false);
                }
            }
            return;
        case ID_TILE:
            mdi_->tileSubWindows();
            return;
        case ID_ARRANGE:
            mdi_->tileSubWindows();
            return;
        case ID_CASCADE:
            mdi_->cascadeSubWindows();
            return;
        case ID_RUN:
            compileEditor(ed, 1);
            return;
        case ID_CHECK:
            compileEditor(ed, 2);
            return;
        case ID_DEBUGRUN:
            compileEditor(ed, 3);
            return;
        case ID_STEP:
            compileEditor(ed, 4);
            return;
        case ID_SETTINGS: {
            SettingsDialog d(this, settings_, ini_);
            d.exec();
            return;
        }
        case ID_CHECKRESULT:
            openCheckResult();
            return;
        case ID_STOPDEBUG:
            executor_->stopDebug();
            for (int i : {ID_DEBUGRUN, ID_STEP}) setEnabled(i, openEditors_ > 0);
            for (int i : {ID_VARWIN, ID_NEXTLINE, ID_CONTINUE, ID_STOPDEBUG}) setEnabled(i, false);
            setEditRunGroup(openEditors_ > 0);
            return;
        case ID_NEXTLINE:
            executor_->executeNextLine(1);
            return;
        case ID_CONTINUE:
            executor_->continueDebug();
            return;
        default:
            return;
    }
}

void MainFrame::rememberFramePos() {
    if (isMinimized() || isMaximized()) return;
    frameRect_ = geometry();
}

void MainFrame::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    rememberFramePos();
}

void MainFrame::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    rememberFramePos();
}

void MainFrame::closeEvent(QCloseEvent* e) {
    shutdown();
    e->accept();
}

void MainFrame::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    // 1. Every child goes without prompts.
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
    // 5. Installed hooks are removed.
    hookDetach();
}

}  // namespace orv::app
