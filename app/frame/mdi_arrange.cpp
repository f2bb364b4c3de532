#include "app/frame/mdi_arrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

namespace orv::app {

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

}  // namespace orv::app
