#include "app/dialogs/running_dialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/codec.h"

namespace orv::app {

RunningDialog::RunningDialog(QWidget* owner, const QString& macroName, bool noOwner)
    : QDialog(noOwner ? nullptr : owner), name_(macroName) {
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
    place(owner, noOwner);
}

void RunningDialog::place(QWidget* owner, bool noOwner) {
    if (noOwner) {
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (QScreen* sc = QGuiApplication::primaryScreen()) {
            QRect r = sc->geometry();
            move(r.right() + 1 - width(), r.bottom() + 1 - 50 - height());
        }
    } else {
        QRect f = owner->geometry();
        move(f.center() - QPoint(width() / 2, height() / 2));
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
