#pragma once

#include <QFont>

namespace welcome {

enum class FontWeight { Light, Ultralight };

// The light sans-serif face the welcome window is drawn in. Helvetica Neue is asked for first;
// where it is not installed the closest installed sans-serif family stands in at the same
// weight, so the layout (sized for that face) still fits.
QFont systemFontOfSize(double pointSize, FontWeight weight);

} // namespace welcome
