#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace platform {

// Where a window of the preferred size goes within the screen's available area: no larger than
// that area, centred on the window it belongs to (`owner`, when not empty) or else on the
// area, and moved so that it lies wholly inside it.
QRect placedWindowRect(QSize preferred, const QRect& available, const QRect& owner = QRect());

// Sizes and moves the window so (on the screen of `owner`, or of the window itself when it has
// none). The size is the window's own minimum at least, as far as the screen allows.
void placeWindow(QWidget* window, QSize preferred, const QWidget* owner = nullptr);

// Cascading: `rect` moved down and to the right by `step` while one of the `taken` corners
// lies within a few pixels of its top-left corner, so a new window never hides the one before
// it exactly; where the next step would leave the available area it starts again from the
// area's top-left corner (once round, then it stays where it is).
QRect cascadedWindowRect(QRect rect, const QList<QPoint>& taken, const QRect& available, int step = 24);

// Moves the window (not shown yet, already placed) off the top-left corners of `others` that
// are visible.
void cascadeWindow(QWidget* window, const QList<QWidget*>& others);

} // namespace platform
