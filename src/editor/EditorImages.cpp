#include "editor/EditorImages.h"

#include "platform/gui/ColorExtras.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace editor {

namespace {

constexpr double kScale = 2.0;
constexpr int kIconPoints = 16;
constexpr int kBarHeight = 26;

QColor hex(const char* value)
{
    return platform::colorWithHexColorString(QString::fromLatin1(value));
}

QImage canvas(int widthPoints, int heightPoints)
{
    QImage image(int(widthPoints * kScale), int(heightPoints * kScale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(kScale);
    return image;
}

QImage miniBar()
{
    QImage image = canvas(4, kBarHeight);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 0, kBarHeight);
    gradient.setColorAt(0, hex("2E2E32"));
    gradient.setColorAt(1, hex("28282B"));
    p.fillRect(QRectF(0, 0, 4, kBarHeight), gradient);
    p.fillRect(QRectF(0, 0, 4, 0.5), hex("141416")); // the hairline against the code above
    return image;
}

QImage console(const QColor& colour)
{
    QImage image = canvas(kIconPoints, kIconPoints);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 1.2));
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 2, 2);
    QPainterPath prompt;
    prompt.moveTo(4.5, 6);
    prompt.lineTo(7, 8);
    prompt.lineTo(4.5, 10);
    p.drawPath(prompt);
    p.drawLine(QPointF(8.5, 10.5), QPointF(11.5, 10.5));
    return image;
}

QImage layers(bool on)
{
    QImage image = canvas(kIconPoints, kIconPoints);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = on ? hex("FFFFFF") : hex("8A8A93");
    for (int i = 0; i < 3; ++i) {
        QPainterPath sheet;
        const double y = 3.5 + i * 3.5;
        sheet.moveTo(8, y);
        sheet.lineTo(14, y + 2.5);
        sheet.lineTo(8, y + 5);
        sheet.lineTo(2, y + 2.5);
        sheet.closeSubpath();
        p.setPen(QPen(colour, 1.1));
        p.setBrush(on && i == 0 ? colour : QColor(Qt::transparent));
        p.drawPath(sheet);
    }
    return image;
}

QImage settings()
{
    QImage image = canvas(kIconPoints, kIconPoints);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(hex("8A8A93"), 1.2));
    for (int i = 0; i < 3; ++i) {
        const double y = 4 + i * 4;
        const double knob = i == 1 ? 10 : 5.5;
        p.drawLine(QPointF(2, y), QPointF(14, y));
        p.setBrush(hex("2B2B2E"));
        p.drawEllipse(QPointF(knob, y), 1.8, 1.8);
    }
    return image;
}

} // namespace

QImage editorImageNamed(const QString& name)
{
    QImage image;
    if (name == u"chrome-dark-mini-bar")
        image = miniBar();
    else if (name == u"icon-console")
        image = console(hex("8A8A93"));
    else if (name == u"icon-inspect-orange")
        image = console(hex("FFC22C"));
    else if (name == u"icon-layers-on")
        image = layers(true);
    else if (name == u"icon-layers-off")
        image = layers(false);
    else if (name == u"icon-settings")
        image = settings();
    return image;
}

QIcon editorIconNamed(const QString& name)
{
    const QImage image = editorImageNamed(name);
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

QBrush miniBarBrush()
{
    QBrush brush(editorImageNamed(QStringLiteral("chrome-dark-mini-bar")));
    return brush;
}

} // namespace editor
