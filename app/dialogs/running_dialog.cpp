#include "app/dialogs/running_dialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/codec.h"

namespace orv::app {

namespace {
// Room the window manager's title bar takes besides the title: an icon and three buttons with
// their margins.
constexpr int kTitleBarButtons = 140;
}  // namespace

RunningDialog::RunningDialog(QWidget* owner, const QString& macroName, bool noOwner)
    : QDialog(noOwner ? nullptr : owner), noOwner_(noOwner), name_(macroName) {
    setObjectName("117");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus, true);
    setWindowTitle(u8q("マクロ実行中"));
    setModal(false);
    auto* name = new QLabel(macroName, this);
    name->setObjectName("1001");
    state_ = new QLabel(u8q("･･･*実行中です*･･･"), this);
    state_->setObjectName("1002");
    stop_ = new QPushButton(u8q("中断(Esc)"), this);
    stop_->setObjectName("1");
    // Only a click stops the run (or Esc, through the frame's watch): no default button, no
    // focus for Enter or Space to press.
    stop_->setAutoDefault(false);
    stop_->setDefault(false);
    stop_->setFocusPolicy(Qt::NoFocus);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(name);
    lay->addWidget(state_);
    lay->addWidget(stop_, 0, Qt::AlignHCenter);
    connect(stop_, &QPushButton::clicked, this, &RunningDialog::stop);
    // Wide enough for its title beside the window manager's buttons, so that "マクロ実行中"
    // is never cut short (title bars tend to use a larger, bold font).
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + kTitleBarButtons);
    adjustSize();
    place(owner);
}

void RunningDialog::place(QWidget* owner) {
    if (noOwner_) {
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        placeBottomRight();
    } else {
        QRect f = owner->geometry();
        move(f.center() - QPoint(width() / 2, height() / 2));
    }
}

// The window's outer edge (its frame included) 50 px above the bottom of the screen.
void RunningDialog::placeBottomRight() {
    if (QScreen* sc = QGuiApplication::primaryScreen()) {
        const QRect r = sc->geometry();
        const QRect outer = frameGeometry();
        move(r.right() + 1 - outer.width(), r.bottom() + 1 - 50 - outer.height());
    }
}

void RunningDialog::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    // The window manager's frame is known only once the window is shown: place it again then.
    if (noOwner_ && !placedWithFrame_ && frameGeometry().height() > height()) {
        placedWithFrame_ = true;
        placeBottomRight();
    }
}

void RunningDialog::stop() {
    if (!stop_->isEnabled()) return;
    stop_->setEnabled(false);
    state_->setText(u8q("･･･*中断しています*･･･"));
    emit stopRequested();
}

void RunningDialog::reject() {
    // Only the stop button (id 1) acts; Esc and the close box are not a stop request here,
    // so the macro's own KEY ESC landing on this dialog leaves the run going.
}

}  // namespace orv::app
