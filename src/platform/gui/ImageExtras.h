#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>

namespace platform {

// Edge insets in points: top, left, bottom, right.
struct TMEdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
};
inline TMEdgeInsets TMEdgeInsetsMake(double top, double left, double bottom, double right)
{
    return {top, left, bottom, right};
}

// A new image of the given size with the image drawn into it whole, scaled to fill.
QImage imageWithSize(const QImage& image, const QSize& size);

// Nine-slice drawing of `image` into `rect` (widget coordinates, y down): the corners keep
// their size, the edges stretch along one axis and the centre along both. The centre samples
// the image's middle shrunk by 2 points at its top and at its bottom.
void drawInRectWithCapInsets(QPainter& painter, const QImage& image, const QRectF& rect, const TMEdgeInsets& insets);

// The font of the same family and face at another size.
QFont fontWithSize(const QFont& font, double pointSize);
// The family's default face at another size.
QFont copyWithSize(const QFont& font, double pointSize);

} // namespace platform
