// The desktop program under the offscreen platform with the virtual desktop.
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <functional>
#include <memory>

#include "app/check/check_result.h"
#include "app/codec.h"
#include "app/debugger/debugger_windows.h"
#include "app/dialogs/find_dialog.h"
#include "app/dialogs/hotkey_dialog.h"
#include "app/dialogs/record_stop_window.h"
#include "app/dialogs/running_dialog.h"
#include "app/dialogs/settings_dialog.h"
#include "app/editor/macro_editor.h"
#include "app/frame/debug_controller.h"
#include "app/frame/editor_controller.h"
#include "app/frame/main_frame.h"
#include "app/frame/record_controller.h"
#include "app/frame/recovery_controller.h"
#include "app/frame/window_places.h"
#include "app/ids.h"
#include "app/message.h"
#include "app/settings.h"
#include "app/tools/autoclick_dialog.h"
#include "app/tools/toolbox.h"
#include "compiler/compile_driver.h"
#include "executor/executor.h"
#include "lang/text.h"
#include "platform/clock.h"
#include "platform/virtual/virtual_desktop.h"
#include "tests/app/app_tests.h"
#include "tests/statement_samples.h"
#include "tools/catalogue.h"

using namespace orv;
using namespace orv::app;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}
QByteArray sjis(const char* utf8) {
    return QByteArray::fromStdString(orv::sj(utf8));
}

// The toolbox's indices of a statement word (1-based, as the combos count after "(Select)").
bool findStatement(const char* word, int& category, int& command) {
    const auto cats = orv::tools::categories();
    for (std::size_t c = 0; c < cats.size(); ++c)
        for (std::size_t k = 0; k < cats[c].statements.size(); ++k)
            if (cats[c].statements[k].word == word) {
                category = static_cast<int>(c) + 1;
                command = static_cast<int>(k) + 1;
                return true;
            }
    return false;
}

// Sets a form field as a user would: text, combo text, check box, or the choice's button.
void fill(QWidget* w, const std::string& value) {
    QVERIFY(w);
    const QString v = QString::fromStdString(value);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(v);
    else if (auto* c = qobject_cast<QComboBox*>(w))
        c->isEditable() ? c->setEditText(v) : c->setCurrentText(v);
    else if (auto* b = qobject_cast<QCheckBox*>(w))
        b->setChecked(value == "1");
    else if (auto* g = w->findChild<QButtonGroup*>())
        g->button(v.toInt())->click();
}

}  // namespace

class AppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QStringList messages_;
    QMessageBox::StandardButton answer_ = QMessageBox::Ok;
    QStringList fileDialogs_;
    QString fileAnswer_;
    VirtualDesktop desktop_;
    SystemClock clock_;

    QString path(const char* name) const { return dir_->filePath(QString::fromUtf8(name)); }

    // A settings file that skips the first-run set-up.
    void configured(const QByteArray& extra = {}) {
        writeFile(path("Orvane.ini"),
                  "[SYSTEM]\r\nDMEX1ST=1\r\nCOMTIME=1\r\nSRCENDM=1\r\n" + extra);
    }
    std::unique_ptr<MainFrame> frame(const QString& macro = {}, const QString& flag = {},
                                     bool haveFlag = false) {
        StartOptions o;
        o.startDir = dir_->path().toStdString();
        o.macroPath = macro;
        o.exitFlag = flag;
        o.haveExitFlag = haveFlag;
        return std::make_unique<MainFrame>(o, desktop_, clock_);
    }

    // A started frame with one new editor holding `text`, unmodified.
    void frameWithEditor(std::unique_ptr<MainFrame>& f, MacroEditor*& e, const char* text,
                         const QByteArray& ini = {}) {
        configured(ini);
        f = frame();
        QVERIFY(f->startUp());
        e = f->editors().open(0);
        e->edit()->setPlainText(text);
        e->setModified(false);
    }
    // A started frame whose new editor runs "WAIT 100000"; returns once the running dialog
    // is open.
    void startLongRun(std::unique_ptr<MainFrame>& f, MacroEditor*& e) {
        frameWithEditor(f, e, "START\nWAIT 100000\nEND", "COMTIME=1\r\n");
        if (QTest::currentTestFailed()) return;
        f->runs().compile(e, 1);
        QTRY_VERIFY(f->runs().runningDialog() != nullptr);
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QDir::setCurrent(dir_->path());
        messages_.clear();
        fileDialogs_.clear();
        answer_ = QMessageBox::Ok;
        fileAnswer_.clear();
        setMessageHook(
            [this](MsgKind, const QString&, const QString& text, QMessageBox::StandardButtons) {
                messages_ << text;
                return answer_;
            });
        setFileDialogHook([this](bool save, const QString& title, const QString& initial) {
            fileDialogs_ << QString("%1|%2|%3").arg(save ? "save" : "open", title, initial);
            return fileAnswer_;
        });
    }
    void cleanup() {
        setMessageHook({});
        setFileDialogHook({});
    }

    void firstRunWritesDefaultsAndOpensSettings() {
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->box(1014)->isChecked(), true);  // SRCENDM on in the first run
            d->confirm();
        });
        auto f = frame();
        QVERIFY(f->startUp());
        QCOMPARE(messages_.value(0),
                 u8q("Orvaneをお使いいただきありがとうごさいます。\r\n初期設定をおこないます。"));
        ProfileFile ini(path("Orvane.ini").toStdString());
        QCOMPARE(ini.readInt("SYSTEM", "DMEX1ST"), 1);
        QCOMPARE(ini.readInt("SYSTEM", "COMTIME"), 1000);
        QCOMPARE(ini.readInt("SYSTEM", "AUTOEXE"), 0);
        QCOMPARE(ini.readText("SYSTEM", "EXEMCRO"), std::string());
        QCOMPARE(ini.readInt("AUTOCLK", "ATSSAVE"), 0);
        QCOMPARE(ini.readInt("SYSTEM", "SRCENDM"), 1);
        QVERIFY(f->core().settings.breaks.width > 0);  // usable debugger window sizes
    }

    void settingsLoadRules_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("comTime");
        QTest::addColumn<QString>("exeMacro");
        QTest::addColumn<bool>("framePos");
        QTest::addColumn<bool>("ignoreRunErrors");
        QTest::newRow("9999 reads as missing")
            << QByteArray("COMTIME=9999\r\n") << 1000 << "" << false << false;
        QTest::newRow("ERROR reads as empty")
            << QByteArray("COMTIME=20\r\nEXEMCRO=ERROR\r\n") << 20 << "" << false << false;
        QTest::newRow("three frame keys") << QByteArray("WNXLPOS=1\r\nWNYLPOS=2\r\nWNXRPOS=300\r\n")
                                          << 1000 << "" << false << false;
        QTest::newRow("four frame keys, SEXEERR")
            << QByteArray(
                   "WNXLPOS=1\r\nWNYLPOS=2\r\nWNXRPOS=300\r\nWNYRPOS=200\r\nSEXEERR=1\r\n"
                   "EXEMCRO=/m/a.ovm\r\n")
            << 1000 << "/m/a.ovm" << true << true;
    }
    void settingsLoadRules() {
        QFETCH(QByteArray, ini);
        writeFile(path("Orvane.ini"), "[SYSTEM]\r\nDMEX1ST=1\r\n" + ini);
        Settings s;
        QVERIFY(loadSettings(ProfileFile(path("Orvane.ini").toStdString()), 640, s));
        QTEST(s.comTime, "comTime");
        QTEST(QString::fromStdString(s.exeMacro), "exeMacro");
        QTEST(s.framePosSaved, "framePos");
        QTEST(s.ignoreRunErrors, "ignoreRunErrors");
        QCOMPARE(s.vars.left, 440);
    }

    void menuResource() {
        configured();
        auto f = frame();
        QVERIFY(f->startUp());
        const QList<QAction*> tops = f->menuBar()->actions();
        QStringList titles;
        for (QAction* a : tops) titles << a->text();
        QCOMPARE(titles, (QStringList{u8q("ﾌｧｲﾙ(&F)"), u8q("編集(&E)"), u8q("ﾂｰﾙ(&T)"),
                                      u8q("表示(&V)"), u8q("ﾍﾙﾌﾟ(&H)")}));
        struct {
            int id;
            const char* text;
            const char* key;
        } items[] = {{ID_NEW, "新規作成(n)", ""},
                     {ID_RUN, "マクロ実行(F4)", "F4"},
                     {ID_RECORD, "マクロ記録(F1)", "F1"},
                     {ID_CHECK, "マクロ文法CHK(F2)", "F2"},
                     {ID_DEBUGRUN, "実行(F9)", "F9"},
                     {ID_STEP, "1ﾗｲﾝづつ実行(F10)", "F10"},
                     {ID_CONTINUE, "継続(F6)", "F6"},
                     {ID_NEXTLINE, "次の行(F7)", "F7"},
                     {ID_STOPDEBUG, "デバッグの中止(F8)", "F8"},
                     {ID_BREAKTOGGLE, "ﾌﾞﾚｲｸﾎﾟｲﾝﾄの設定/解除(F5)", "F5"},
                     {ID_TILE, "重ねて表示", ""},
                     {ID_CASCADE, "アイコンの整列", ""},
                     {ID_HELP, "ヘルプ", ""}};
        for (const auto& it : items) {
            QAction* a = f->action(it.id);
            QVERIFY2(a, it.text);
            // The shown text; a letter in brackets is the item's mnemonic ("開く(&R)").
            QCOMPARE(QString(a->text()).remove('&'), u8q(it.text));
            QCOMPARE(a->objectName(), QString::number(it.id));
            // A function key shows once, in the text: the frame holds it, not the action.
            if (*it.key) QVERIFY(a->shortcut().isEmpty());
            if (*it.key) QVERIFY2(f->findChild<QShortcut*>(it.key), it.key);
        }
        // The letter in brackets is the item's mnemonic in the open menu.
        for (int id : {ID_NEW, ID_OPEN, ID_SAVE, ID_SAVEAS, ID_CUT, ID_COPY, ID_PASTE})
            QVERIFY2(!QKeySequence::mnemonic(f->action(id)->text()).isEmpty(),
                     qPrintable(f->action(id)->text()));
    }

    void menuGroupsFollowEditors() {
        configured();
        auto f = frame();
        QVERIFY(f->startUp());
        for (int id :
             {ID_SAVE, ID_SAVEAS, ID_CLOSE, ID_RUN, ID_CHECK, ID_FIND, ID_CUT, ID_STOPDEBUG})
            QVERIFY2(!f->action(id)->isEnabled(), qPrintable(QString::number(id)));
        // F2 with its item grey does nothing: no compile, no log.
        QTest::keyClick(f.get(), Qt::Key_F2);
        QVERIFY(!QFile::exists(path("comp.his")));
        MacroEditor* e = f->editors().open(0);
        QVERIFY(e);
        QCOMPARE(e->windowTitle(), QStringLiteral("1 New Macro"));
        for (int id : {ID_SAVEAS, ID_CLOSE, ID_RUN, ID_CHECK, ID_FIND, ID_SELECTALL})
            QVERIFY2(f->action(id)->isEnabled(), qPrintable(QString::number(id)));
        QCOMPARE(f->editors().count(), 1);
        f->command(ID_CLOSEALL);
        QCOMPARE(f->editors().count(), 0);
        QVERIFY(!f->action(ID_RUN)->isEnabled());
        QVERIFY(!f->action(ID_CLOSE)->isEnabled());
        // Edit commands with no window say so.
        f->command(ID_SELECTALL);
        QCOMPARE(messages_.last(), u8q("検索文書が選択されていません"));
    }

    void debugMenuRules() {
        configured();
        auto f = frame();
        QVERIFY(f->startUp());
        MacroEditor* e = f->editors().open(0);
        f->mdi()->setActiveSubWindow(e);
        for (int id : {ID_TOOLBOX, ID_NEXTLINE, ID_CONTINUE, ID_STOPDEBUG, ID_VARWIN})
            QVERIFY2(!f->action(id)->isEnabled(), qPrintable(QString::number(id)));
        for (int id :
             {ID_RUN, ID_DEBUGRUN, ID_STEP, ID_BREAKWIN, ID_BREAKTOGGLE, ID_AUTOCLICK, ID_RECORD})
            QVERIFY2(f->action(id)->isEnabled(), qPrintable(QString::number(id)));
        f->command(ID_BREAKWIN);
        QVERIFY(f->debugger().breakpointsWindow());
        QVERIFY(!f->action(ID_BREAKWIN)->isEnabled());
        f->debugger().breakpointsWindow()->close();
        QTRY_VERIFY(!f->debugger().breakpointsWindow());
        QVERIFY(f->action(ID_BREAKWIN)->isEnabled());
    }

    // F5 on a line, F9 stops there with the variables shown, F7 moves one line, F6 runs to
    // the end; the run commands stay grey while debugging.
    void debugRunStepsAndContinues() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        frameWithEditor(f, e, "DEFINE %a, $s\nSTART\n%a = 1\n%a = %a + 1\n$s = 'x'\nEND");
        f->mdi()->setActiveSubWindow(e);
        e->gotoLine(4);
        f->command(ID_BREAKTOGGLE);
        BreakpointsWindow* bw = f->debugger().breakpointsWindow();
        QVERIFY(bw);
        QCOMPARE(bw->list()->topLevelItemCount(), 1);
        QCOMPARE(bw->list()->topLevelItem(0)->text(0), QStringLiteral("4"));
        QCOMPARE(bw->list()->topLevelItem(0)->text(1), e->windowTitle());
        f->command(ID_DEBUGRUN);
        QTRY_VERIFY2(messages_.contains(u8q("中断-ﾌﾟﾚｲｸﾎﾟｲﾝﾄ")), qPrintable(messages_.join("|")));
        QTRY_COMPARE(f->runs().executor().mode(), int(MODE_STEP));
        QCOMPARE(f->debugger().session().hotItem(), 0);
        QCOMPARE(e->edit()->textCursor().selectedText().left(11), QStringLiteral("%a = %a + 1"));
        QVERIFY(f->debugger().variablesWindow());
        QTreeWidget* vars = f->debugger().variablesWindow()->list();
        QCOMPARE(vars->topLevelItemCount(), 2);
        QCOMPARE(vars->topLevelItem(0)->text(2), QStringLiteral("1"));
        for (int id : {ID_NEXTLINE, ID_CONTINUE, ID_STOPDEBUG})
            QVERIFY2(f->action(id)->isEnabled(), qPrintable(QString::number(id)));
        for (int id : {ID_RUN, ID_DEBUGRUN, ID_STEP, ID_CHECK})
            QVERIFY2(!f->action(id)->isEnabled(), qPrintable(QString::number(id)));
        f->mdi()->setActiveSubWindow(e);  // activation does not enable the run group under a pause
        QVERIFY(!f->action(ID_RUN)->isEnabled());

        f->command(ID_NEXTLINE);
        QCOMPARE(f->debugger().session().hotItem(), -1);
        QVERIFY(bw->list()->selectedItems().isEmpty());  // no row looks stopped any more
        QCOMPARE(vars->topLevelItem(0)->text(2), QStringLiteral("2"));
        // The gutter marks the line the next step runs (0-based 4: $s = 'x').
        QCOMPARE(e->edit()->runningLine(), 4);
        QCOMPARE(vars->topLevelItem(1)->text(2), QString());
        f->command(ID_CONTINUE);
        QTRY_VERIFY(messages_.contains(u8q("マクロ実行終了")));
        QTRY_COMPARE(f->runs().executor().mode(), int(MODE_IDLE));
        QVERIFY(!f->debugger().variablesWindow());
        QTRY_VERIFY(f->action(ID_RUN)->isEnabled());
        QVERIFY(!f->action(ID_STOPDEBUG)->isEnabled());
    }

    void breakpointsWindowFileAndRules() {
        writeFile(path("brksvfl.dbk"), QByteArray("\x05\0\0\0\x01\0\0\0x\x02\0", 11));
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        frameWithEditor(f, e, "@ note\nSTART\nWAIT 1\nEND");
        f->mdi()->setActiveSubWindow(e);
        f->command(ID_BREAKWIN);
        QCOMPARE(messages_.value(0), u8q("ブレイクポイントファイル破壊(ERR=BTR01)"));
        BreakpointsWindow* bw = f->debugger().breakpointsWindow();
        QCOMPARE(bw->list()->topLevelItemCount(), 1);  // the record before the damage stays
        e->gotoLine(1);
        f->command(ID_BREAKTOGGLE);
        QCOMPARE(messages_.last(), u8q("コメント行には設定できません"));
        e->gotoLine(2);
        f->command(ID_BREAKTOGGLE);
        QCOMPARE(messages_.last(), u8q("DEFINE/START/END行には設定できません"));
        e->gotoLine(3);
        f->command(ID_BREAKTOGGLE);
        QCOMPARE(bw->list()->topLevelItemCount(), 2);
        bw->list()->setCurrentItem(bw->list()->topLevelItem(0));
        bw->deleteSelected();
        QCOMPARE(bw->list()->topLevelItem(0)->text(0), QStringLiteral("3"));
        bw->close();
        QTRY_VERIFY(!f->debugger().breakpointsWindow());
        QByteArray title = QByteArray::fromStdString(toCp932(e->windowTitle()));
        QByteArray want("\x03\0\0\0", 4);
        want += char(title.size());
        want += QByteArray(3, '\0') + title;
        QCOMPARE(readFile(path("brksvfl.dbk")), want);
        ProfileFile ini(path("Orvane.ini").toStdString());
        QVERIFY(ini.readInt("SYSTEM", "BNXRPOS") > 0);

        // Closing is refused while a debug run executes.
        e->edit()->setPlainText("START\nWAIT 100000\nEND");
        e->setModified(false);
        f->command(ID_DEBUGRUN);
        QTRY_VERIFY(f->runs().runningDialog() && f->runs().executor().rowsExecuting());
        QVERIFY(f->debugger().breakpointsWindow());
        f->debugger().breakpointsWindow()->close();
        QTRY_VERIFY(f->findChild<QDialog*>("121"));
        QVERIFY(f->debugger().breakpointsWindow());
        f->runs().runningDialog()->stop();
        QTRY_COMPARE(f->runs().executor().mode(), int(MODE_IDLE));
    }

    // The toolbox follows the last activated editor; Add opens the form of the chosen
    // statement, whose text goes in at the caret.
    void toolboxInsertsAtTheCaret() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        frameWithEditor(f, e, "START\nEND");
        ToolboxWindow* tb = f->toolbox();
        QVERIFY(tb);
        QVERIFY(!f->action(ID_TOOLBOX)->isEnabled());
        tb->categories()->setCurrentIndex(4);
        tb->commands()->setCurrentIndex(1);
        QCOMPARE(tb->description()->text(), u8q("マウスの移動"));
        QVERIFY(tb->syntax()->text().startsWith(u8q("構文:MMOVE")));
        f->mdi()->setActiveSubWindow(e);
        QVERIFY(tb->addButton()->isEnabled());
        tb->categories()->setCurrentIndex(3);  // another category clears the command
        QVERIFY(!tb->addButton()->isEnabled());
        QVERIFY(tb->description()->text().isEmpty());
        tb->categories()->setCurrentIndex(4);
        tb->commands()->setCurrentIndex(1);
        e->gotoLine(2);
        QTextCursor c = e->edit()->textCursor();
        c.setPosition(c.selectionStart());
        e->edit()->setTextCursor(c);
        QTimer::singleShot(0, [this] {
            auto* d = qobject_cast<InsertDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QVERIFY(!d->insert());  // the X coordinate is missing
            QCOMPARE(messages_.last(), u8q("絶対座標を入力してください"));
            qobject_cast<QLineEdit*>(d->field("xnum"))->setText("10");
            qobject_cast<QLineEdit*>(d->field("ynum"))->setText("20");
            QVERIFY(d->insert());
        });
        tb->add();
        QCOMPARE(e->edit()->toPlainText(), QStringLiteral("START\n\tMMOVE 10,20\nEND"));
        // Every syntax text shows whole in the panel, its last line included.
        for (int cat = 1; cat < tb->categories()->count(); ++cat) {
            tb->categories()->setCurrentIndex(cat);
            for (int cmd = 1; cmd < tb->commands()->count(); ++cmd) {
                tb->commands()->setCurrentIndex(cmd);
                QLabel* syntax = tb->syntax();
                const QRect need = syntax->fontMetrics().boundingRect(
                    syntax->contentsRect(), Qt::AlignLeft | Qt::AlignTop, syntax->text());
                QVERIFY2(need.height() <= syntax->contentsRect().height(),
                         qPrintable(tb->commands()->currentText()));
            }
        }
        f->command(ID_CLOSEALL);
        QVERIFY(!f->toolbox());
        QVERIFY(f->action(ID_TOOLBOX)->isEnabled());
    }

    // Every statement of the toolbox, its form filled as a user would: ADD puts exactly the
    // builder's text in place of the editor's selection.
    void everyStatementInsertsThroughItsForm() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        frameWithEditor(f, e, "");
        ToolboxWindow* tb = f->toolbox();
        f->mdi()->setActiveSubWindow(e);
        int seen = 0;
        for (const orvtest::StatementSample& sample : orvtest::statementSamples()) {
            int category = 0, command = 0;
            QVERIFY(findStatement(sample.word, category, command));
            tb->categories()->setCurrentIndex(category);
            tb->commands()->setCurrentIndex(command);
            e->edit()->setPlainText(QStringLiteral("<selected>"));
            e->edit()->selectAll();
            QString expected;
            QTimer::singleShot(0, [&] {
                auto* d = qobject_cast<InsertDialog*>(QApplication::activeModalWidget());
                QVERIFY2(d, sample.word);
                for (const auto& [id, value] : sample.values) fill(d->field(id), value);
                tools::BuildResult r =
                    tools::buildStatement(*tools::formFor(sample.word), d->values());
                QVERIFY2(r.ok, r.message.c_str());
                expected = QString::fromStdString(r.text).replace("\r\n", "\n");
                QVERIFY2(d->insert(), sample.word);
            });
            tb->add();
            QCOMPARE(e->edit()->toPlainText(), expected);
            if (sample.expected)
                QCOMPARE(expected, QString::fromUtf8(sample.expected).replace("\r\n", "\n"));
            ++seen;
        }
        QCOMPARE(seen, 36);
    }

    void autoClickDialogPicksAndSaves() {
        struct FakeHook : PickHook {
            bool pickBusy() override { return false; }
            void startPick(int t) override { tags << t; }
            void endPick() override { ++ends; }
            QList<int> tags;
            int ends = 0;
        } hook;
        configured();
        tools::AutoClickSettings s;
        ProfileFile ini(path("Orvane.ini").toStdString());
        AutoClickDialog d(nullptr, s, desktop_, hook, ini);
        auto* check = d.findChild<QCheckBox*>("1029");
        auto* set = d.findChild<QPushButton*>("1019");
        auto* run = d.findChild<QPushButton*>("1031");
        auto* close = d.findChild<QPushButton*>("1");
        QVERIFY(check && set && run && close);
        QVERIFY(!set->isEnabled());
        check->click();
        QVERIFY(set->isEnabled());
        set->click();
        QCOMPARE(hook.tags, QList<int>{2});
        QVERIFY(!close->isEnabled());
        d.picked(1035, 2, (40 << 16) | 30);  // right press, then its double click
        d.picked(1036, 2, (40 << 16) | 30);
        QCOMPARE(hook.ends, 1);
        QCOMPARE(d.findChild<QLabel*>("1057")->text(), QStringLiteral("R-DBCLK"));
        QCOMPARE(d.findChild<QLabel*>("1028")->text(), QStringLiteral("30"));
        QVERIFY(close->isEnabled());
        run->click();
        QCOMPARE(run->text(), u8q("停止"));
        QVERIFY(!close->isEnabled());
        d.findChild<QPushButton*>("1016")->click();  // 全停止
        QCOMPARE(run->text(), u8q("実行"));
        d.findChild<QCheckBox*>("1053")->click();
        close->click();
        QCOMPARE(ini.readInt("AUTOCLK", "ATEVNT2"), 4);
        QCOMPARE(ini.readInt("AUTOCLK", "ATEXEY2"), 40);
        QCOMPARE(ini.readInt("AUTOCLK", "ATSSAVE"), 1);
    }

    void stepModeAndStopDebugging() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        frameWithEditor(f, e, "DEFINE %a\nSTART\n%a = 5\nEND");
        f->mdi()->setActiveSubWindow(e);
        f->command(ID_STEP);
        QCOMPARE(f->runs().executor().mode(), int(MODE_STEP));
        QVERIFY(f->debugger().breakpointsWindow());
        QVERIFY(f->debugger().variablesWindow());
        QCOMPARE(e->edit()->textCursor().selectedText().left(6), QStringLiteral("%a = 5"));
        f->command(ID_STOPDEBUG);
        QCOMPARE(f->runs().executor().mode(), int(MODE_IDLE));
        QVERIFY(!f->debugger().variablesWindow());
        QVERIFY(!f->action(ID_NEXTLINE)->isEnabled());
        QVERIFY(f->action(ID_RUN)->isEnabled());
        // Step to the end: the last line ends debugging.
        f->command(ID_STEP);
        f->command(ID_NEXTLINE);
        f->command(ID_NEXTLINE);
        QCOMPARE(f->runs().executor().mode(), int(MODE_IDLE));
        QVERIFY(!f->debugger().variablesWindow());
    }

    void configuredAutoRun() {
        writeFile(path("auto.ovm"), "START\r\nMMOVE 33,44\r\nEND\r\n");
        configured("AUTOEXE=1\r\nAUTOFIN=0\r\nEXEMCRO=" + path("auto.ovm").toUtf8() + "\r\n");
        auto f = frame();
        QVERIFY(f->startUp());
        QTRY_VERIFY_WITH_TIMEOUT(messages_.contains(u8q("マクロ実行終了")), 5000);
        QCOMPARE(desktop_.cursor().x, 33);
        QVERIFY(f->isVisible());
        QCOMPARE(f->editors().active()->windowTitle(), path("auto.ovm"));
    }

    void configuredAutoRunMissingFile() {
        configured("AUTOEXE=1\r\nAUTOFIN=1\r\nEXEMCRO=/no/such.ovm\r\n");
        auto f = frame();
        QVERIFY(f->startUp());
        QCOMPARE(messages_.last(), u8q("指定されたマクロファイルが存在しません。"));
        QCOMPARE(f->core().settings.autoFin, 0);  // the program will not close itself
        QCOMPARE(f->editors().count(), 0);
    }

    void editorFileSizesAndExactBytes() {
        configured();
        auto f = frame();
        QVERIFY(f->startUp());
        QByteArray max = "START\r\nEND\r\n" + QByteArray(65535 - 12, ' ');
        writeFile(path("max.ovm"), max);
        writeFile(path("big.ovm"), max + " ");
        fileAnswer_ = path("big.ovm");
        QVERIFY(!f->editors().open(1));
        QCOMPARE(messages_.last(), u8q("ファイルサイズが大きすぎます"));
        QCOMPARE(f->editors().count(), 0);
        fileAnswer_ = path("max.ovm");
        MacroEditor* e = f->editors().open(1);
        QVERIFY(e);
        QCOMPARE(fileDialogs_.last().section('|', 1, 1), u8q("ファイルオープン！"));
        QCOMPARE(QByteArray::fromStdString(e->textBytes()), max);
        // Saved as 65,536 bytes (text and zero byte), it opens again.
        e->setModified(true);
        QVERIFY(e->save(false));
        QCOMPARE(readFile(path("max.ovm")).size(), 65536);
        QVERIFY(f->editors().open(1));

        // Invalid CP932, duplicate-mapped characters, lone LF and CR, text after a zero byte.
        QByteArray odd =
            sjis("表示①") + "\x81\xED\x40\xFA\x5C\x82" + "a\nb\rc\r\nd" + QByteArray("\0tail", 5);
        writeFile(path("odd.ovm"), odd);
        fileAnswer_ = path("odd.ovm");
        MacroEditor* e2 = f->editors().open(1);
        QVERIFY(e2);
        QByteArray expect = odd.left(odd.indexOf('\0'));
        QCOMPARE(QByteArray::fromStdString(e2->textBytes()), expect);
        e2->setModified(true);
        QVERIFY(e2->save(false));
        QCOMPARE(readFile(path("odd.ovm")), expect + QByteArray(1, '\0'));
    }

    void saveRules() {
        configured();
        auto f = frame();
        QVERIFY(f->startUp());
        MacroEditor* e = f->editors().open(0);
        e->edit()->setPlainText(u8q("START\nEND"));
        fileAnswer_ = path("a.ovm");
        QVERIFY(e->save(false));  // never saved: through the dialog
        QCOMPARE(fileDialogs_.size(), 1);
        QCOMPARE(fileDialogs_[0], "save|" + u8q("名前を付けて保存する") + "|" +
                                      QDir::currentPath() + "/New Macro.ovm");
        QCOMPARE(e->windowTitle(), path("a.ovm"));
        QVERIFY(!e->modified());
        QCOMPARE(readFile(path("a.ovm")), QByteArray("START\r\nEND\0", 11));
        e->edit()->setPlainText("E");
        QVERIFY(e->save(false));  // plain save: no dialog, shorter text replaces the file
        QCOMPARE(fileDialogs_.size(), 1);
        QCOMPARE(readFile(path("a.ovm")), QByteArray("E\0", 2));

        // A file that cannot be written: message, caption and modified flag unchanged.
        e->edit()->setPlainText("X");
        e->setModified(true);
        fileAnswer_ = path("no-such-dir/b.ovm");
        QVERIFY(!e->save(true));
        QCOMPARE(e->windowTitle(), path("a.ovm"));
        QVERIFY(e->modified());
        // Too big for a macro file: refused, nothing cut.
        e->edit()->setPlainText(QString(70000, 'x'));
        e->setModified(true);
        QVERIFY(!e->save(false));
        QCOMPARE(readFile(path("a.ovm")), QByteArray("E\0", 2));

        // Yes to the save question, then a cancelled dialog: the window stays open.
        answer_ = QMessageBox::Yes;
        fileAnswer_.clear();
        e->edit()->setPlainText("Y");
        e->setModified(true);
        QVERIFY(!e->close());
        QCOMPARE(f->editors().count(), 1);
        answer_ = QMessageBox::No;
        QVERIFY(e->close());
        QTRY_COMPARE(f->editors().count(), 0);
    }

    void invalidExitFlagEndsTheProgram() {
        configured();
        writeFile(path("m.ovm"), "START\r\nEND\r\n");
        auto f = frame(path("m.ovm"), "2", true);
        QVERIFY(!f->startUp());
        QVERIFY(messages_.last().startsWith(u8q("ﾊﾟﾗﾒﾀの指定方法が違います。\r\n")));
        QVERIFY(messages_.last().contains(u8q(">Orvane \"自動実行ﾏｸﾛﾌｧｲﾙ\" 終了ﾌﾗｸﾞ")));
    }

    void missingCommandLineMacro() {
        configured("AUTOEXE=1\r\nEXEMCRO=/nowhere.ovm\r\n");
        auto f = frame(path("missing.ovm"), "1", true);
        QVERIFY(f->startUp());
        QCOMPARE(messages_.last(), u8q("外部パラメタで指定されたマクロファイルが存在しません。"));
        QCOMPARE(f->core().settings.autoExe, 1);  // the configured setting is unchanged
        QCOMPARE(f->editors().count(), 0);
    }

    void commandLineRunClosesWithFlagOne() {
        configured();
        writeFile(path("m.ovm"), "DEFINE %a\r\nSTART\r\n%a = 5\r\nMMOVE 10,20\r\nEND\r\n");
        auto f = frame(path("m.ovm"), "1", true);
        QVERIFY(f->startUp());
        QTRY_VERIFY_WITH_TIMEOUT(!f->isVisible(), 5000);
        QCOMPARE(desktop_.cursor().x, 10);
        QVERIFY(!messages_.contains(u8q("マクロ実行終了")));
        // The command-line path did not replace the configured one.
        QCOMPARE(f->core().settings.exeMacro, std::string());
    }

    void commandLineRunStaysOpenWithFlagX() {
        configured();
        writeFile(path("m.ovm"), "START\r\nWAIT 1\r\nEND\r\n");
        auto f = frame(path("m.ovm"), "x", true);
        QVERIFY(f->startUp());
        QTRY_VERIFY_WITH_TIMEOUT(messages_.contains(u8q("マクロ実行終了")), 5000);
        QVERIFY(f->isVisible());
        QCOMPARE(f->core().settings.autoFin, 0);
        QVERIFY(f->action(ID_RUN)->isEnabled());
    }

    void runCommandsStayGreyDuringARun() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        startLongRun(f, e);
        if (QTest::currentTestFailed()) return;
        for (int id : {ID_RUN, ID_CHECK, ID_DEBUGRUN, ID_STEP})
            QVERIFY(!f->action(id)->isEnabled());
        // Activation of the editor does not bring them back.
        f->mdi()->setActiveSubWindow(e);
        QVERIFY(!f->action(ID_RUN)->isEnabled());
        // The stop button: the UI never blocks; the end arrives by itself.
        f->runs().runningDialog()->stopButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(f->action(ID_RUN)->isEnabled(), 2000);
        QVERIFY(messages_.contains(e->windowTitle() + u8q(" は中断されました")));
        QVERIFY(f->runs().runningDialog() == nullptr);
    }

    void shutdownDuringARunDoesNotHang() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        startLongRun(f, e);
        if (QTest::currentTestFailed()) return;
        QElapsedTimer t;
        t.start();
        f->close();
        QVERIFY(t.elapsed() < 3000);
        ProfileFile ini(path("Orvane.ini").toStdString());
        QVERIFY(ini.has("SYSTEM", "WNXRPOS"));
    }

    void checkResultJumpsToTheLine() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        frameWithEditor(f, e, "START\nWAIT x\nEND");
        if (QTest::currentTestFailed()) return;
        f->command(ID_CHECK);
        QCOMPARE(messages_.last(), u8q("マクロ解析エラー発生\r\nエラーログを参照してください"));
        CheckResultWindow* w = f->runs().checkResult();
        QVERIFY(w);
        QStringList lines = w->edit()->toPlainText().split('\n');
        QCOMPARE(lines.value(1), u8q("*2 Line Error(035) WAIT 構文エラー(パラメタ不正)"));
        int line1 = 0;
        QString name;
        QVERIFY(errorLineTarget(lines, 1, line1, name));
        QCOMPARE(line1, 2);
        QCOMPARE(name, QStringLiteral("1 New Macro"));
        QVERIFY(!errorLineTarget(lines, 0, line1, name));  // Compile-Start does nothing
        QTextCursor c(w->edit()->document()->findBlockByNumber(1));
        w->edit()->setTextCursor(c);
        w->jumpToError();
        QCOMPARE(f->editors().active(), e);
        QCOMPARE(e->edit()->textCursor().selectedText(), QStringLiteral("WAIT x\u2029"));

        // Modified and never saved: the check saves it first, so the log names that file and
        // its errors jump there.
        e->setModified(true);
        fileAnswer_ = path("first.ovm");
        f->command(ID_CHECK);
        QCOMPARE(e->windowTitle(), path("first.ovm"));
        lines = f->runs().checkResult()->edit()->toPlainText().split('\n');
        QVERIFY2(lines.value(0).contains(path("first.ovm")), qPrintable(lines.value(0)));
        QVERIFY(errorLineTarget(lines, 1, line1, name));
        QCOMPARE(name, path("first.ovm"));
    }

    void settingsDialogChecks() {
        configured();
        auto f = frame();
        QVERIFY(f->startUp());
        SettingsDialog d(f.get(), f->core().settings, f->core().ini);
        d.interval()->setText("");
        d.confirm();
        QCOMPARE(messages_.last(), u8q("1以上を指定してください"));
        QVERIFY(!d.result());
        d.interval()->setText("250");
        QVERIFY(!d.path()->isEnabled());
        d.box(1058)->click();
        QVERIFY(d.path()->isEnabled() && d.box(1059)->isEnabled());
        d.confirm();
        QCOMPARE(messages_.last(), u8q("自動実行マクロファイルが指定されていません"));
        QCOMPARE(f->core().ini.readInt("SYSTEM", "COMTIME"), 250);  // written before the stop
        d.path()->setText(path("none.ovm"));
        d.confirm();
        QCOMPARE(messages_.last(), u8q("指定されたマクロファイルが存在しません。"));
        d.box(1058)->click();  // unchecked: a missing path is accepted
        d.box(1057)->setChecked(true);
        d.confirm();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(f->core().ini.readInt("SYSTEM", "SEXEERR"), 1);
        QCOMPARE(QString::fromStdString(f->core().ini.readText("SYSTEM", "EXEMCRO")),
                 path("none.ovm"));
        QCOMPARE(f->core().settings.autoExe, 0);
        // Recordings that keep their timing: no keys until switched on, then read back after a
        // restart with the box checked and the shortest pause editable.
        ProfileFile& ini = f->core().ini;
        QVERIFY(!ini.has("SYSTEM", "RECWAIT") && !ini.has("SYSTEM", "RECWMIN"));
        QCOMPARE(d.recordWaits()->text(), u8q("待ち時間を記録する"));
        QVERIFY(!d.recordWaits()->isChecked() && !d.shortestWait()->isEnabled());
        QCOMPARE(d.shortestWait()->text(), QStringLiteral("200"));
        d.recordWaits()->click();
        d.shortestWait()->setText("350");
        d.confirm();
        Settings restarted;
        QVERIFY(loadSettings(ini, 640, restarted));
        SettingsDialog again(f.get(), restarted, ini);
        QVERIFY(again.recordWaits()->isChecked() && again.shortestWait()->isEnabled());
        QCOMPARE(again.shortestWait()->text(), QStringLiteral("350"));
    }

    void findAndReplace() {
        QCOMPARE(findInText("abcABC", "BC", 0, false), 1);
        QCOMPARE(findInText("abcABC", "BC", 0, true), 4);
        QCOMPARE(findInText("abc", "x", 0, false), -1);
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        frameWithEditor(f, e, "WAIT 1\nwait 2\nWAIT 3");
        if (QTest::currentTestFailed()) return;
        f->command(ID_REPLACE);
        auto* d = f->findChild<FindDialog*>();
        QVERIFY(d);
        d->what()->setText("WAIT");
        d->with()->setText("MTAB");
        d->matchCase()->setChecked(true);
        QCOMPARE(d->replaceAll(), 2);
        QCOMPARE(e->edit()->toPlainText(), QStringLiteral("MTAB 1\nwait 2\nMTAB 3"));
        // Not found: the wrap question repeats until No.
        d->what()->setText("zzz");
        answer_ = QMessageBox::No;
        QVERIFY(!d->findNext());
        QCOMPARE(messages_.last(), u8q("ファイルの最後まで検索しました。先頭から探しますか？"));
        // Destroying the editor clears the find target.
        f->command(ID_CLOSEALL);
        QTRY_VERIFY(f->findChild<FindDialog*>() == nullptr);
    }

    // F1 greys the run commands and shows the stop window with the frame beneath it; the stop
    // button gives a new editor with START, the lines, END and an empty last line, and puts
    // the frame back. F1 does nothing during a run.
    void recordingInTheProgram() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        frameWithEditor(f, e, "START\nEND");
        if (QTest::currentTestFailed()) return;
        f->setGeometry(60, 70, 520, 380);
        const QRect before = f->geometry();
        f->command(ID_RECORD);
        QVERIFY(f->recorder().recording());
        RecordStopWindow* w = f->recorder().stopWindow();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u8q("マクロ記録停止"));
        QCOMPARE(w->button()->text(), u8q("ﾏｸﾛ記録停止"));
        QCOMPARE(w->button()->objectName(), QStringLiteral("2101"));
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        // The frame's outer edge lies beneath the stop window, whatever the menu bar asks for.
        QCOMPARE(f->frameGeometry().topLeft(), w->placement().topLeft());
        QVERIFY(w->placement().contains(f->frameGeometry()));
        f->mdi()->setActiveSubWindow(e);  // activation brings none of them back
        for (int id : {ID_RECORD, ID_DEBUGRUN, ID_STEP, ID_RUN, ID_CHECK})
            QVERIFY2(!f->action(id)->isEnabled(), qPrintable(QString::number(id)));
        w->button()->click();
        QTRY_VERIFY(!f->recorder().recording() && !f->recorder().stopWindow());
        QCOMPARE(f->editors().count(), 2);
        QCOMPARE(f->editors().active()->edit()->toPlainText(), QStringLiteral("START\nEND\n"));
        QCOMPARE(f->editors().active()->windowTitle(), QStringLiteral("2 New Macro"));
        QCOMPARE(f->geometry(), before);
        for (int id : {ID_RECORD, ID_DEBUGRUN, ID_STEP, ID_RUN, ID_CHECK})
            QVERIFY2(f->action(id)->isEnabled(), qPrintable(QString::number(id)));
        // Ending the program while recording drops the text and the stop window.
        f->command(ID_RECORD);
        QPointer<RecordStopWindow> stopWindow = f->recorder().stopWindow();
        QVERIFY(f->close());
        QVERIFY(!f->recorder().recording() && !stopWindow);
        QCOMPARE(f->editors().count(), 2);

        MacroEditor* run = nullptr;
        std::unique_ptr<MainFrame> g;
        f.reset();
        startLongRun(g, run);
        if (QTest::currentTestFailed()) return;
        QVERIFY(!g->action(ID_RECORD)->isEnabled());
        g->command(ID_RECORD);
        QVERIFY(!g->recorder().recording() && !g->recorder().stopWindow());
        g->runs().runningDialog()->stopButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(g->action(ID_RECORD)->isEnabled(), 2000);
    }

    // What a new user lost or was misled by: each row a fault that once slipped through.
    void nothingLostOnSaveOrClose() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        frameWithEditor(f, e, "START\nEND");
        if (QTest::currentTestFailed()) return;
        // A settings file that cannot be read is never replaced; the failure is told once.
        QVERIFY(QFile::remove(path("Orvane.ini")));
        QVERIFY(QDir(dir_->path()).mkdir("Orvane.ini"));
        f->findChild<QAction*>("lineNumbers")->toggle();
        f->findChild<QAction*>("lineNumbers")->toggle();
        QTRY_VERIFY(!messages_.isEmpty() &&
                    messages_.last().startsWith(u8q("設定ファイルに書き込めませんでした")));
        QTest::qWait(1500);
        QCOMPARE(messages_.count(messages_.last()), 1);
        QVERIFY(QFileInfo(path("Orvane.ini")).isDir());
        fileAnswer_ = path("u.ovm");
        QVERIFY(e->save(true));
        // A character without a CP932 form: nothing written, the editor stays modified.
        e->edit()->setPlainText(u8q("START\n@ 表 \uD55C\uAE00 \u20AC\nEND"));
        e->setModified(true);
        QVERIFY(!e->save(false));
        QVERIFY(e->modified());
        QVERIFY2(messages_.last().contains(u8q("2行目")) && messages_.last().contains(u8q("한")),
                 qPrintable(messages_.last()));
        QCOMPARE(readFile(path("u.ovm")), QByteArray("START\r\nEND\0", 11));
        // 保存(S) follows the modified flag at once.
        QVERIFY(f->action(ID_SAVE)->isEnabled());
        e->edit()->setPlainText("START\nEND");
        QVERIFY(e->save(false));
        QVERIFY(!f->action(ID_SAVE)->isEnabled());
        e->edit()->insertPlainText("x");
        QVERIFY(f->action(ID_SAVE)->isEnabled());
        // すべて閉じる and the frame's close ask about the modified editor; Cancel keeps all.
        const int asked = messages_.size();
        answer_ = QMessageBox::Cancel;
        f->command(ID_CLOSEALL);
        QCOMPARE(f->editors().count(), 1);
        QVERIFY(!f->close());
        QCOMPARE(messages_.size(), asked + 2);
        QCOMPARE(messages_.last(), u8q("変更されています。保存しますか？"));
        answer_ = QMessageBox::No;
        f->command(ID_CLOSEALL);
        QTRY_COMPARE(f->editors().count(), 0);
        QVERIFY(!f->action(ID_CUT)->isEnabled() && !f->action(ID_COPY)->isEnabled());
        // Nothing modified: the program ends without a question.
        f->editors().open(0);
        QVERIFY(f->close());
        QCOMPARE(messages_.size(), asked + 3);
    }

    // Every way a run, a debug run or a step run ends leaves the commands as they are with no
    // run, without activating anything: each row drives one way to its end.
    void everyEndOfARunLeavesTheCommandsOfNoRun() {
        using Drive = std::function<void(MainFrame&, MacroEditor*)>;
        auto pauseAtLine5 = [](MainFrame& f, MacroEditor* e) {
            QVERIFY(e->save(true));  // the breakpoint names the file the run saves to
            e->gotoLine(5);
            f.command(ID_BREAKTOGGLE);
            f.command(ID_DEBUGRUN);
            QTRY_COMPARE(f.runs().executor().mode(), int(MODE_STEP));
        };
        auto change = [](MacroEditor* e) { e->edit()->appendPlainText(QStringLiteral("@")); };
        const struct {
            const char* name;
            Drive drive;
        } ways[] = {
            {"debug run to the end", [](MainFrame& f, MacroEditor*) { f.command(ID_DEBUGRUN); }},
            {"stepped to the end",
             [](MainFrame& f, MacroEditor*) {
                 f.command(ID_STEP);
                 for (int n = 0; n < 50 && f.runs().executor().mode() == MODE_STEP; ++n)
                     f.command(ID_NEXTLINE);
             }},
            {"stepping stopped",
             [](MainFrame& f, MacroEditor*) {
                 f.command(ID_STEP);
                 f.command(ID_NEXTLINE);
                 f.command(ID_STOPDEBUG);
             }},
            {"text changed, No at Next line",
             [&](MainFrame& f, MacroEditor* e) {
                 f.command(ID_STEP);
                 change(e);
                 answer_ = QMessageBox::No;
                 f.command(ID_NEXTLINE);
             }},
            {"text changed, No at Continue",
             [&](MainFrame& f, MacroEditor* e) {
                 pauseAtLine5(f, e);
                 change(e);
                 answer_ = QMessageBox::No;
                 f.command(ID_CONTINUE);
             }},
            {"text changed, Yes at Continue runs it again, then stopped",
             [&](MainFrame& f, MacroEditor* e) {
                 pauseAtLine5(f, e);
                 change(e);
                 answer_ = QMessageBox::Yes;
                 const int stops = messages_.count(u8q("中断-ﾌﾟﾚｲｸﾎﾟｲﾝﾄ"));
                 f.command(ID_CONTINUE);
                 QTRY_COMPARE(messages_.count(u8q("中断-ﾌﾟﾚｲｸﾎﾟｲﾝﾄ")), stops + 1);
                 QTRY_COMPARE(f.runs().executor().mode(), int(MODE_STEP));
                 f.command(ID_STOPDEBUG);
             }},
            {"run to the end", [](MainFrame& f, MacroEditor*) { f.command(ID_RUN); }},
        };
        const struct {
            int id;
            bool on;
        } noRun[] = {{ID_RUN, true},        {ID_CHECK, true},     {ID_DEBUGRUN, true},
                     {ID_STEP, true},       {ID_RECORD, true},    {ID_CLOSE, true},
                     {ID_CLOSEALL, true},   {ID_TILE, true},      {ID_SELECTALL, true},
                     {ID_FIND, true},       {ID_NEXTLINE, false}, {ID_CONTINUE, false},
                     {ID_STOPDEBUG, false}, {ID_VARWIN, false}};
        for (const auto& way : ways) {
            QFile::remove(path("brksvfl.dbk"));
            fileAnswer_ = path("loop.ovm");
            std::unique_ptr<MainFrame> f;
            MacroEditor* e = nullptr;
            frameWithEditor(f, e, "DEFINE %i\nSTART\n%i = 0\nDO (%i < 2)\n%i = %i + 1\nENDDO\nEND");
            f->mdi()->setActiveSubWindow(e);
            way.drive(*f, e);
            QTRY_COMPARE_WITH_TIMEOUT(f->runs().activity(), Activity::Idle, 5000);
            QString wrong;
            for (const auto& c : noRun)
                if (f->action(c.id)->isEnabled() != c.on) wrong += QString(" %1").arg(c.id);
            QVERIFY2(wrong.isEmpty(), qPrintable(QString(way.name) + ":" + wrong));
            QVERIFY2(!e->edit()->isReadOnly(), way.name);
            answer_ = QMessageBox::Ok;
        }
    }

    // While rows execute no editor takes typed or pasted text; a pause gives the text back to
    // the user (the "マクロが変更されました" question relies on it).
    void editorsTakeNoKeysWhileRowsExecute() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        startLongRun(f, e);
        if (QTest::currentTestFailed()) return;
        MacroEditor* other = f->editors().open(EDITOR_NEW);
        for (MacroEditor* ed : {e, other}) {
            const QString before = ed->edit()->toPlainText();
            QTest::keyClicks(ed->edit(), "typed");
            QTest::keyClick(ed->edit(), Qt::Key_Return);
            QCOMPARE(ed->edit()->toPlainText(), before);
            QVERIFY(ed->edit()->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        }
        f->runs().runningDialog()->stopButton()->click();
        QTRY_VERIFY(!e->edit()->isReadOnly() && !other->edit()->isReadOnly());
        e->edit()->setPlainText("DEFINE %a\nSTART\n%a = 1\nEND");
        e->setModified(false);
        f->mdi()->setActiveSubWindow(e);
        f->command(ID_STEP);
        QVERIFY(!e->edit()->isReadOnly());
        f->command(ID_STOPDEBUG);
    }

    // The debugger windows open inside the MDI area whatever their stored places say, keeping
    // their size where it fits; the window list under 表示 brings a window back into view.
    void windowsOpenInSight() {
        const struct {
            QRect want;
            QSize area;
            QRect got;
        } rows[] = {
            {{900, 700, 300, 200}, {640, 400}, {340, 200, 300, 200}},
            {{-50, -20, 100, 80}, {640, 400}, {0, 0, 100, 80}},
            {{10, 86, 900, 500}, {640, 400}, {10, 86, 630, 314}},  // larger: cut, not moved
            {{600, 390, 900, 500}, {640, 400}, {520, 280, 120, 120}},
            {{10, 10, 100, 100}, {0, 0}, {10, 10, 100, 100}},  // not laid out yet
        };
        for (const auto& r : rows) QCOMPARE(insideArea(r.want, r.area), r.got);

        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        frameWithEditor(f, e, "START\nEND",
                        "BNXLPOS=2000\r\nBNYLPOS=1500\r\nBNXRPOS=300\r\nBNYRPOS=200\r\n");
        f->resize(600, 450);
        f->command(ID_BREAKWIN);
        BreakpointsWindow* bw = f->debugger().breakpointsWindow();
        const QRect area = f->mdi()->viewport()->rect();
        QVERIFY(area.contains(bw->geometry()));
        QCOMPARE(bw->size(), QSize(300, 200));
        bw->move(3000, 3000);
        QMenu* view = f->menuBar()->actions().value(3)->menu();
        emit view->aboutToShow();  // the window list is built as the menu opens
        QAction* entry = nullptr;
        for (QAction* a : view->actions())
            if (a->objectName().startsWith('3') && a->text().endsWith(bw->windowTitle())) entry = a;
        QVERIFY(entry);
        entry->trigger();
        QVERIFY(area.contains(bw->geometry()));
    }

    // "ホットキー設定..." ends the tools menu; its dialog shows the table of Orvane.ini, takes
    // combinations as they are pressed (refusing the program's own keys) and stores what OK
    // accepts. A combination that cannot be read is said once at start.
    void hotkeyDialogKeepsTheTable() {
        writeFile(path("h.ovm"), "START\r\nEND\r\n");
        writeFile(path("マクロ.ovm"), "START\r\nEND\r\n");
        configured("[HOTKEY]\r\nHOTUSE0=1\r\nHOTKEY0=Ctrl+Alt+1\r\nHOTMCR0=" +
                   QByteArray::fromStdString(toCp932(path("マクロ.ovm"))) +
                   "\r\nHOTUSE1=1\r\nHOTKEY1=Alt+\r\n");
        auto f = frame();
        QVERIFY(f->startUp());
        QVERIFY2(messages_.last().contains("HOTKEY1"), qPrintable(messages_.join("|")));
        QMenu* tools = f->menuBar()->actions().value(2)->menu();
        QCOMPARE(tools->actions().last(), f->action(ID_HOTKEYS));
        QVERIFY(tools->actions().value(tools->actions().size() - 2)->isSeparator());
        QCOMPARE(f->action(ID_HOTKEYS)->text(), u8q("ホットキー設定..."));
        QTimer::singleShot(0, [this] {
            auto* d = qobject_cast<HotkeyDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QVERIFY(d->use(0)->isChecked() && !d->use(1)->isChecked());
            QCOMPARE(d->chord(0)->text(), QStringLiteral("Ctrl+Alt+1"));
            QCOMPARE(d->macro(0)->text(), path("マクロ.ovm"));
            QTest::keyClick(d->chord(2), Qt::Key_2, Qt::ControlModifier | Qt::AltModifier);
            QCOMPARE(d->chord(2)->text(), QStringLiteral("Ctrl+Alt+2"));
            const qsizetype said = messages_.size();
            for (int key : {int(Qt::Key_Escape), int(Qt::Key_F5), int(Qt::Key_A)})
                QTest::keyClick(d->chord(2), Qt::Key(key));
            QCOMPARE(messages_.size(), said + 3);  // refused, each with its reason
            QCOMPARE(d->chord(2)->text(), QStringLiteral("Ctrl+Alt+2"));
            d->use(2)->setChecked(true);
            QVERIFY(!d->confirm());  // no macro file yet
            d->macro(2)->setText(path("h.ovm"));
            QVERIFY(d->confirm());
        });
        f->command(ID_HOTKEYS);
        ProfileFile ini(path("Orvane.ini").toStdString());
        QCOMPARE(ini.readInt("HOTKEY", "HOTUSE2"), 1);
        QCOMPARE(ini.readText("HOTKEY", "HOTKEY2"), std::string("Ctrl+Alt+2"));
        QCOMPARE(ini.readText("HOTKEY", "HOTMCR0"), toCp932(path("マクロ.ovm")));
    }

    // Files dropped on the frame open as 開く opens them (the size rule included); the files
    // opened or saved are the recent files, newest first, kept in Orvane.ini; a recent file
    // that is gone is said and leaves the list. The standard keys act as their items do, and
    // only while the items are enabled.
    void recentFilesDropsAndTheStandardKeys() {
        configured();
        const QString a = path("a.ovm"), b = path("b.ovm");
        writeFile(a, "START\r\nEND\r\n");
        writeFile(b, "START\r\nEND\r\n");
        writeFile(path("big.ovm"), QByteArray(70000, ' '));
        auto f = frame();
        QVERIFY(f->startUp());
        QMimeData mime;
        mime.setUrls(
            {QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(path("big.ovm"))});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(f.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.get(), &drop);
        QCOMPARE(f->editors().count(), 2);
        QCOMPARE(messages_.last(), u8q("ファイルサイズが大きすぎます"));
        QCOMPARE(f->editors().recent().paths(), (QStringList{b, a}));
        QCOMPARE(f->core().ini.readText("RECENT", "RECFIL1"), toCp932(b));

        const struct {
            int id;
            const char* keys;
        } keys[] = {{ID_NEW, "Ctrl+N"},          {ID_OPEN, "Ctrl+O"}, {ID_SAVE, "Ctrl+S"},
                    {ID_SAVEAS, "Ctrl+Shift+S"}, {ID_FIND, "Ctrl+F"}, {ID_REPLACE, "Ctrl+H"},
                    {ID_CLOSE, "Ctrl+W"}};
        for (const auto& k : keys) QCOMPARE(f->action(k.id)->shortcut(), QKeySequence(k.keys));
        MacroEditor* e = f->editors().active();
        QCOMPARE(e->windowTitle(), b);
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        e->edit()->moveCursor(QTextCursor::End);
        e->edit()->insertPlainText("@");
        QTest::keyClick(e->edit(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(readFile(b), QByteArray("START\r\nEND\r\n@\0", 14));
        QVERIFY(!f->action(ID_SAVE)->isEnabled());
        QTest::keyClick(e->edit(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(f->editors().count(), 3);

        QFile::remove(a);
        QMenu* recent = f->findChild<QMenu*>("recentFiles");
        emit recent->aboutToShow();
        QCOMPARE(recent->actions().value(0)->text(), "&1 " + b);
        recent->actions().value(1)->trigger();
        QVERIFY(messages_.last().startsWith(u8q("ファイルが見つかりません。")));
        QCOMPARE(f->editors().recent().paths(), QStringList{b});
        f.reset();
        auto g = frame();
        QVERIFY(g->startUp());
        QCOMPARE(g->editors().recent().paths(), QStringList{b});
    }

    // A modified editor's text goes to the recovery folder (0600) until it is saved; texts a
    // program left when it ended otherwise are offered at the next start and come back byte for
    // byte; a folder that cannot be written is said once and never stops the program.
    void recoveryKeepsUnsavedTexts() {
        const QString state = path("state");
        qputenv("XDG_STATE_HOME", state.toUtf8());
        configured();
        const QByteArray japanese = sjis("START\r\n@ 日本語のマクロ\r\nEND\r\n");
        writeFile(path("jp.ovm"), japanese);
        auto f = frame();
        QVERIFY(f->startUp());
        MacroEditor* fresh = f->editors().open(EDITOR_NEW);
        fresh->edit()->insertPlainText("START\nEND");
        MacroEditor* jp = f->editors().openPath(path("jp.ovm"));
        jp->edit()->moveCursor(QTextCursor::End);
        jp->edit()->insertPlainText(u8q("@ 追加"));
        f->recovery().writeChanged();
        const QDir dir(f->recovery().folder());
        QStringList files = dir.entryList(QDir::Files);
        QCOMPARE(files.size(), 2);
        for (const QString& name : files) {
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(dir.filePath(name)).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, 0600u);
        }
        QVERIFY(jp->save(false));
        QCOMPARE(dir.entryList(QDir::Files).size(), 1);  // saved: its file went
        // The program "crashed": its last file stays, under a process that is not orvane.
        const QString left = dir.filePath(dir.entryList(QDir::Files).value(0));
        QVERIFY(QFile::copy(left, dir.filePath("1-1.ovr")));
        const std::string freshText = fresh->textBytes();
        fresh->setModified(false);
        f.reset();  // a clean exit removes its own files
        QCOMPARE(dir.entryList(QDir::Files), QStringList{"1-1.ovr"});

        answer_ = QMessageBox::Yes;
        auto g = frame();
        QVERIFY(g->startUp());
        QVERIFY(messages_.contains(
            u8q("前回終了時に保存されていない編集内容があります。復元しますか？")));
        MacroEditor* back = g->editors().active();
        QVERIFY(back && back->modified());
        QVERIFY(back->neverSaved());
        QCOMPARE(back->textBytes(), freshText);
        QCOMPARE(dir.entryList(QDir::Files).size(), 1);  // now this program's

        // A file where the folder should be: nothing can be written there (even by root).
        QVERIFY(QDir(dir.path()).removeRecursively());
        writeFile(dir.path(), "not a folder");
        const qsizetype said = messages_.size();
        back->edit()->insertPlainText("x");
        g->recovery().writeChanged();
        back->edit()->insertPlainText("y");
        g->recovery().writeChanged();
        QCOMPARE(messages_.size(), said + 1);  // said once
        QVERIFY(messages_.last().contains(u8q("回復用")));
        back->setModified(false);
        qunsetenv("XDG_STATE_HOME");
    }

    // Enter typed while a macro runs does not press the stop button; the find text stays.
    void runningDialogAndFindKeepOutOfTheWay() {
        std::unique_ptr<MainFrame> f;
        MacroEditor* e = nullptr;
        startLongRun(f, e);
        if (QTest::currentTestFailed()) return;
        RunningDialog* d = f->runs().runningDialog();
        QTest::keyClick(d, Qt::Key_Return);
        QTest::keyClick(d, Qt::Key_Space);
        QVERIFY(d->stopButton()->isEnabled());
        QVERIFY(!d->stopButton()->hasFocus());
        d->stopButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(f->runs().runningDialog() == nullptr, 2000);
        f->command(ID_FIND);
        f->findChild<FindDialog*>()->what()->setText(u8q("待つ"));
        f->findChild<FindDialog*>()->close();
        f->command(ID_REPLACE);
        QCOMPARE(f->findChild<FindDialog*>()->what()->text(), u8q("待つ"));
    }

    // "並べて表示" lays the minimised children out from the bottom left, wrapping upwards;
    // the other children stay where they are.
    void arrangeIcons() {
        configured();
        auto f = frame();
        QVERIFY(f->startUp());
        MacroEditor* normal = f->editors().open(0);
        QList<MacroEditor*> icons{f->editors().open(0)};
        icons[0]->showMinimized();
        const QSize icon = icons[0]->size();
        const QWidget* client = f->mdi()->viewport();
        const int perRow = std::max(1, client->width() / icon.width());
        while (icons.size() <= perRow) {
            icons << f->editors().open(0);
            icons.last()->showMinimized();
        }
        for (MacroEditor* e : icons) e->move(40, 40);
        const QRect kept = normal->geometry();
        f->command(ID_ARRANGE);
        for (int i = 0; i <= perRow; ++i)
            QCOMPARE(icons[i]->pos(), QPoint(i % perRow * icon.width(),
                                             client->height() - (1 + i / perRow) * icon.height()));
        QCOMPARE(normal->geometry(), kept);
    }

    // The windows need no frame: they ask for what they need with signals and a run-state
    // query.
    void windowsSpeakThroughSignals() {
        QWidget owner;
        RunningDialog run(&owner, "m.ovm", false);
        // Wide enough for its title beside a title bar's buttons.
        QVERIFY(run.width() >= QFontMetrics(run.font()).horizontalAdvance(run.windowTitle()) + 100);
        QSignalSpy stop(&run, &RunningDialog::stopRequested);
        run.stopButton()->click();
        run.stop();  // a second request (the hook's run abort) asks nothing more
        QCOMPARE(stop.count(), 1);

        Tables tables;
        std::string log;
        QVERIFY(!compileText(tables, "START\r\nWAIT x\r\nEND\r\n", &log, "m.ovm"));
        writeFile(path("comp.his"), QByteArray::fromStdString(log));
        std::unique_ptr<CheckResultWindow> check(CheckResultWindow::create(&owner));
        QVERIFY(check);
        QSignalSpy go(check.get(), &CheckResultWindow::gotoLineRequested);
        check->edit()->setTextCursor(QTextCursor(check->edit()->document()->findBlockByNumber(1)));
        check->jumpToError();
        QCOMPARE(go.value(0), (QVariantList{QStringLiteral("m.ovm"), 2}));

        struct Runs : EditorRunQuery {
            Use use = Use::Running;
            Use runUse(const MacroEditor*) const override { return use; }
        } runs;
        auto* e = new MacroEditor(&owner, runs, 1);
        QSignalSpy stopDebug(e, &MacroEditor::stopDebugRequested);
        QVERIFY(!e->close());
        QVERIFY(messages_.last().startsWith(u8q("マクロ実行中は閉じることはできません。")));
        runs.use = EditorRunQuery::Use::Stepping;
        QVERIFY(e->close());
        QCOMPARE(stopDebug.count(), 1);
    }
};

ORV_APP_TEST(AppTest);
#include "app_test.moc"
