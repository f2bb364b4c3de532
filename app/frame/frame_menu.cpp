// Menu 102 of the frame, the window list under "表示(V)", the per-second menu timer and the
// command lookup by id.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>

#include "app/codec.h"
#include "app/editor/editor_settings.h"
#include "app/frame/main_frame.h"
#include "app/ids.h"
#include "app/message.h"
#include "executor/executor.h"
#include "lang/codes.h"

namespace orv::app {

namespace {

// Items of parts of the program that are not built yet stay grey.

// "行番号の表示": checkable, remembered as LINENUM; every editor follows EditorSettings.
void addLineNumbersItem(QMenu* menu, ProfileFile& ini) {
    QAction* a = menu->addAction(u8q("行番号の表示"));
    a->setObjectName("lineNumbers");
    a->setCheckable(true);
    a->setChecked(loadLineNumbers(ini));
    EditorSettings::instance().setLineNumbers(a->isChecked());
    QObject::connect(a, &QAction::toggled, a, [&ini](bool on) {
        saveLineNumbers(ini, on);
        EditorSettings::instance().setLineNumbers(on);
    });
}

}  // namespace

QAction* MainFrame::addCommand(QMenu* menu, int id, const char* text, Command run, int fkey) {
    QAction* a = menu->addAction(u8q(text));
    a->setObjectName(QString::number(id));
    a->setData(id);
    // The item's text names its key already ("マクロ実行(F4)"): the key is a shortcut of the
    // frame, not of the action, so the menu does not show it a second time. It acts only while
    // the item is enabled.
    if (fkey) {
        auto* key = new QShortcut(QKeySequence(Qt::Key_F1 + (fkey - 1)), this);
        key->setObjectName(key->key().toString());
        key->setContext(Qt::ApplicationShortcut);
        connect(key, &QShortcut::activated, a, [a] {
            if (a->isEnabled()) a->trigger();
        });
    }
    if (run) connect(a, &QAction::triggered, this, run);
    actions_[id] = a;
    commands_[id] = run;
    return a;
}

void MainFrame::buildMenus() {
    buildFileEditMenus();
    buildToolsMenu();
    buildViewHelpMenus();
}

void MainFrame::buildFileEditMenus() {
    QMenu* file = menuBar()->addMenu(u8q("ﾌｧｲﾙ(&F)"));
    addCommand(file, ID_NEW, "新規作成(n)", &MainFrame::newMacro);
    addCommand(file, ID_OPEN, "開く(R)", &MainFrame::openMacro);
    addCommand(file, ID_SAVE, "保存(S)", &MainFrame::saveMacro);
    addCommand(file, ID_SAVEAS, "名前をつけて保存(A)", &MainFrame::saveMacroAs);
    file->addSeparator();
    addCommand(file, ID_EXIT, "終了", &MainFrame::exitProgram);
    QMenu* edit = menuBar()->addMenu(u8q("編集(&E)"));
    addCommand(edit, ID_CUT, "切り取り(T)", &MainFrame::cut);
    addCommand(edit, ID_COPY, "コピー(C)", &MainFrame::copy);
    addCommand(edit, ID_PASTE, "貼り付け(P)", &MainFrame::paste);
    edit->addSeparator();
    addCommand(edit, ID_SELECTALL, "すべて選択", &MainFrame::selectAll);
    edit->addSeparator();
    addCommand(edit, ID_FIND, "検索", &MainFrame::find);
    addCommand(edit, ID_REPLACE, "置換", &MainFrame::replace);
}

void MainFrame::buildToolsMenu() {
    QMenu* tools = menuBar()->addMenu(u8q("ﾂｰﾙ(&T)"));
    addCommand(tools, ID_AUTOCLICK, "簡易自動クリック", &MainFrame::autoClick);
    tools->addSeparator();
    addCommand(tools, ID_RUN, "マクロ実行(F4)", &MainFrame::runMacro, 4);
    tools->addSeparator();
    addCommand(tools, ID_RECORD, "マクロ記録(F1)", &MainFrame::startRecording, 1);
    tools->addSeparator();
    addCommand(tools, ID_CHECK, "マクロ文法CHK(F2)", &MainFrame::checkMacro, 2);
    QMenu* debug = tools->addMenu(u8q("テバッグ"));
    addCommand(debug, ID_DEBUGRUN, "実行(F9)", &MainFrame::debugRun, 9);
    addCommand(debug, ID_STEP, "1ﾗｲﾝづつ実行(F10)", &MainFrame::stepRun, 10);
    debug->addSeparator();
    addCommand(debug, ID_CONTINUE, "継続(F6)", &MainFrame::continueDebug, 6);
    addCommand(debug, ID_NEXTLINE, "次の行(F7)", &MainFrame::nextLine, 7);
    debug->addSeparator();
    addCommand(debug, ID_STOPDEBUG, "デバッグの中止(F8)", &MainFrame::stopDebug, 8);
    debug->addSeparator();
    addCommand(debug, ID_BREAKTOGGLE, "ﾌﾞﾚｲｸﾎﾟｲﾝﾄの設定/解除(F5)", &MainFrame::toggleBreakpoint, 5);
    tools->addSeparator();
    addCommand(tools, ID_SETTINGS, "システム設定", &MainFrame::systemSettings);
}

void MainFrame::buildViewHelpMenus() {
    viewMenu_ = menuBar()->addMenu(u8q("表示(&V)"));
    addCommand(viewMenu_, ID_TOOLBOX, "ツールボックスの表示", &MainFrame::showToolbox);
    addCommand(viewMenu_, ID_CHECKRESULT, "マクロチェック結果表示", &MainFrame::showCheckResult);
    addCommand(viewMenu_, ID_BREAKWIN, "ﾌﾞﾚｲｸﾎﾟｲﾝﾄｳｨﾝﾄﾞｳの表示", &MainFrame::showBreakpoints);
    addCommand(viewMenu_, ID_VARWIN, "変数ｳｨﾝﾄﾞｳの表示", &MainFrame::showVariables);
    addLineNumbersItem(viewMenu_, ini_);
    viewMenu_->addSeparator();
    addCommand(viewMenu_, ID_CLOSE, "閉じる", &MainFrame::closeChild);
    addCommand(viewMenu_, ID_CLOSEALL, "すべて閉じる", &MainFrame::closeAll);
    viewMenu_->addSeparator();
    // The texts do not name their actions: "重ねて表示" tiles, "並べて表示" arranges the
    // minimised windows and "アイコンの整列" cascades.
    addCommand(viewMenu_, ID_TILE, "重ねて表示", &MainFrame::tileChildren);
    addCommand(viewMenu_, ID_ARRANGE, "並べて表示", &MainFrame::arrangeIconic);
    addCommand(viewMenu_, ID_CASCADE, "アイコンの整列", &MainFrame::cascadeChildren);
    connect(viewMenu_, &QMenu::aboutToShow, this, &MainFrame::rebuildWindowList);
    QMenu* help = menuBar()->addMenu(u8q("ﾍﾙﾌﾟ(&H)"));
    addCommand(help, ID_ABOUT, "バージョン情報", &MainFrame::about);
    help->addSeparator();
    addCommand(help, ID_HELP, "ヘルプ", &MainFrame::help);
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

void MainFrame::command(int id) {
    auto it = commands_.find(id);
    if (it != commands_.end() && it->second) (this->*(it->second))();
}

void MainFrame::setEnabled(int id, bool on) {
    if (QAction* a = action(id)) a->setEnabled(on);
}

void MainFrame::menuTimer() {
    reportSettingsFailure();
    if (openEditors_ <= 0) return;
    if (toolbox_ && activeChild() == toolbox_) {
        setEnabled(ID_CUT, false);
        setEnabled(ID_COPY, false);
        return;
    }
    if (MacroEditor* e = activeEditor()) {
        bool sel = e->edit()->textCursor().hasSelection();
        setEnabled(ID_CUT, sel);
        setEnabled(ID_COPY, sel);
    }
    const QMimeData* md = QApplication::clipboard()->mimeData();
    setEnabled(ID_PASTE, md && !md->formats().isEmpty());
    if (QFile::exists(QString::fromStdString(logPath())) && !checkResult_)
        setEnabled(ID_CHECKRESULT, true);
    const int mode = executor_->record().mode.load();
    if (!varWin_ && (mode == MODE_DEBUG || mode == MODE_STEP)) setEnabled(ID_VARWIN, true);
}

// A settings write that failed (an unreadable or read-only Orvane.ini is never replaced) is
// told once, until a write succeeds again.
void MainFrame::reportSettingsFailure() {
    const std::string why = ini_.takeFailureToReport();
    if (why.empty()) return;
    showMessage(MsgKind::Warning, this, QStringLiteral("Orvane"),
                u8q("設定ファイルに書き込めませんでした。設定は保存されません。\n") +
                    QString::fromLocal8Bit(why.c_str()));
}

}  // namespace orv::app
