#include "app/frame/window_places.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <algorithm>

namespace orv::app {

namespace {

// The least of a window that stays in view when it is larger than the area.
constexpr int kLeastInView = 120;

// One axis: a window that fits is moved in and keeps its length; a longer one keeps its
// place (moved in far enough to show kLeastInView) and is cut at the area's end.
void fitAxis(int& pos, int& len, int areaLen) {
    if (len <= areaLen) {
        pos = std::clamp(pos, 0, areaLen - len);
        return;
    }
    pos = std::clamp(pos, 0, std::max(0, areaLen - kLeastInView));
    len = areaLen - pos;
}

}  // namespace

QRect insideArea(const QRect& want, const QSize& area) {
    if (area.isEmpty()) return want;
    int x = want.x(), y = want.y(), w = std::max(1, want.width()), h = std::max(1, want.height());
    fitAxis(x, w, area.width());
    fitAxis(y, h, area.height());
    return {x, y, w, h};
}

void placeChild(QMdiArea* mdi, QMdiSubWindow* w, const QRect& place) {
    w->setGeometry(insideArea(place, mdi->viewport()->size()));
}

void addChild(QMdiArea* mdi, QMdiSubWindow* w, const QRect& place, Activation activation) {
    QMdiSubWindow* active = mdi->currentSubWindow();
    mdi->addSubWindow(w);
    placeChild(mdi, w, place);
    w->show();
    mdi->setActiveSubWindow(activation == Activation::Keep && active ? active : w);
}

void bringIntoView(QMdiArea* mdi, QMdiSubWindow* w) {
    if (w->isMinimized() || w->isMaximized()) w->showNormal();
    placeChild(mdi, w, w->geometry());
    mdi->setActiveSubWindow(w);
}

int arrangeIcons(QMdiArea* area) {
    QList<QMdiSubWindow*> icons;
    int rowHeight = 0;
    for (QMdiSubWindow* w : area->subWindowList(QMdiArea::CreationOrder)) {
        if (!w->isMinimized() || w->isShaded() || !w->isVisibleTo(area)) continue;
        icons.append(w);
        rowHeight = std::max(rowHeight, w->height());
    }
    const QRect client = area->viewport()->rect();
    int x = client.left();
    int bottom = client.bottom() + 1;
    for (QMdiSubWindow* w : icons) {
        if (x > client.left() && x + w->width() > client.right() + 1) {
            x = client.left();
            bottom -= rowHeight;
        }
        w->move(x, bottom - w->height());
        x += w->width();
    }
    return static_cast<int>(icons.size());
}

WindowListMenu::WindowListMenu(QMenu* menu, QMdiArea* mdi) : QObject(menu), menu_(menu), mdi_(mdi) {
    connect(menu_, &QMenu::aboutToShow, this, &WindowListMenu::rebuild);
}

void WindowListMenu::rebuild() {
    for (QAction* a : entries_) {
        menu_->removeAction(a);
        a->deleteLater();
    }
    entries_.clear();
    const QList<QMdiSubWindow*> list = mdi_->subWindowList();
    if (list.isEmpty()) return;
    entries_.append(menu_->addSeparator());
    int n = 0;
    for (QMdiSubWindow* w : list) {
        ++n;
        QAction* a = menu_->addAction(QString("&%1 %2").arg(n).arg(w->windowTitle()));
        a->setObjectName(QString::number(3000 + n - 1));
        a->setCheckable(true);
        a->setChecked(w == mdi_->currentSubWindow());
        QPointer<QMdiSubWindow> target(w);
        connect(a, &QAction::triggered, this, [this, target] {
            if (target) bringIntoView(mdi_, target);
        });
        entries_.append(a);
    }
}

}  // namespace orv::app
