#include "platform/gui/ImageExtras.h"

#include <cmath>

namespace platform {

QImage imageWithSize(const QImage& image, const QSize& size)
{
    QImage result(size, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), image);
    return result;
}

void drawInRectWithCapInsets(QPainter& painter, const QImage& image, const QRectF& rect, const TMEdgeInsets& insets)
{
    // Work in y-up coordinates as the slices are defined, then flip each rectangle into the
    // painter's y-down space (target within `rect`, source within the image).
    const double x = std::round(rect.x()), y = std::round(rect.y());
    const double W = std::round(rect.width()), H = std::round(rect.height());
    const double w = image.width() / image.devicePixelRatio(), h = image.height() / image.devicePixelRatio();
    const double dpr = image.devicePixelRatio();
    const double t = insets.top, l = insets.left, b = insets.bottom, r = insets.right;

    auto draw = [&](double dx, double dy, double dw, double dh, double sx, double sy, double sw, double sh) {
        if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
            return;
        // y-up offsets relative to the bottom edges become y-down positions.
        const QRectF target(dx, y + (H - (dy - y) - dh), dw, dh);
        const QRectF source(sx * dpr, (h - sy - sh) * dpr, sw * dpr, sh * dpr);
        painter.drawImage(target, image, source);
    };
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    draw(x, y, l, b, 0, 0, l, b);
    draw(x, y + H - t, l, t, 0, h - t, l, t);
    draw(x + W - r, y + H - t, r, t, w - r, h - t, r, t);
    draw(x + W - r, y, r, b, w - r, 0, r, b);
    draw(x + l, y, W - r - l, b, l, 0, w - r - l, b);
    draw(x + l, y + H - t, W - r - l, t, l, h - t, w - r - l, t);
    draw(x, y + b, l, H - t - b, 0, b, l, h - t - b);
    draw(x + W - r, y + b, r, H - t - b, w - r, b, r, h - t - b);
    draw(x + l, y + b, W - r - l, H - t - b, l, b + 2, w - r - l, h - t - b - 4);
    painter.restore();
}

QFont fontWithSize(const QFont& font, double pointSize)
{
    QFont result(font);
    result.setPointSizeF(pointSize);
    return result;
}

QFont copyWithSize(const QFont& font, double pointSize)
{
    QFont result(font.family());
    result.setPointSizeF(pointSize);
    return result;
}

} // namespace platform
