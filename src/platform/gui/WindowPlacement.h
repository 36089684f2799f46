#pragma once

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

} // namespace platform
