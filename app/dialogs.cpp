#include "app/dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/codec.h"
#include "app/macro_editor.h"
#include "app/main_frame.h"
#include "app/message.h"
#include "app/settings.h"
#include "platform/profile.h"

namespace orv::app {

// ---- running dialog (117) ----

RunningDialog::RunningDialog(MainFrame* frame, const QString& macroName, bool noOwner)
    : QDialog(noOwner ? nullptr : frame), frame_(frame), name_(macroName) {
    setObjectName("117");
    setWindowTitle(u8q("マクロ実行中"));
    setModal(false);
    auto* name = new QLabel(macroName, this);
    name->setObjectName("1001");
    state_ = new QLabel(u8q("･･･*実行中です*･･･"), this);
    state_->setObjectName("1002");
    stop_ = new QPushButton(u8q("中断(Esc)"), this);
    stop_->setObjectName("1");
    stop_->setDefault(true);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(name);
    lay->addWidget(state_);
    lay->addWidget(stop_, 0, Qt::AlignHCenter);
    connect(stop_, &QPushButton::clicked, this, &RunningDialog::stop);
    adjustSize();
    if (noOwner) {
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (QScreen* sc = QGuiApplication::primaryScreen()) {
            QRect r = sc->geometry();
            move(r.right() + 1 - width(), r.bottom() + 1 - 50 - height());
        }
    } else {
        QRect f = frame->geometry();
        move(f.center() - QPoint(width() / 2, height() / 2));
    }
}

void RunningDialog::stop() {
    if (!stop_->isEnabled()) return;
    stop_->setEnabled(false);
    state_->setText(u8q("･･･*中断しています*･･･"));
    frame_->stopButton();
}

void RunningDialog::reject() {
    // Only the stop button (id 1) acts; Esc and the close box are not a stop request here,
    // so the macro's own KEY ESC landing on this dialog leaves the run going.
}

// ---- settings dialog (118) ----

SettingsDialog::SettingsDialog(QWidget* owner, Settings& settings, ProfileFile& ini)
    : QDialog(owner), s_(settings), ini_(ini) {
    setObjectName("118");
    setWindowTitle(u8q("システム設定"));
    QFont f(u8q("ＭＳ Ｐゴシック"));
    f.setPointSize(9);
    setFont(f);

    interval_ = new QLineEdit(QString::number(s_.comTime), this);
    interval_->setObjectName("1003");
    interval_->setAlignment(Qt::AlignRight);
    interval_->setValidator(new QIntValidator(0, 999999999, interval_));
    interval_->setMaxLength(20);
    endMsg_ = new QCheckBox(u8q("マクロ終了時にメッセージを出して知らせる"), this);
    endMsg_->setObjectName("1014");
    endMsg_->setChecked(s_.srcEndM == 1);
    minimise_ = new QCheckBox(u8q("マクロ実行時最小化する"), this);
    minimise_->setObjectName("1015");
    minimise_->setChecked(s_.eMinWin == 1);
    ignoreErrors_ = new QCheckBox(u8q("実行時のエラーを無視して処理を続行する"), this);
    ignoreErrors_->setObjectName("1057");
    ignoreErrors_->setChecked(s_.sExeErr == 1);
    auto* group = new QGroupBox(u8q("起動時の設定"), this);
    autoExe_ = new QCheckBox(u8q("起動時に以下のﾏｸﾛを自動実行する"), group);
    autoExe_->setObjectName("1058");
    autoExe_->setChecked(s_.autoExe == 1);
    path_ = new QLineEdit(fromCp932(s_.exeMacro), group);
    path_->setObjectName("1004");
    auto* browse = new QPushButton(QStringLiteral("...."), group);
    browse->setObjectName("1005");
    autoFin_ = new QCheckBox(u8q("自動実行終了時にOrvaneを終了する"), group);
    autoFin_->setObjectName("1059");
    autoFin_->setChecked(s_.autoFin == 1);
    auto* note = new QLabel(
        u8q("(*注)外部ﾊﾟﾗﾒﾀでﾏｸﾛﾌｧｲﾙが指定された場合は、ここの設定内容は無視されます"), group);
    note->setWordWrap(true);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(u8q("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName("2");

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(u8q("コマンド間隔"), this));
    top->addWidget(interval_);
    top->addWidget(new QLabel(u8q("ﾐﾘ秒で指定"), this));
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_);
    pathRow->addWidget(browse);
    auto* g = new QVBoxLayout(group);
    g->addWidget(autoExe_);
    g->addLayout(pathRow);
    g->addWidget(autoFin_);
    g->addWidget(note);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(endMsg_);
    lay->addWidget(minimise_);
    lay->addWidget(ignoreErrors_);
    lay->addWidget(group);
    lay->addLayout(buttons);

    pendingPath_ = s_.exeMacro;
    pendingInterval_ = s_.comTime;
    pendingAutoExe_ = s_.autoExe;
    pendingAutoFin_ = s_.autoFin;
    if (s_.autoExe == 0) {
        path_->setEnabled(false);
        autoFin_->setEnabled(false);
    }

    connect(interval_, &QLineEdit::textChanged, this,
            [this](const QString& t) { pendingInterval_ = t.isEmpty() ? 0 : t.left(20).toInt(); });
    connect(path_, &QLineEdit::textChanged, this, [this](const QString& t) {
        pendingPath_ = toCp932(t);
        if (pendingPath_.size() > 1023) pendingPath_.resize(1023);
    });
    connect(autoExe_, &QCheckBox::clicked, this, &SettingsDialog::autoExeClicked);
    connect(autoFin_, &QCheckBox::clicked, this, [this](bool on) { pendingAutoFin_ = on ? 1 : 0; });
    connect(browse, &QPushButton::clicked, this, &SettingsDialog::choose);
    connect(ok, &QPushButton::clicked, this, &SettingsDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QCheckBox* SettingsDialog::box(int id) const {
    switch (id) {
        case 1014:
            return endMsg_;
        case 1015:
            return minimise_;
        case 1057:
            return ignoreErrors_;
        case 1058:
            return autoExe_;
        case 1059:
            return autoFin_;
        default:
            return nullptr;
    }
}

void SettingsDialog::autoExeClicked(bool on) {
    path_->setEnabled(on);
    autoFin_->setEnabled(on);
    pendingAutoExe_ = on ? 1 : 0;
}

void SettingsDialog::choose() {
    QString p =
        chooseFile(this, false, u8q("ファイル選択"), QDir::currentPath() + QStringLiteral("/*.ovm"),
                   u8q("ovm(*.ovm);;All files(*.*)"));
    if (!p.isEmpty()) path_->setText(p);
}

void SettingsDialog::confirm() {
    auto say = [this](const char* text) {
        showMessage(MsgKind::Info, this, QStringLiteral("Orvane"), u8q(text));
    };
    if (pendingInterval_ == 0) {
        say("1以上を指定してください");
        interval_->setFocus();
        return;
    }
    s_.comTime = pendingInterval_;
    ini_.writeInt(kSystem, "COMTIME", s_.comTime);
    if (pendingAutoExe_ == 1) {
        if (pendingPath_.empty()) {
            say("自動実行マクロファイルが指定されていません");
            path_->setFocus();
            return;
        }
        if (!QFileInfo::exists(fromCp932(pendingPath_))) {
            say("指定されたマクロファイルが存在しません。");
            path_->setFocus();
            return;
        }
    }
    s_.exeMacro = pendingPath_;
    ini_.writeText(kSystem, "EXEMCRO", s_.exeMacro);
    s_.autoExe = pendingAutoExe_;
    ini_.writeInt(kSystem, "AUTOEXE", s_.autoExe);
    s_.autoFin = pendingAutoFin_;
    ini_.writeInt(kSystem, "AUTOFIN", s_.autoFin);
    s_.srcEndM = endMsg_->isChecked() ? 1 : 0;
    ini_.writeInt(kSystem, "SRCENDM", s_.srcEndM);
    s_.sExeErr = ignoreErrors_->isChecked() ? 1 : 0;
    ini_.writeInt(kSystem, "SEXEERR", s_.sExeErr);
    s_.eMinWin = minimise_->isChecked() ? 1 : 0;
    ini_.writeInt(kSystem, "EMINWIN", s_.eMinWin);
    accept();
}

// ---- find and replace ----

int findInText(const QString& text, const QString& what, int from, bool matchCase) {
    if (what.isEmpty() || from < 0) return -1;
    auto fold = [](QString s) {
        for (QChar& c : s)
            if (c >= 'a' && c <= 'z') c = QChar(c.unicode() - 32);
        return s;
    };
    if (matchCase) return static_cast<int>(text.indexOf(what, from));
    return static_cast<int>(fold(text).indexOf(fold(what), from));
}

FindDialog::FindDialog(MainFrame* frame, QWidget* target, bool withReplace)
    : QDialog(frame), frame_(frame), target_(target) {
    setObjectName(withReplace ? "replace" : "find");
    setWindowTitle(withReplace ? u8q("置換") : u8q("検索"));
    setModal(false);
    what_ = new QLineEdit(this);
    what_->setObjectName("what");
    what_->setMaxLength(255);
    case_ = new QCheckBox(u8q("大文字と小文字を区別する"), this);
    case_->setObjectName("matchcase");
    auto* next = new QPushButton(u8q("次を検索"), this);
    next->setDefault(true);
    auto* close = new QPushButton(u8q("閉じる"), this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(u8q("検索する文字列:"), this), 0, 0);
    grid->addWidget(what_, 0, 1);
    grid->addWidget(next, 0, 2);
    int row = 1;
    if (withReplace) {
        with_ = new QLineEdit(this);
        with_->setObjectName("with");
        auto* one = new QPushButton(u8q("置換して次に"), this);
        auto* all = new QPushButton(u8q("すべて置換"), this);
        grid->addWidget(new QLabel(u8q("置換後の文字列:"), this), 1, 0);
        grid->addWidget(with_, 1, 1);
        grid->addWidget(one, 1, 2);
        grid->addWidget(all, 2, 2);
        connect(one, &QPushButton::clicked, this, &FindDialog::replaceOne);
        connect(all, &QPushButton::clicked, this, [this] { replaceAll(); });
        row = 3;
    }
    grid->addWidget(case_, row, 1);
    grid->addWidget(close, row, 2);
    connect(next, &QPushButton::clicked, this, [this] { findNext(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

static QPlainTextEdit* editOf(QWidget* target) {
    auto* e = qobject_cast<MacroEditor*>(target);
    return e ? e->edit() : nullptr;
}

bool FindDialog::findNext() {
    QPlainTextEdit* edit = editOf(target_);
    if (!edit) return false;
    for (;;) {
        int s = edit->textCursor().selectionStart();
        int start = (s == lastFound_ && lastFound_ != 0) ? lastFound_ + 1 : s;
        lastFound_ = start;
        QString text = edit->toPlainText();
        int p = findInText(text, what_->text(), start, case_->isChecked());
        if (p >= 0) {
            lastFound_ = p;
            QTextCursor c = edit->textCursor();
            c.setPosition(p);
            c.setPosition(p + static_cast<int>(what_->text().size()), QTextCursor::KeepAnchor);
            edit->setTextCursor(c);
            edit->ensureCursorVisible();
            return true;
        }
        auto r = showMessage(MsgKind::Question, this, QStringLiteral("Find"),
                             u8q("ファイルの最後まで検索しました。先頭から探しますか？"),
                             QMessageBox::Yes | QMessageBox::No);
        if (r != QMessageBox::Yes) return false;
        lastFound_ = 0;
        QTextCursor c = edit->textCursor();
        c.setPosition(0);
        edit->setTextCursor(c);
    }
}

void FindDialog::replaceOne() {
    QPlainTextEdit* edit = editOf(target_);
    if (!edit || !with_) return;
    QTextCursor c = edit->textCursor();
    QString sel = c.selectedText();
    if (!sel.isEmpty() && findInText(sel, what_->text(), 0, case_->isChecked()) == 0 &&
        sel.size() == what_->text().size()) {
        c.insertText(with_->text());
        edit->setTextCursor(c);
    }
    findNext();
}

int FindDialog::replaceAll() {
    QPlainTextEdit* edit = editOf(target_);
    if (!edit || !with_ || what_->text().isEmpty()) return 0;
    QString text = edit->toPlainText();
    int count = 0, pos = 0;
    QTextCursor c(edit->document());
    c.beginEditBlock();
    int shift = 0;
    while ((pos = findInText(text, what_->text(), pos, case_->isChecked())) >= 0) {
        c.setPosition(pos + shift);
        c.setPosition(pos + shift + static_cast<int>(what_->text().size()),
                      QTextCursor::KeepAnchor);
        c.insertText(with_->text());
        shift += static_cast<int>(with_->text().size() - what_->text().size());
        pos += static_cast<int>(what_->text().size());
        ++count;
    }
    c.endEditBlock();
    return count;
}

}  // namespace orv::app
