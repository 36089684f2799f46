#pragma once

#include <QColor>
#include <QString>

namespace platform {

// A colour from six hexadecimal digits RRGGBB, alpha 1. A text of exactly seven characters
// loses its first one (a leading "#"). Read like a standard integer scanner: leading white
// space skipped, an optional "0x", reading stops at the first non-hex digit; nothing readable
// gives black.
QColor colorWithHexColorString(const QString& hex);

// Components drawn at random from 0 to 254.
QColor randomColorWithAlpha(double alpha);

// The same seed always gives the same colour.
QColor randomColorWithSeed(const QString& seed, double alpha);

} // namespace platform
