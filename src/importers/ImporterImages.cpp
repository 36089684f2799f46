#include "importers/ImporterImages.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace importers {

namespace {
void drawSketch(QPainter& p, double s)
{
    QPainterPath gem;
    gem.moveTo(0.5 * s, 0.9 * s);
    gem.lineTo(0.06 * s, 0.38 * s);
    gem.lineTo(0.24 * s, 0.14 * s);
    gem.lineTo(0.76 * s, 0.14 * s);
    gem.lineTo(0.94 * s, 0.38 * s);
    gem.closeSubpath();
    p.fillPath(gem, QColor(0xF7, 0xB5, 0x00));
    QPainterPath top;
    top.moveTo(0.06 * s, 0.38 * s);
    top.lineTo(0.94 * s, 0.38 * s);
    top.lineTo(0.5 * s, 0.9 * s);
    top.closeSubpath();
    p.fillPath(top, QColor(0xEA, 0x6C, 0x00));
}

void drawLettered(QPainter& p, double s, const QColor& back, const QColor& fore, const QString& text)
{
    p.setBrush(back);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0.06 * s, 0.06 * s, 0.88 * s, 0.88 * s), 0.16 * s, 0.16 * s);
    QFont font = p.font();
    font.setPixelSize(int(0.4 * s));
    font.setBold(true);
    p.setFont(font);
    p.setPen(fore);
    p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, text);
}

void drawFigma(QPainter& p, double s)
{
    const double d = 0.28 * s;
    const double x = 0.22 * s;
    const double y = 0.08 * s;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF2, 0x4E, 0x1E));
    p.drawRoundedRect(QRectF(x, y, d, d), d / 2, d / 2);
    p.setBrush(QColor(0xFF, 0x72, 0x62));
    p.drawRoundedRect(QRectF(x + d, y, d, d), d / 2, d / 2);
    p.setBrush(QColor(0xA2, 0x59, 0xFF));
    p.drawRoundedRect(QRectF(x, y + d, d, d), d / 2, d / 2);
    p.setBrush(QColor(0x1A, 0xBC, 0xFE));
    p.drawEllipse(QRectF(x + d, y + d, d, d));
    p.setBrush(QColor(0x0A, 0xCF, 0x83));
    p.drawRoundedRect(QRectF(x, y + 2 * d, d, d), d / 2, d / 2);
}
} // namespace

QPixmap importerIconNamed(const QString& name, int points, double devicePixelRatio)
{
    const int pixels = int(points * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        const double s = pixels;
        if (name.startsWith(QLatin1String("icon-sketch")))
            drawSketch(p, s);
        else if (name.startsWith(QLatin1String("icon-photoshop")))
            drawLettered(p, s, QColor(0x00, 0x1E, 0x36), QColor(0x31, 0xA8, 0xFF), QStringLiteral("Ps"));
        else if (name.startsWith(QLatin1String("icon-figma")))
            drawFigma(p, s);
    }
    if (name.endsWith(QLatin1String("-inactive"))) {
        // Grey, and fainter: the pane cannot run.
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int a = qAlpha(line[x]);
                const int g = qGray(line[x]);
                line[x] = qRgba(g * 6 / 10, g * 6 / 10, g * 6 / 10, a * 6 / 10);
            }
        }
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace importers
