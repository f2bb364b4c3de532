// Menu 102 of the frame with each item's command, the window list under "表示(V)", and the
// command lookup by id.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QShortcut>

#include "app/codec.h"
#include "app/editor/editor_settings.h"
#include "app/frame/debug_controller.h"
#include "app/frame/editor_controller.h"
#include "app/frame/main_frame.h"
#include "app/frame/record_controller.h"
#include "app/frame/window_places.h"
#include "app/help/help_window.h"
#include "app/ids.h"
#include "lang/codes.h"

namespace orv::app {

namespace {

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

// An item text that ends in one letter in brackets ("開く(R)") gets that letter as its
// mnemonic ("開く(&R)"), so that pressing it in the open menu chooses the item.
QString withMnemonic(const char* text) {
    QString t = u8q(text);
    const qsizetype n = t.size();
    if (n >= 3 && t[n - 3] == '(' && t[n - 1] == ')' && t[n - 2].isLetter() &&
        t[n - 2].unicode() < 128)
        t.insert(n - 2, '&');
    return t;
}

}  // namespace

QAction* MainFrame::addCommand(QMenu* menu, int id, const char* text, std::function<void()> run,
                               int fkey) {
    QAction* a = menu->addAction(withMnemonic(text));
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
    connect(a, &QAction::triggered, this, [run] { run(); });
    commands_[id] = Command{a, std::move(run)};
    return a;
}

void MainFrame::buildFileEditMenus() {
    using Edit = EditorController::Edit;
    EditorController& ed = *editors_;
    QMenu* file = menuBar()->addMenu(u8q("ﾌｧｲﾙ(&F)"));
    addCommand(file, ID_NEW, "新規作成(n)", [&ed] { ed.open(EDITOR_NEW); });
    addCommand(file, ID_OPEN, "開く(R)", [&ed] { ed.open(EDITOR_OPEN); });
    addCommand(file, ID_SAVE, "保存(S)", [&ed] { ed.save(false); });
    addCommand(file, ID_SAVEAS, "名前をつけて保存(A)", [&ed] { ed.save(true); });
    file->addSeparator();
    addCommand(file, ID_EXIT, "終了", [this] { close(); });
    QMenu* edit = menuBar()->addMenu(u8q("編集(&E)"));
    addCommand(edit, ID_CUT, "切り取り(T)", [&ed] { ed.edit(Edit::Cut); });
    addCommand(edit, ID_COPY, "コピー(C)", [&ed] { ed.edit(Edit::Copy); });
    addCommand(edit, ID_PASTE, "貼り付け(P)", [&ed] { ed.edit(Edit::Paste); });
    edit->addSeparator();
    addCommand(edit, ID_SELECTALL, "すべて選択", [&ed] { ed.edit(Edit::SelectAll); });
    edit->addSeparator();
    addCommand(edit, ID_FIND, "検索", [&ed] { ed.find(false); });
    addCommand(edit, ID_REPLACE, "置換", [&ed] { ed.find(true); });
}

void MainFrame::buildToolsMenu() {
    RunController& runs = *runs_;
    DebugController& dbg = *debug_;
    auto compileActive = [this, &runs](int kind) { runs.compile(editors_->active(), kind); };
    QMenu* tools = menuBar()->addMenu(u8q("ﾂｰﾙ(&T)"));
    addCommand(tools, ID_AUTOCLICK, "簡易自動クリック", [this] { autoClick(); });
    tools->addSeparator();
    addCommand(
        tools, ID_RUN, "マクロ実行(F4)", [=] { compileActive(MODE_RUN); }, 4);
    tools->addSeparator();
    addCommand(
        tools, ID_RECORD, "マクロ記録(F1)",
        [this] {
            if (!runs_->busy()) record_->start();
        },
        1);
    tools->addSeparator();
    addCommand(
        tools, ID_CHECK, "マクロ文法CHK(F2)", [=] { compileActive(MODE_CHECK); }, 2);
    QMenu* debug = tools->addMenu(u8q("テバッグ"));
    addCommand(
        debug, ID_DEBUGRUN, "実行(F9)", [=] { compileActive(MODE_DEBUG); }, 9);
    addCommand(
        debug, ID_STEP, "1ﾗｲﾝづつ実行(F10)", [=] { compileActive(MODE_STEP); }, 10);
    debug->addSeparator();
    addCommand(
        debug, ID_CONTINUE, "継続(F6)", [&dbg] { dbg.continueRun(); }, 6);
    addCommand(
        debug, ID_NEXTLINE, "次の行(F7)", [&dbg] { dbg.nextLine(); }, 7);
    debug->addSeparator();
    addCommand(
        debug, ID_STOPDEBUG, "デバッグの中止(F8)", [&dbg] { dbg.stop(); }, 8);
    debug->addSeparator();
    addCommand(
        debug, ID_BREAKTOGGLE, "ﾌﾞﾚｲｸﾎﾟｲﾝﾄの設定/解除(F5)", [&dbg] { dbg.toggle(); }, 5);
    tools->addSeparator();
    addCommand(tools, ID_SETTINGS, "システム設定", [this] { systemSettings(); });
}

void MainFrame::buildViewHelpMenus() {
    DebugController& dbg = *debug_;
    viewMenu_ = menuBar()->addMenu(u8q("表示(&V)"));
    addCommand(viewMenu_, ID_TOOLBOX, "ツールボックスの表示", [this] { showToolbox(); });
    addCommand(viewMenu_, ID_CHECKRESULT, "マクロチェック結果表示",
               [this] { runs_->openCheckResult(); });
    addCommand(viewMenu_, ID_BREAKWIN, "ﾌﾞﾚｲｸﾎﾟｲﾝﾄｳｨﾝﾄﾞｳの表示",
               [&dbg] { dbg.openBreakpoints(nullptr); });
    addCommand(viewMenu_, ID_VARWIN, "変数ｳｨﾝﾄﾞｳの表示", [this, &dbg] {
        dbg.openVariables();
        if (VariablesWindow* w = dbg.variablesWindow()) bringIntoView(mdi_, w);
    });
    addLineNumbersItem(viewMenu_, core_.ini);
    viewMenu_->addSeparator();
    addCommand(viewMenu_, ID_CLOSE, "閉じる", [this] { closeActive(); });
    addCommand(viewMenu_, ID_CLOSEALL, "すべて閉じる", [this] { closeAll(); });
    viewMenu_->addSeparator();
    // The texts do not name their actions: "重ねて表示" tiles, "並べて表示" arranges the
    // minimised windows and "アイコンの整列" cascades.
    addCommand(viewMenu_, ID_TILE, "重ねて表示", [this] { mdi_->tileSubWindows(); });
    addCommand(viewMenu_, ID_ARRANGE, "並べて表示", [this] { arrangeIcons(mdi_); });
    addCommand(viewMenu_, ID_CASCADE, "アイコンの整列", [this] { mdi_->cascadeSubWindows(); });
    connect(viewMenu_, &QMenu::aboutToShow, this, &MainFrame::rebuildWindowList);
    QMenu* help = menuBar()->addMenu(u8q("ﾍﾙﾌﾟ(&H)"));
    addCommand(help, ID_ABOUT, "バージョン情報", [this] { showAbout(this); });
    help->addSeparator();
    addCommand(help, ID_HELP, "ヘルプ", [this] { HelpWindow::showHelp(this); });
}

// The MDI window list under "表示(V)": one entry per child, ids from 3000. Choosing one
// brings that window into view, wherever it was.
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
        a->setChecked(w == mdi_->currentSubWindow());
        QPointer<QMdiSubWindow> target(w);
        connect(a, &QAction::triggered, this, [this, target] {
            if (target) bringIntoView(mdi_, target);
        });
        windowListActions_.append(a);
    }
}

QAction* MainFrame::action(int id) const {
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second.action;
}

void MainFrame::command(int id) {
    auto it = commands_.find(id);
    if (it != commands_.end() && it->second.run) it->second.run();
}

}  // namespace orv::app
