#include "app/editor/line_gutter.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/editor/macro_edit.h"

namespace orv::app {

namespace {

constexpr int kMarkColumn = 16;  // breakpoint, running line and error marks
constexpr int kNumberPad = 6;    // space around the numbers

const QColor kBackground(0xf0, 0xf0, 0xf0);
const QColor kBorder(0xc8, 0xc8, 0xc8);
const QColor kNumber(0x80, 0x80, 0x80);
const QColor kErrorRow(0xff, 0xd6, 0xd6);
const QColor kErrorInk(0xc0, 0x10, 0x10);
const QColor kBreakpoint(0xd0, 0x20, 0x20);
const QColor kArrowFill(0xff, 0xd0, 0x00);
const QColor kArrowEdge(0x80, 0x60, 0x00);

// A right-pointing arrow filling most of `r`.
QPainterPath arrow(const QRectF& r) {
    const qreal cy = r.center().y(), h = r.height() / 2;
    QPainterPath p;
    p.moveTo(r.left(), cy - h / 2);
    p.lineTo(r.center().x(), cy - h / 2);
    p.lineTo(r.center().x(), cy - h);
    p.lineTo(r.right(), cy);
    p.lineTo(r.center().x(), cy + h);
    p.lineTo(r.center().x(), cy + h / 2);
    p.lineTo(r.left(), cy + h / 2);
    p.closeSubpath();
    return p;
}

}  // namespace

LineGutter::LineGutter(MacroEdit* edit) : QWidget(edit), edit_(edit) {
    setObjectName("gutter");
    setCursor(Qt::PointingHandCursor);
}

void LineGutter::setNumbersVisible(bool on) {
    numbers_ = on;
    update();
}

int LineGutter::wantedWidth() const {
    if (!numbers_) return kMarkColumn;
    const int digits = std::max(2, static_cast<int>(QString::number(edit_->blockCount()).size()));
    return kMarkColumn + edit_->fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits +
           kNumberPad;
}

void LineGutter::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), kBackground);
    p.setPen(kBorder);
    p.drawLine(width() - 1, e->rect().top(), width() - 1, e->rect().bottom());
    p.setFont(edit_->font());
    p.setRenderHint(QPainter::Antialiasing);
    for (const MacroEdit::VisibleLine& l : edit_->visibleLines()) {
        const QRect row(0, l.top, width() - 1, l.height);
        if (!row.intersects(e->rect())) continue;
        const bool error = !edit_->errorsOfBlock(l.block).isEmpty();
        if (error) p.fillRect(row, kErrorRow);
        if (numbers_) {
            QFont f = edit_->font();
            f.setBold(error);
            p.setFont(f);
            p.setPen(error ? kErrorInk : kNumber);
            p.drawText(row.adjusted(kMarkColumn, 0, -kNumberPad / 2, 0),
                       Qt::AlignRight | Qt::AlignVCenter, QString::number(l.block + 1));
        }
        paintMarks(p, l.block, QRect(0, l.top, kMarkColumn, l.height));
    }
}

void LineGutter::paintMarks(QPainter& p, int block, const QRect& cell) const {
    const int side = std::min(cell.width(), cell.height()) - 4;
    const QRectF box(cell.center().x() - side / 2.0 + 0.5, cell.center().y() - side / 2.0 + 0.5,
                     side, side);
    if (edit_->breakpointLines().contains(block + 1)) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBreakpoint);
        p.drawEllipse(box);
    } else if (!edit_->errorsOfBlock(block).isEmpty()) {
        // A red cross: the line has an error of the last check.
        p.setPen(QPen(kErrorInk, 2));
        p.drawLine(box.topLeft() + QPointF(2, 2), box.bottomRight() - QPointF(2, 2));
        p.drawLine(box.topRight() + QPointF(-2, 2), box.bottomLeft() + QPointF(2, -2));
    }
    if (edit_->runningLine() == block) {
        p.setPen(QPen(kArrowEdge, 1));
        p.setBrush(kArrowFill);
        p.drawPath(arrow(box));
    }
}

void LineGutter::mousePressEvent(QMouseEvent* e) {
    const int block = edit_->blockAt(e->position().toPoint().y());
    if (e->button() == Qt::LeftButton && block >= 0) emit clicked(block + 1);
}

bool LineGutter::event(QEvent* e) {
    if (e->type() != QEvent::ToolTip) return QWidget::event(e);
    edit_->showErrorTip(static_cast<QHelpEvent*>(e), this);
    return true;
}

}  // namespace orv::app
