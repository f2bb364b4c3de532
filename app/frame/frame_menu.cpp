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
#include "app/frame/hotkey_controller.h"
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

// The platform's standard keys beside the function keys. They are the items' own shortcuts,
// shown in the menus beside the text, and act only while the item is enabled.
struct StandardKey {
    int id;
    const char* keys;
};
constexpr StandardKey kStandardKeys[] = {
    {ID_NEW, "Ctrl+N"},  {ID_OPEN, "Ctrl+O"},    {ID_SAVE, "Ctrl+S"},  {ID_SAVEAS, "Ctrl+Shift+S"},
    {ID_FIND, "Ctrl+F"}, {ID_REPLACE, "Ctrl+H"}, {ID_CLOSE, "Ctrl+W"},
};

// "最近使ったファイル": the recent files, numbered with their accelerators, newest first.
void fillRecentMenu(QMenu* menu, EditorController& editors) {
    menu->clear();
    const QStringList paths = editors.recent().paths();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QAction* a = menu->addAction(QString("&%1 %2").arg(i + 1).arg(paths[i]));
        const QString path = paths[i];
        QObject::connect(a, &QAction::triggered, &editors,
                         [&editors, path] { editors.openRecent(path); });
    }
    if (paths.isEmpty()) menu->addAction(u8q("(なし)"))->setEnabled(false);
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
    for (const StandardKey& k : kStandardKeys)
        if (k.id == id) a->setShortcut(QKeySequence(QString::fromLatin1(k.keys)));
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
    QMenu* recent = file->addMenu(u8q("最近使ったファイル"));
    recent->setObjectName("recentFiles");
    connect(recent, &QMenu::aboutToShow, this, [recent, &ed] { fillRecentMenu(recent, ed); });
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
    tools->addSeparator();
    addCommand(tools, ID_HOTKEYS, "ホットキー設定...", [this] { hotkeys_->editInDialog(); });
}

void MainFrame::buildViewHelpMenus() {
    DebugController& dbg = *debug_;
    QMenu* viewMenu = menuBar()->addMenu(u8q("表示(&V)"));
    addCommand(viewMenu, ID_TOOLBOX, "ツールボックスの表示", [this] { showToolbox(); });
    addCommand(viewMenu, ID_CHECKRESULT, "マクロチェック結果表示",
               [this] { runs_->openCheckResult(); });
    addCommand(viewMenu, ID_BREAKWIN, "ﾌﾞﾚｲｸﾎﾟｲﾝﾄｳｨﾝﾄﾞｳの表示",
               [&dbg] { dbg.openBreakpoints(nullptr); });
    addCommand(viewMenu, ID_VARWIN, "変数ｳｨﾝﾄﾞｳの表示", [this, &dbg] {
        dbg.openVariables();
        if (VariablesWindow* w = dbg.variablesWindow()) bringIntoView(mdi_, w);
    });
    addLineNumbersItem(viewMenu, core_.ini);
    viewMenu->addSeparator();
    addCommand(viewMenu, ID_CLOSE, "閉じる", [this] { closeActive(); });
    addCommand(viewMenu, ID_CLOSEALL, "すべて閉じる", [this] { closeAll(); });
    viewMenu->addSeparator();
    // The texts do not name their actions: "重ねて表示" tiles, "並べて表示" arranges the
    // minimised windows and "アイコンの整列" cascades.
    addCommand(viewMenu, ID_TILE, "重ねて表示", [this] { mdi_->tileSubWindows(); });
    addCommand(viewMenu, ID_ARRANGE, "並べて表示", [this] { arrangeIcons(mdi_); });
    addCommand(viewMenu, ID_CASCADE, "アイコンの整列", [this] { mdi_->cascadeSubWindows(); });
    new WindowListMenu(viewMenu, mdi_);
    QMenu* help = menuBar()->addMenu(u8q("ﾍﾙﾌﾟ(&H)"));
    addCommand(help, ID_ABOUT, "バージョン情報", [this] { showAbout(this); });
    help->addSeparator();
    addCommand(help, ID_HELP, "ヘルプ", [this] { HelpWindow::showHelp(this); });
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
