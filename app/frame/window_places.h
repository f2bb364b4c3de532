// Where the program puts its MDI children. Every window it places stays inside the visible
// part of the MDI area (which has no scroll bars): a place outside is moved in, keeping the
// window's size where it fits and cutting it to the area where it does not. And "arrange
// icons", which Qt does only when a child is minimised or restored.
#pragma once

#include <QList>
#include <QObject>
#include <QRect>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace orv::app {

// `want` kept inside an area of `area`'s size at (0, 0): along each axis a window that fits is
// moved in with its size kept; one larger than the area keeps its place (moved in so that at
// least 120 pixels show) and is cut at the area's end. An empty area (not laid out yet)
// leaves the place as it is.
QRect insideArea(const QRect& want, const QSize& area);
// Whether a window that opens becomes the active one, or opens beside the active window (a
// window a run or a compile opens, so that the macro's editor stays the one F4 and F9 act on).
enum class Activation { Take, Keep };
// Adds `w` to the MDI area at `place` (kept inside) and shows it.
void addChild(QMdiArea* mdi, QMdiSubWindow* w, const QRect& place, Activation activation);
// Places `w` at `place`, kept inside the area.
void placeChild(QMdiArea* mdi, QMdiSubWindow* w, const QRect& place);
// An open window the user asked for: shown normal if it was minimised, moved into view, and
// activated.
void bringIntoView(QMdiArea* mdi, QMdiSubWindow* w);

// Lays out the minimised children of `area` in their creation order in a row from the
// bottom-left corner of its viewport, going on in a new row above when the next one would
// cross the right edge (the pattern of Qt's own layout of minimised children). Other
// children keep their places. Returns how many were placed.
int arrangeIcons(QMdiArea* area);

// The MDI window list at the end of a menu ("表示(V)"): rebuilt each time the menu opens, one
// entry per child ("&1 title", objectNames from 3000); choosing one brings that window into
// view, wherever it was.
class WindowListMenu : public QObject {
  public:
    WindowListMenu(QMenu* menu, QMdiArea* mdi);

  private:
    void rebuild();

    QMenu* menu_;
    QMdiArea* mdi_;
    QList<QAction*> entries_;
};

}  // namespace orv::app
