#include "app/editor/macro_editor.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextBlock>

#include "app/codec.h"
#include "app/editor/editor_settings.h"
#include "app/editor/macro_file.h"
#include "app/message.h"

namespace orv::app {

namespace {

// The record buffer's lines, each with one LF.
QString recordedText(const QString& buffer) {
    QStringList lines = buffer.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    QString out;
    for (const QString& l : lines) out += l + "\n";
    return out;
}

const char* const kFilter = "ovm(*.ovm);;All files(*.*)";

}  // namespace

MacroEditor::MacroEditor(QWidget* dialogOwner, const EditorRunQuery& runs, int number)
    : QMdiSubWindow(nullptr), dialogOwner_(dialogOwner), runs_(runs), edit_(new MacroEdit(this)) {
    setObjectName("Orv_Macro");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString("%1 %2").arg(number).arg(QStringLiteral("New Macro")));
    edit_->setObjectName("edit");
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->setTabStopDistance(QFontMetricsF(edit_->font()).horizontalAdvance(' ') * 8);
    setWidget(edit_);
    EditorSettings& view = EditorSettings::instance();
    edit_->setLineNumbersVisible(view.lineNumbers());
    connect(&view, &EditorSettings::lineNumbersChanged, edit_, &MacroEdit::setLineNumbersVisible);
    connect(edit_, &MacroEdit::gutterClicked, this, &MacroEditor::gutterClicked);
}

bool MacroEditor::start(const EditorStart& start) {
    const bool ok = fill(start);
    edit_->document()->setModified(false);
    return ok;
}

void MacroEditor::setLockedWhileRunning(bool on) {
    edit_->setReadOnly(on);
    if (on)
        edit_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

bool MacroEditor::fill(const EditorStart& start) {
    switch (start.mode) {
        case EDITOR_OPEN: {
            QString path = chooseFile(dialogOwner_, false, u8q("ファイルオープン！"),
                                      QDir::currentPath() + "/*.ovm", u8q(kFilter));
            return !path.isEmpty() && loadFile(path);
        }
        case EDITOR_AUTORUN:
        case EDITOR_PATH:
            return loadFile(start.source);
        case EDITOR_RECORDED:
            edit_->setPlainText(recordedText(start.source));
            return true;
        default:
            return true;
    }
}

std::string MacroEditor::textBytes(bool* lossy) const {
    QString t = edit_->toPlainText();
    if (crlf_) t.replace('\n', QStringLiteral("\r\n"));
    return toCp932(t, lossy);
}

bool MacroEditor::refuseUnencodable() {
    const Unencodable u = firstUnencodable(edit_->toPlainText());
    if (u.character.isEmpty()) return false;
    const QString code = QString::number(u.character.toUcs4().value(0), 16).toUpper();
    showMessage(MsgKind::Critical, dialogOwner_, QStringLiteral("Error"),
                u8q("%1行目の文字「%2」(U+%3) はマクロファイル (CP932) に保存できません。\n"
                    "この文字を削除するか置き換えてから保存してください。")
                    .arg(u.line)
                    .arg(u.character)
                    .arg(code, 4, QChar('0')));
    return true;
}

void MacroEditor::setTextBytes(const std::string& bytes) {
    edit_->setPlainText(editorTextFromBytes(bytes, crlf_));
}

bool MacroEditor::modified() const {
    return edit_->document()->isModified();
}
void MacroEditor::setModified(bool m) {
    edit_->document()->setModified(m);
}
bool MacroEditor::neverSaved() const {
    return windowTitle().contains(QStringLiteral("New Macro"));
}

bool MacroEditor::loadFile(const QString& path) {
    std::string bytes;
    if (!readMacroBytes(path, bytes)) {
        showMessage(MsgKind::Warning, dialogOwner_, QStringLiteral("Too Big File!"),
                    u8q("ファイルサイズが大きすぎます"));
        return false;
    }
    setTextBytes(bytes);
    setWindowTitle(QFileInfo(path).absoluteFilePath());
    edit_->document()->setModified(false);
    emit fileUsed(windowTitle());
    return true;
}

bool MacroEditor::save(bool asNew) {
    // A character without a CP932 form would be written as '?': nothing is saved instead.
    bool lossy = false;
    std::string bytes = textBytes(&lossy);
    if (lossy && refuseUnencodable()) return false;
    if (bytes.size() > kMaxMacroText) {
        showMessage(MsgKind::Warning, dialogOwner_, QStringLiteral("Too Big File!"),
                    u8q("マクロが65535バイトを超えているため保存できません。"));
        return false;
    }
    QString target = windowTitle();
    if (neverSaved()) {
        target = QDir::currentPath() + QStringLiteral("/New Macro.ovm");
        asNew = true;
    }
    if (asNew) {
        QString chosen =
            chooseFile(dialogOwner_, true, u8q("名前を付けて保存する"), target, u8q(kFilter));
        if (chosen.isEmpty()) return false;
        if (QFileInfo(chosen).suffix().isEmpty()) chosen += QStringLiteral(".ovm");
        target = chosen;
    }
    QString why;
    if (!writeMacroBytes(target, bytes, &why)) {
        showMessage(MsgKind::Critical, dialogOwner_, QStringLiteral("Error"),
                    u8q("ファイルに書き込めませんでした。\n") + target + "\n" + why);
        return false;
    }
    setWindowTitle(QFileInfo(target).absoluteFilePath());
    edit_->document()->setModified(false);
    emit fileUsed(windowTitle());
    return true;
}

void MacroEditor::showLine(int line0) {
    QTextBlock b = edit_->document()->findBlockByNumber(line0 < 0 ? 0 : line0);
    if (!b.isValid()) return;
    QTextCursor c(b);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    if (b.next().isValid()) c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    edit_->setTextCursor(c);
    edit_->ensureCursorVisible();
}

void MacroEditor::caretToEnd() {
    QTextCursor c = edit_->textCursor();
    c.movePosition(QTextCursor::End);
    edit_->setTextCursor(c);
}

void MacroEditor::closeEvent(QCloseEvent* e) {
    if (mayCloseDuringRun() && mayCloseModified())
        e->accept();
    else
        e->ignore();
}

bool MacroEditor::mayCloseDuringRun() {
    switch (runs_.runUse(this)) {
        case EditorRunQuery::Use::Running:
            // Closing the editor of a running macro is refused: the worker reads it.
            showMessage(MsgKind::Warning, this, u8q("エラー"),
                        u8q("マクロ実行中は閉じることはできません。\r\nいったん中断ボタンを押して"
                            "マクロ実行を停止してから閉じてください。"));
            return false;
        case EditorRunQuery::Use::Stepping:
            if (showMessage(MsgKind::Question, this, QStringLiteral("Orvane"),
                            u8q("この操作を実行するとデバッガは停止します。\r\n続行しますか？"),
                            QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
                return false;
            emit stopDebugRequested();
            return true;
        case EditorRunQuery::Use::None:
            return true;
    }
    return true;
}

bool MacroEditor::mayCloseModified() {
    if (!modified()) return true;
    auto r = showMessage(MsgKind::Question, this, QStringLiteral("Orvane"),
                         u8q("変更されています。保存しますか？"),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (r == QMessageBox::Cancel) return false;
    // Yes: a cancelled or failed save keeps the window open, so nothing is lost.
    if (r == QMessageBox::Yes) return save(true);
    setModified(false);
    return true;
}

}  // namespace orv::app
