#include "app/dialogs/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/codec.h"
#include "app/message.h"

namespace orv::app {

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

FindDialog::FindDialog(QWidget* owner, QPlainTextEdit* target, bool withReplace)
    : QDialog(owner), target_(target) {
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
    if (withReplace) addReplaceRow(grid);
    int row = withReplace ? 3 : 1;
    grid->addWidget(case_, row, 1);
    grid->addWidget(close, row, 2);
    connect(next, &QPushButton::clicked, this, [this] { findNext(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    if (target) connect(target, &QObject::destroyed, this, &QObject::deleteLater);
}

void FindDialog::addReplaceRow(QGridLayout* grid) {
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
}

bool FindDialog::findNext() {
    QPlainTextEdit* edit = target_;
    if (!edit) return false;
    for (;;) {
        int s = edit->textCursor().selectionStart();
        int start = (s == lastFound_ && lastFound_ != 0) ? lastFound_ + 1 : s;
        lastFound_ = start;
        int p = findInText(edit->toPlainText(), what_->text(), start, case_->isChecked());
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
    QPlainTextEdit* edit = target_;
    // A locked editor (a macro runs) takes no replacement.
    if (!edit || !with_ || edit->isReadOnly()) return;
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
    QPlainTextEdit* edit = target_;
    if (!edit || !with_ || edit->isReadOnly() || what_->text().isEmpty()) return 0;
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
