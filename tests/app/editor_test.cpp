// The macro editor's language support (colours, gutter, error marks, line numbers), the help
// window and the start-up decisions, offscreen.
#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTranslator>
#include <QTreeWidget>

#include "app/codec.h"
#include "app/editor/editor_settings.h"
#include "app/editor/error_marks.h"
#include "app/editor/line_gutter.h"
#include "app/editor/macro_editor.h"
#include "app/editor/macro_syntax.h"
#include "app/frame/editor_controller.h"
#include "app/frame/main_frame.h"
#include "app/help/help_window.h"
#include "app/message.h"
#include "app/settings.h"
#include "app/startup.h"
#include "platform/clock.h"
#include "platform/virtual/virtual_desktop.h"
#include "tests/app/app_tests.h"

using namespace orv;
using namespace orv::app;

namespace {

using K = SyntaxKind;
struct Part {
    const char* text;
    SyntaxKind kind;
};

// The spans of `parts`, each found in `line` after the one before.
std::vector<SyntaxSpan> spansOf(const QString& line, std::initializer_list<Part> parts) {
    std::vector<SyntaxSpan> out;
    qsizetype from = 0;
    for (const Part& p : parts) {
        const QString t = u8q(p.text);
        const qsizetype at = line.indexOf(t, from);
        out.push_back({static_cast<int>(at), static_cast<int>(t.size()), p.kind});
        from = at + t.size();
    }
    return out;
}

struct NoRuns : EditorRunQuery {
    Use runUse(const MacroEditor*) const override { return Use::None; }
};

const char* const kErrorLog =
    "Compile-Start /w/my macro.ovm 11:50:06 \r\n"
    "*2 Line Error(034) KEY 構文エラー(パラメタが多すぎます)\r\n"
    "*2 Line Error(002) 同一行に２つの命令語は記述できません\r\n"
    "*4 Line Error(027) wait 存在しない命令です\r\n"
    "Compile-End /w/my macro.ovm - Error 3 -";

}  // namespace

class EditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QStringList messages_;
    NoRuns runs_;

    // An editor with `text` shown in an MDI area of 500 x 400.
    MacroEditor* editorIn(QMdiArea& area, const char* text) {
        auto* e = new MacroEditor(&area, runs_, 1);
        area.addSubWindow(e);
        area.resize(500, 400);
        area.show();
        e->setGeometry(0, 0, 480, 380);
        e->show();
        e->edit()->setPlainText(u8q(text));
        return e;
    }
    void writeLog(const QString& path, const QByteArray& utf8) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromStdString(toCp932(QString::fromUtf8(utf8))));
    }
    // The y of the middle of a 0-based line in the edit's viewport.
    static int lineY(MacroEdit* edit, int block) {
        for (const auto& l : edit->visibleLines())
            if (l.block == block) return l.top + l.height / 2;
        return -1;
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QDir::setCurrent(dir_->path());
        messages_.clear();
        setMessageHook(
            [this](MsgKind, const QString&, const QString& text, QMessageBox::StandardButtons) {
                messages_ << text;
                return QMessageBox::Ok;
            });
    }
    void cleanup() { setMessageHook({}); }

    void syntaxSpansOfLines() {
        const struct {
            const char* line;
            std::initializer_list<Part> parts;
        } rows[] = {
            {"START", {{"START", K::Keyword}}},
            {"  @ コメント", {{"@ コメント", K::Comment}}},
            {"END @ done", {{"END", K::Keyword}, {"@ done", K::Comment}}},
            {"lab: @ c", {{"lab:", K::Label}, {"@ c", K::Comment}}},
            {"ENDIF x @c", {{"ENDIF", K::Keyword}, {"@c", K::Comment}}},
            {"MMOVE 100,+20 @ x", {{"MMOVE", K::Keyword}, {"100", K::Number}, {"20", K::Number}}},
            {"KEY CTRL,c", {{"KEY", K::Keyword}, {"CTRL", K::OperandWord}, {"c", K::OperandWord}}},
            {"KEY 'AB',ENTER", {{"KEY", K::Keyword}, {"'AB'", K::Text}, {"ENTER", K::OperandWord}}},
            {"KEY 1", {{"KEY", K::Keyword}, {"1", K::OperandWord}}},
            {"$name = #GREETING", {{"$name", K::Variable}, {"#GREETING", K::Constant}}},
            {"%n=STRSCH $s,\"x\",1",
             {{"%n", K::Variable},
              {"STRSCH", K::Function},
              {"$s", K::Variable},
              {"\"x\"", K::Text},
              {"1", K::Number}}},
            {"IF (%a > 1) AND (&1 <> EOF)",
             {{"IF", K::Keyword},
              {"%a", K::Variable},
              {"1", K::Number},
              {"AND", K::OperandWord},
              {"&1", K::FileNumber},
              {"EOF", K::OperandWord}}},
            {"SET $v AS 2 FROM &1",
             {{"SET", K::Keyword},
              {"$v", K::Variable},
              {"AS", K::OperandWord},
              {"2", K::Number},
              {"FROM", K::OperandWord},
              {"&1", K::FileNumber}}},
            {"WMOVE 'x' 0,NOW",
             {{"WMOVE", K::Keyword}, {"'x'", K::Text}, {"0", K::Number}, {"NOW", K::OperandWord}}},
            {"$t = GETTIME +01:30 $b",
             {{"$t", K::Variable},
              {"GETTIME", K::Function},
              {"01", K::Number},
              {"30", K::Number},
              {"$b", K::Variable}}},
            {"DEFINE #T 'open", {{"DEFINE", K::Keyword}, {"#T", K::Constant}, {"'open", K::Text}}},
            {"wait 1", {}},     // statement words are upper case
            {"START\t@c", {}},  // a TAB does not end the first word
            {"   ", {}},
        };
        for (const auto& r : rows) {
            const QString line = u8q(r.line);
            QCOMPARE(macroSyntaxSpans(line), spansOf(line, r.parts));
        }
    }

    void errorMarksFromTheLog() {
        const QString errors = u8q(kErrorLog);
        const ErrorMarks expected = {{2,
                                      {u8q("KEY 構文エラー(パラメタが多すぎます)"),
                                       u8q("同一行に２つの命令語は記述できません")}},
                                     {4, {u8q("wait 存在しない命令です")}}};
        const struct {
            QString log, title;
            std::optional<ErrorMarks> marks;
        } rows[] = {
            {errors, "/w/my macro.ovm", expected},
            {errors, "/w/other.ovm", std::nullopt},
            {"Compile-Start /w/a.ovm 12:00:00 \nCompile-End /w/a.ovm - Error 0 -", "/w/a.ovm",
             ErrorMarks{}},
            {"", "/w/a.ovm", std::nullopt},
        };
        for (const auto& r : rows) QCOMPARE(errorMarksFor(r.log, r.title), r.marks);
    }

    void marksInTheGutter() {
        QMdiArea area;
        MacroEditor* e = editorIn(area, "START\nKEY A,B,C,D\nWAIT 1\nwait 1\nEND\n");
        MacroEdit* edit = e->edit();
        const QString log = dir_->filePath("comp.his");
        writeLog(log, QByteArray(kErrorLog).replace("/w/my macro.ovm", "1 New Macro"));
        markCompileErrors(*e, log);
        QCOMPARE(e->errorMarks().size(), std::size_t(2));
        e->setBreakpointLines({3});
        e->setRunningLine(0);
        QCOMPARE(edit->runningLine(), 0);
        QCOMPARE(edit->breakpointLines(), QSet<int>{3});

        // What the gutter paints: the error row tinted, the breakpoint a red dot.
        QImage shot = edit->gutter()->grab().toImage();
        const int w = edit->gutter()->width();
        QCOMPARE(shot.pixelColor(w - 4, lineY(edit, 1)), QColor(0xff, 0xd6, 0xd6));
        QVERIFY(shot.pixelColor(8, lineY(edit, 2)).red() > 180);
        QVERIFY(shot.pixelColor(8, lineY(edit, 2)).green() < 100);

        QSignalSpy clicks(e, &MacroEditor::gutterClicked);
        QTest::mouseClick(edit->gutter(), Qt::LeftButton, {}, QPoint(5, lineY(edit, 2)));
        QCOMPARE(clicks.value(0).value(0).toInt(), 3);

        // Editing a line takes its marks away; a line break above moves the others.
        QTextCursor c(edit->document()->findBlockByNumber(1));
        c.insertText("X");
        QCOMPARE(e->errorMarks().size(), std::size_t(1));
        QTextCursor(edit->document()->begin()).insertText("\n");
        QCOMPARE(e->errorMarks().begin()->first, 5);
        // A passing check of this file takes all marks away; another file's log none.
        writeLog(log, "Compile-Start x.ovm 12:00:00 \r\nCompile-End x.ovm - Error 0 -");
        markCompileErrors(*e, log);
        QCOMPARE(e->errorMarks().size(), std::size_t(1));
        writeLog(log, "Compile-Start 1 New Macro 12:00:00 \r\nCompile-End 1 New Macro - Error 0 -");
        markCompileErrors(*e, log);
        QVERIFY(e->errorMarks().empty());
    }

    void lineNumbersFollowTheViewMenu() {
        VirtualDesktop desktop;
        SystemClock clock;
        StartOptions o;
        o.startDir = dir_->path().toStdString();
        for (const char* linenum : {"LINENUM=0\r\n", ""}) {
            QFile ini(dir_->filePath("Orvane.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write(QByteArray("[SYSTEM]\r\nDMEX1ST=1\r\nCOMTIME=1\r\n") + linenum);
            ini.close();
            MainFrame f(o, desktop, clock);
            QVERIFY(f.startUp());
            auto* item = f.findChild<QAction*>("lineNumbers");
            QVERIFY(item && item->isCheckable());
            const bool on = *linenum == 0;  // a missing key means on
            QCOMPARE(item->isChecked(), on);
            MacroEditor* first = f.editors().open(EDITOR_NEW);
            QCOMPARE(first->edit()->lineNumbersVisible(), on);
            item->toggle();
            QCOMPARE(first->edit()->lineNumbersVisible(), !on);
            QCOMPARE(f.editors().open(EDITOR_NEW)->edit()->lineNumbersVisible(), !on);
            QCOMPARE(loadLineNumbers(f.core().ini), !on);
        }
        EditorSettings::instance().setLineNumbers(true);
    }

    void helpFindsAStatement() {
        QCOMPARE(helpDir(), QStringLiteral(":/help"));  // built into the program
        QTemporaryDir own;
        QFile index(own.filePath("index.html"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.close();
        QCOMPARE(helpDir(own.path(), "/nowhere"), own.path());
        QCOMPARE(helpDir("/nowhere", "/nowhere"), QStringLiteral(":/help"));

        HelpWindow w(nullptr, helpDir());
        QCOMPARE(w.contents()->topLevelItemCount(), static_cast<int>(w.manual().pages().size()));
        QVERIFY(w.manual().pages().size() > 5);
        const struct {
            const char* words;
            const char* page;
            const char* heading;
        } rows[] = {
            {"mmove", "statements.html", "MMOVE"},
            {"GETTIME", "statements.html", "GETTIME"},
            {"ブレイクポイント", "debug.html", "ブレイクポイント"},
        };
        for (const auto& r : rows) {
            w.searchField()->setText(u8q(r.words));
            QVERIFY(w.hits()->count() > 0);
            QVERIFY(w.hits()->item(0)->text().contains(u8q(r.heading)));
            w.hits()->setCurrentRow(-1);
            w.hits()->setCurrentRow(0);
            QVERIFY(w.browser()->source().toString().endsWith(u8q(r.page)));
            QVERIFY(w.browser()->textCursor().block().text().startsWith(u8q(r.heading)));
        }
        w.searchField()->setText(u8q("zzqqxx"));
        QCOMPARE(w.hits()->count(), 0);

        showAbout(nullptr);
        QVERIFY(messages_.value(0).contains(QStringLiteral("Orvane")));
        QVERIFY(messages_.value(0).contains(QStringLiteral(ORV_VERSION)));
    }

    void qtSpeaksJapanese() {
        QTranslator* t = loadQtTranslations(*QCoreApplication::instance());
        QVERIFY(t);
        QMessageBox box(QMessageBox::Question, "Orvane", "?", QMessageBox::Yes | QMessageBox::No);
        QVERIFY(box.button(QMessageBox::Yes)->text().contains(u8q("はい")));
        QVERIFY(box.button(QMessageBox::No)->text().contains(u8q("いいえ")));
        QCoreApplication::removeTranslator(t);
        delete t;
    }

    void displayDecision() {
        const struct {
            const char *qpa, *display, *wayland;
            DisplayKind kind;
            const char* says;  // part of the message; empty: none
        } rows[] = {
            {"", ":0", "", DisplayKind::X11, ""},
            {"", ":0", "wayland-0", DisplayKind::Wayland, "X11 で動作しているプログラム"},
            {"", "", "wayland-0", DisplayKind::None, "対応していないOSです"},
            {"", "", "", DisplayKind::None, "対応していないOSです"},
            {"offscreen", "", "", DisplayKind::Offscreen, ""},
            {"offscreen", ":0", "wayland-0", DisplayKind::Offscreen, ""},
        };
        for (const auto& r : rows) {
            const DisplayKind k = displayKind(r.qpa, r.display, r.wayland);
            QCOMPARE(k, r.kind);
            const QString says = displayMessage(k);
            QCOMPARE(says.isEmpty(), !*r.says);
            QVERIFY(says.contains(u8q(r.says)));
        }
    }
};

ORV_APP_TEST(EditorTest);
#include "editor_test.moc"
