#include "autocomplete/CompletionImages.h"

#include "autocomplete/CompletionRowStyle.h"
#include "platform/gui/ColorExtras.h"

#include <QPainter>
#include <QPainterPath>

namespace autocomplete {

namespace {

constexpr double kScale = 2.0;

QImage canvas(double points)
{
    QImage image(int(points * kScale), int(points * kScale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(kScale);
    return image;
}

// A rounded square with the type's initial: filled in the type's colour when active, an
// outline in grey otherwise.
QImage typeIcon(const QString& type, bool active)
{
    QImage image = canvas(14);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = colorFromType(type.toLower());
    const QColor grey = platform::colorWithHexColorString(QStringLiteral("666666"));
    const QRectF box(1.5, 1.5, 11, 11);
    if (active) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour.isValid() ? colour : grey);
        p.drawRoundedRect(box, 2.5, 2.5);
        p.setPen(platform::colorWithHexColorString(QStringLiteral("151619")));
    } else {
        p.setPen(QPen(grey, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(box, 2.5, 2.5);
    }
    QFont font;
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    p.drawText(box, Qt::AlignCenter, type.left(1));
    return image;
}

// A page with its corner folded and three lines of text.
QImage docsLink(bool active, bool large)
{
    const double points = large ? 18 : 14;
    QImage image = canvas(points);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(points / 14, points / 14);
    const QColor colour = platform::colorWithHexColorString(active ? QStringLiteral("CCCCCC") : QStringLiteral("666666"));
    p.setPen(QPen(colour, 1.1));
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(8.5, 1.5);
    page.lineTo(11.5, 4.5);
    page.lineTo(11.5, 12.5);
    page.lineTo(3.5, 12.5);
    page.closeSubpath();
    p.drawPath(page);
    p.drawLine(QPointF(8.5, 1.5), QPointF(8.5, 4.5));
    p.drawLine(QPointF(8.5, 4.5), QPointF(11.5, 4.5));
    for (double y : {6.5, 8.5, 10.5})
        p.drawLine(QPointF(5.5, y), QPointF(9.5, y));
    return image;
}

} // namespace

QImage completionImageNamed(const QString& name)
{
    static const QStringList typesWithIcons = {QStringLiteral("Array"),  QStringLiteral("Boolean"),
                                               QStringLiteral("Function"), QStringLiteral("Language"),
                                               QStringLiteral("Number"), QStringLiteral("Object"),
                                               QStringLiteral("String"), QStringLiteral("Layer")};
    QString base = name;
    const bool large = base.endsWith(QStringLiteral("-large"));
    if (large)
        base.chop(6);
    const bool active = base.endsWith(QStringLiteral("-active"));
    if (active)
        base.chop(7);
    if (base == u"icon-docs-link")
        return docsLink(active, large);
    if (large)
        return {};
    for (const QString& type : typesWithIcons)
        if (imageNameForType(type, false) == base)
            return typeIcon(type, active);
    return {};
}

} // namespace autocomplete
