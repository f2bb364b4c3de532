// "Arrange icons" for a QMdiArea. Qt lays out the minimised children when one is minimised
// or restored but has no public call to do it again after they have been moved.
#pragma once

class QMdiArea;

namespace orv::app {

// Lays out the minimised children of `area` in their creation order in a row from the
// bottom-left corner of its viewport, going on in a new row above when the next one would
// cross the right edge (the pattern of Qt's own layout of minimised children). Other
// children keep their places. Returns how many were placed.
int arrangeIcons(QMdiArea* area);

}  // namespace orv::app
