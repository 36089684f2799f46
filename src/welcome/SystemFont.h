#pragma once

#include <QFont>

namespace welcome {

enum class FontWeight { Light, Ultralight };

// Sizes are in points of the window's layout, that is in device-independent pixels (the
// frames of the welcome and about windows are given in the same unit), not typographic points.

// The light sans-serif face the welcome window is drawn in. Helvetica Neue is asked for first;
// where it is not installed the closest installed sans-serif family stands in at the same
// weight, so the layout (sized for that face) still fits.
QFont systemFontOfSize(double pointSize, FontWeight weight);

// The regular-weight user-interface font at a size in points.
QFont systemFontOfSize(double pointSize);

// The size of a font in layout points, however it was set.
double fontSizeInPoints(const QFont& font);

} // namespace welcome
