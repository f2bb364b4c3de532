#include "app/check/check_result.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextBlock>
#include <QTimer>

#include "app/codec.h"
#include "app/message.h"

namespace orv::app {

CheckResultWindow* CheckResultWindow::create(QWidget* dialogOwner) {
    auto* w = new CheckResultWindow(dialogOwner);
    if (!w->reload()) {
        delete w;
        return nullptr;
    }
    w->setWindowTitle(u8q("マクロ解析結果"));
    return w;
}

CheckResultWindow::CheckResultWindow(QWidget* dialogOwner)
    : dialogOwner_(dialogOwner), edit_(new QPlainTextEdit(this)) {
    setObjectName("Orv_CmpChk");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Marco Check Result"));
    edit_->setObjectName("edit");
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->viewport()->installEventFilter(this);
    setWidget(edit_);
}

bool CheckResultWindow::reload() {
    QString path = QDir::current().absoluteFilePath(QStringLiteral("comp.his"));
    QFile f(path);
    if (!f.exists()) {
        // An empty log is created when there is none.
        if (f.open(QIODevice::WriteOnly)) f.close();
    }
    if (!f.open(QIODevice::ReadOnly)) return false;
    if (f.size() > 65535) {
        showMessage(MsgKind::Warning, dialogOwner_, QStringLiteral("Too Big File!"),
                    u8q("ファイルサイズが大きすぎます"));
        return false;
    }
    QByteArray data = f.readAll();
    QString text =
        fromCp932(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    edit_->setPlainText(text);
    setWindowTitle(path);
    QTextCursor c = edit_->textCursor();
    c.movePosition(QTextCursor::End);
    edit_->setTextCursor(c);
    edit_->ensureCursorVisible();
    return true;
}

bool errorLineTarget(const QStringList& lines, int index, int& line1, QString& macroName) {
    if (index < 0 || index >= lines.size()) return false;
    const QString& line = lines[index];
    if (!line.startsWith('*')) return false;
    qsizetype blank = line.indexOf(' ');
    bool numOk = false;
    line1 = line.mid(1, blank < 0 ? -1 : blank - 1).toInt(&numOk);
    if (!numOk) line1 = 0;
    macroName.clear();
    for (int i = index; i >= 0; --i)
        if (compileStartName(lines[i], macroName)) break;
    return true;
}

bool compileStartName(const QString& line, QString& macroName) {
    if (!line.startsWith(QStringLiteral("Compile-Start"))) return false;
    macroName = line.mid(14, line.size() - 24);
    return true;
}

QString errorLineMessage(const QString& line) {
    const QLatin1String tag("Line Error(");
    qsizetype at = line.indexOf(tag);
    if (at < 0) return line;
    qsizetype close = line.indexOf(QStringLiteral(") "), at + tag.size());
    return close < 0 ? QString() : line.mid(close + 2);
}

void CheckResultWindow::jumpToError() {
    QTextCursor c = edit_->textCursor();
    QTextBlock b = c.block();
    QStringList lines = edit_->toPlainText().split('\n');
    int line1 = 0;
    QString name;
    if (!errorLineTarget(lines, b.blockNumber(), line1, name)) return;
    QTextCursor sel(b);
    sel.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    edit_->setTextCursor(sel);
    macroName_ = name;
    emit gotoLineRequested(macroName_, line1);
}

bool CheckResultWindow::eventFilter(QObject* o, QEvent* e) {
    // The edit control handles the double-click first (it moves the caret), then we jump.
    if (o == edit_->viewport() && e->type() == QEvent::MouseButtonDblClick)
        QTimer::singleShot(0, this, &CheckResultWindow::jumpToError);
    return QMdiSubWindow::eventFilter(o, e);
}

}  // namespace orv::app
