#include "app/macro_editor.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

#include "app/codec.h"
#include "app/ids.h"
#include "app/main_frame.h"
#include "app/message.h"
#include "executor/executor.h"
#include "platform/file_io.h"

namespace orv::app {

void MacroEdit::insertFromMimeData(const QMimeData* source) {
    if (!source || source->formats().isEmpty()) return;
    QPlainTextEdit::insertFromMimeData(source);
}

bool readMacroBytes(const QString& path, std::string& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    QByteArray data = f.read(static_cast<qint64>(MacroEditor::kMaxFile) + 1);
    if (data.size() > static_cast<qsizetype>(MacroEditor::kMaxFile)) return false;
    qsizetype z = data.indexOf('\0');
    if (z >= 0) data.truncate(z);
    bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
    return true;
}

bool writeMacroBytes(const QString& path, const std::string& bytes) {
    std::string withZero = bytes;
    withZero.push_back('\0');
    return writeFileAtomic(QFile::encodeName(path).toStdString(), withZero);
}

MacroEditor::MacroEditor(MainFrame* frame, int number, int mode, bool& ok)
    : QMdiSubWindow(nullptr), frame_(frame), edit_(new MacroEdit(this)), mode_(mode) {
    setObjectName("Orv_Macro");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString("%1 %2").arg(number).arg(QStringLiteral("New Macro")));
    edit_->setObjectName("edit");
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->setTabStopDistance(QFontMetricsF(edit_->font()).horizontalAdvance(' ') * 8);
    setWidget(edit_);
    ok = true;
    if (mode == 1) {
        QString path =
            chooseFile(frame, false, u8q("ファイルオープン！"), QDir::currentPath() + "/*.ovm",
                       u8q("ovm(*.ovm);;All files(*.*)"));
        if (path.isEmpty() || !loadFile(path)) ok = false;
    } else if (mode == 2) {
        if (!loadFile(QFile::decodeName(frame->autoRunPath().c_str()))) ok = false;
    } else if (mode == 3) {
        QString text = frame->recordBuffer()->toPlainText();
        QStringList lines = text.split('\n');
        if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
        QString out;
        for (const QString& l : lines) out += l + "\n";
        edit_->setPlainText(out);
    }
    edit_->document()->setModified(false);
}

MacroEditor::~MacroEditor() {
    if (frame_) frame_->editorDestroyed(this);
}

std::string MacroEditor::textBytes() const {
    QString t = edit_->toPlainText();
    if (crlf_) t.replace('\n', QStringLiteral("\r\n"));
    return toCp932(t);
}

QString editorTextFromBytes(const std::string& bytes, bool& crlf) {
    QString t = fromCp932(bytes);
    crlf = bytes.find("\r\n") != std::string::npos || bytes.find('\n') == std::string::npos;
    // Line ends other than the file's own convention are kept as visible escapes so that the
    // file's bytes come back unchanged on save.
    QString out;
    out.reserve(t.size());
    for (qsizetype i = 0; i < t.size(); ++i) {
        QChar c = t[i];
        if (c == '\r') {
            bool pair = i + 1 < t.size() && t[i + 1] == '\n';
            if (crlf && pair) {
                out += '\n';
                ++i;
            } else {
                out += QChar(char16_t(0xF70D));
            }
        } else if (c == '\n') {
            out += crlf ? QChar(char16_t(0xF70A)) : QChar('\n');
        } else {
            out += c;
        }
    }
    return out;
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
        showMessage(MsgKind::Warning, frame_, QStringLiteral("Too Big File!"),
                    u8q("ファイルサイズが大きすぎます"));
        return false;
    }
    setTextBytes(bytes);
    setWindowTitle(QFileInfo(path).absoluteFilePath());
    edit_->document()->setModified(false);
    return true;
}

bool MacroEditor::save(bool asNew) {
    std::string bytes = textBytes();
    if (bytes.size() > kMaxFile) {
        showMessage(MsgKind::Warning, frame_, QStringLiteral("Too Big File!"),
                    u8q("マクロが65535バイトを超えているため保存できません。"));
        return false;
    }
    QString target = windowTitle();
    if (neverSaved()) {
        target = QDir::currentPath() + QStringLiteral("/New Macro.ovm");
        asNew = true;
    }
    if (asNew) {
        QString chosen = chooseFile(frame_, true, u8q("名前を付けて保存する"), target,
                                    u8q("ovm(*.ovm);;All files(*.*)"));
        if (chosen.isEmpty()) return false;
        if (QFileInfo(chosen).suffix().isEmpty()) chosen += QStringLiteral(".ovm");
        target = chosen;
    }
    if (!writeMacroBytes(target, bytes)) {
        showMessage(MsgKind::Critical, frame_, QStringLiteral("Error"),
                    u8q("ファイルに書き込めませんでした。\n") + target);
        return false;
    }
    setWindowTitle(QFileInfo(target).absoluteFilePath());
    edit_->document()->setModified(false);
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
    // Closing the editor of a running macro is refused: the worker reads it.
    if (frame_->runActive() && frame_->runningEditor() == this) {
        showMessage(MsgKind::Warning, this, u8q("エラー"),
                    u8q("マクロ実行中は閉じることはできません。\r\nいったん中断ボタンを押してマクロ"
                        "実行を停止してから閉じてください。"));
        e->ignore();
        return;
    }
    if (frame_->executor().record().mode.load() == 4 && frame_->runningEditor() == this) {
        auto r = showMessage(MsgKind::Question, this, QStringLiteral("Orvane"),
                             u8q("この操作を実行するとデバッガは停止します。\r\n続行しますか？"),
                             QMessageBox::Ok | QMessageBox::Cancel);
        if (r != QMessageBox::Ok) {
            e->ignore();
            return;
        }
        frame_->command(ID_STOPDEBUG);
    }
    if (modified()) {
        auto r = showMessage(MsgKind::Question, this, QStringLiteral("Orvane"),
                             u8q("変更されています。保存しますか？"),
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (r == QMessageBox::Cancel) {
            e->ignore();
            return;
        }
        if (r == QMessageBox::Yes) {
            // A cancelled or failed save keeps the window open: nothing is lost.
            if (!save(true)) {
                e->ignore();
                return;
            }
        } else {
            setModified(false);
        }
    }
    e->accept();
}

}  // namespace orv::app
