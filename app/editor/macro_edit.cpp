#include "app/editor/macro_edit.h"

#include <QHelpEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QToolTip>

#include "app/editor/line_gutter.h"
#include "app/editor/macro_syntax.h"

namespace orv::app {

namespace {

// The messages of a marked line and the text they were given for: once the text differs,
// the line was edited and the marks go.
struct ErrorData : QTextBlockUserData {
    QString text;
    QStringList messages;
};

ErrorData* errorData(const QTextBlock& b) {
    return static_cast<ErrorData*>(b.userData());
}

const QColor kRunningBackground(0xff, 0xf3, 0xa0);
const QColor kErrorUnderline(0xd0, 0x10, 0x10);

}  // namespace

MacroEdit::MacroEdit(QWidget* parent) : QPlainTextEdit(parent), gutter_(new LineGutter(this)) {
    new MacroHighlighter(document());
    connect(this, &QPlainTextEdit::blockCountChanged, this, &MacroEdit::layoutGutter);
    connect(this, &QPlainTextEdit::updateRequest, this, &MacroEdit::scrollGutter);
    connect(document(), &QTextDocument::contentsChange, this, &MacroEdit::textChanged);
    connect(gutter_, &LineGutter::clicked, this, &MacroEdit::gutterClicked);
    layoutGutter();
}

// The document outlives this part of the object: it must not reach the slots above any more.
MacroEdit::~MacroEdit() {
    disconnect(document(), nullptr, this, nullptr);
    disconnect(this, nullptr, this, nullptr);
}

void MacroEdit::insertFromMimeData(const QMimeData* source) {
    if (!source || source->formats().isEmpty()) return;
    QPlainTextEdit::insertFromMimeData(source);
}

// ---- the gutter ----

void MacroEdit::setLineNumbersVisible(bool on) {
    gutter_->setNumbersVisible(on);
    layoutGutter();
}

bool MacroEdit::lineNumbersVisible() const {
    return gutter_->numbersVisible();
}

void MacroEdit::layoutGutter() {
    const int w = gutter_->wantedWidth();
    setViewportMargins(w, 0, 0, 0);
    const QRect cr = contentsRect();
    gutter_->setGeometry(cr.left(), cr.top(), w, cr.height());
    gutter_->update();
}

void MacroEdit::scrollGutter(const QRect& rect, int dy) {
    if (dy)
        gutter_->scroll(0, dy);
    else
        gutter_->update(0, rect.y(), gutter_->width(), rect.height());
}

void MacroEdit::resizeEvent(QResizeEvent* e) {
    QPlainTextEdit::resizeEvent(e);
    layoutGutter();
}

std::vector<MacroEdit::VisibleLine> MacroEdit::visibleLines() const {
    std::vector<VisibleLine> out;
    QTextBlock b = firstVisibleBlock();
    const int limit = viewport()->height();
    int top = b.isValid() ? qRound(blockBoundingGeometry(b).translated(contentOffset()).top()) : 0;
    for (; b.isValid() && top <= limit; b = b.next()) {
        const int height = qRound(blockBoundingRect(b).height());
        if (b.isVisible()) out.push_back({b.blockNumber(), top, height});
        top += height;
    }
    return out;
}

int MacroEdit::blockAt(int y) const {
    for (const VisibleLine& l : visibleLines())
        if (y >= l.top && y < l.top + l.height) return l.block;
    return -1;
}

// ---- marks ----

void MacroEdit::setErrorMarks(const ErrorMarks& marks) {
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        if (b.userData()) b.setUserData(nullptr);
    for (const auto& [line1, messages] : marks) {
        QTextBlock b = document()->findBlockByNumber(line1 - 1);
        if (!b.isValid() || messages.isEmpty()) continue;
        auto* d = new ErrorData;
        d->text = b.text();
        d->messages = messages;
        b.setUserData(d);
    }
    refreshLineMarks();
}

ErrorMarks MacroEdit::errorMarks() const {
    ErrorMarks out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        if (const ErrorData* d = errorData(b)) out[b.blockNumber() + 1] = d->messages;
    return out;
}

QStringList MacroEdit::errorsOfBlock(int block) const {
    const ErrorData* d = errorData(document()->findBlockByNumber(block));
    return d ? d->messages : QStringList();
}

void MacroEdit::setRunningLine(int line0) {
    if (line0 == runningLine_) return;
    runningLine_ = line0;
    refreshLineMarks();
}

void MacroEdit::setBreakpointLines(const QSet<int>& lines1) {
    breakpoints_ = lines1;
    gutter_->update();
}

void MacroEdit::textChanged(int position, int /*removed*/, int added) {
    bool cleared = false;
    QTextBlock last = document()->findBlock(position + added);
    for (QTextBlock b = document()->findBlock(position); b.isValid(); b = b.next()) {
        if (const ErrorData* d = errorData(b); d && d->text != b.text()) {
            b.setUserData(nullptr);
            cleared = true;
        }
        if (b == last) break;
    }
    if (cleared) refreshLineMarks();
}

void MacroEdit::refreshLineMarks() {
    QList<QTextEdit::ExtraSelection> marks;
    QTextBlock run = document()->findBlockByNumber(runningLine_);
    if (runningLine_ >= 0 && run.isValid()) {
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(run);
        s.format.setBackground(kRunningBackground);
        s.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks << s;
    }
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (!b.userData()) continue;
        // The underline starts at the line's first word.
        const QString text = b.text();
        int first = 0;
        while (first < text.size() && (text[first] == ' ' || text[first] == '\t')) ++first;
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(b);
        s.cursor.setPosition(b.position() + first);
        s.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        s.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        s.format.setUnderlineColor(kErrorUnderline);
        marks << s;
    }
    setExtraSelections(marks);
    gutter_->update();
}

void MacroEdit::showErrorTip(const QHelpEvent* e, QWidget* over) const {
    const QStringList errors = errorsOfBlock(blockAt(e->pos().y()));
    if (errors.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(e->globalPos(), errors.join('\n'), over);
}

bool MacroEdit::viewportEvent(QEvent* e) {
    if (e->type() != QEvent::ToolTip) return QPlainTextEdit::viewportEvent(e);
    showErrorTip(static_cast<QHelpEvent*>(e), viewport());
    return true;
}

}  // namespace orv::app
