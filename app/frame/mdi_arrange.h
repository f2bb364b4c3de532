// "Arrange icons" for a QMdiArea, which has tiling and cascading but no layout of its
// minimised children.
#pragma once

class QMdiArea;

namespace orv::app {

// Lays out the minimised children of `area` in their creation order in a row from the
// bottom-left corner of its viewport, going on in a new row above when the next one would
// cross the right edge. Other children keep their places. Returns how many were placed.
int arrangeIcons(QMdiArea* area);

}  // namespace orv::app
