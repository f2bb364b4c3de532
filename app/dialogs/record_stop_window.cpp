#include "app/dialogs/record_stop_window.h"

#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/codec.h"

namespace orv::app {

namespace {
// 55 by 15 dialog units of a 9-point font: about 83 by 24 pixels, widened to the button text.
constexpr int kMinWidth = 96;
constexpr int kMinHeight = 26;
}  // namespace

RecordStopWindow::RecordStopWindow() : QWidget(nullptr) {
    setObjectName("122");
    // A top-level window the window manager keeps above the others and out of the taskbar;
    // no title bar; it never takes the keyboard focus from the window being recorded.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(u8q("マクロ記録停止"));
    button_ = new QPushButton(u8q("ﾏｸﾛ記録停止"), this);
    button_->setObjectName("2101");
    button_->setDefault(true);
    QFont f = button_->font();
    f.setBold(true);
    f.setStyleHint(QFont::TypeWriter);
    button_->setFont(f);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(button_);
    const QSize hint = button_->sizeHint();
    resize(std::max(kMinWidth, hint.width()), std::max(kMinHeight, hint.height()));
    connect(button_, &QPushButton::clicked, this, &RecordStopWindow::stopRequested);
    setGeometry(placement());
}

QRect RecordStopWindow::placement() const {
    QRect r(QPoint(0, 0), size());
    if (QScreen* sc = QGuiApplication::primaryScreen()) {
        const QRect desk = sc->geometry();
        r.moveTo(desk.right() + 1 - width(), desk.bottom() + 1 - height() - 50);
    }
    return r;
}

void RecordStopWindow::closeEvent(QCloseEvent* e) {
    e->ignore();
}

}  // namespace orv::app
