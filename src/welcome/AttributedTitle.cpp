#include "welcome/AttributedTitle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStringList>

#include <algorithm>

namespace welcome {

namespace {

QFont spacedFont(const AttributedTitle& title)
{
    QFont font = title.font;
    font.setLetterSpacing(QFont::AbsoluteSpacing, title.kerning);
    return font;
}

} // namespace

void drawAttributedTitle(QPainter& painter, const QRectF& rect, const AttributedTitle& title)
{
    if (title.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFont font = spacedFont(title);
    const QFontMetricsF metrics(font);
    const QStringList lines = title.text.split(QLatin1Char('\n'));
    double lineHeight = metrics.lineSpacing();
    if (title.maximumLineHeight > 0)
        lineHeight = std::min(lineHeight, title.maximumLineHeight);
    const double total = lineHeight * lines.size();
    double y = rect.top() + (rect.height() - total) / 2;
    painter.setFont(font);
    for (const QString& line : lines) {
        const double width = metrics.horizontalAdvance(line);
        double x = rect.left() + (rect.width() - width) / 2;
        if (title.alignment & Qt::AlignLeft)
            x = rect.left();
        else if (title.alignment & Qt::AlignRight)
            x = rect.right() - width;
        const QRectF lineRect(x, y, width, lineHeight);
        if (title.background.alpha() > 0)
            painter.fillRect(lineRect, title.background);
        painter.setPen(title.foreground);
        // Baseline placed so the ascent and descent share the (possibly limited) line height.
        const double baseline = y + (lineHeight + metrics.ascent() - metrics.descent()) / 2;
        painter.drawText(QPointF(x, baseline), line);
        y += lineHeight;
    }
    painter.restore();
}

double attributedTitleWidth(const AttributedTitle& title)
{
    const QFontMetricsF metrics(spacedFont(title));
    double width = 0;
    for (const QString& line : title.text.split(QLatin1Char('\n')))
        width = std::max(width, metrics.horizontalAdvance(line));
    return width;
}

} // namespace welcome
