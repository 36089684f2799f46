#include "welcome/AntiAliasedLabel.h"

#include "welcome/SystemFont.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace welcome {

double modulate(double value, const QList<double>& from, const QList<double>& to, bool limit)
{
    if (from.size() < 2 || to.size() < 2 || from[1] == from[0])
        return value;
    double result = to[0] + (value - from[0]) * (to[1] - to[0]) / (from[1] - from[0]);
    if (limit)
        result = std::clamp(result, std::min(to[0], to[1]), std::max(to[0], to[1]));
    return result;
}

AntiAliasedLabel::AntiAliasedLabel(const QRect& frame, const QString& title, const QFont& font,
                                   const QColor& textColor, const QColor& backgroundColor,
                                   Qt::Alignment textAlignment, std::optional<double> letterSpacing,
                                   QWidget* parent)
    : QWidget(parent)
    , m_font(font)
{
    setGeometry(frame);
    setFocusPolicy(Qt::NoFocus);
    setTitle(title, textColor, backgroundColor, textAlignment, letterSpacing);
}

void AntiAliasedLabel::setTitle(const QString& title, const QColor& color, const QColor& backgroundColor,
                                Qt::Alignment textAlignment, std::optional<double> letterSpacing)
{
    m_title.text = title;
    m_title.foreground = color;
    m_title.font = m_font;
    m_title.kerning = letterSpacing ? *letterSpacing : modulate(fontSizeInPoints(m_font), {12, 36}, {0.4, 0.9}, true);
    m_title.background = backgroundColor;
    m_title.alignment = textAlignment;
    m_title.maximumLineHeight = fontSizeInPoints(m_font) * 1.3;
    update();
}

void AntiAliasedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_title.background.alpha() > 0)
        painter.fillRect(rect(), m_title.background);
    drawAttributedTitle(painter, rect(), m_title);
}

// Ignored events travel on to the parent, so the view behind the label gets the click.
void AntiAliasedLabel::mousePressEvent(QMouseEvent* event) { event->ignore(); }
void AntiAliasedLabel::mouseMoveEvent(QMouseEvent* event) { event->ignore(); }
void AntiAliasedLabel::mouseReleaseEvent(QMouseEvent* event) { event->ignore(); }

} // namespace welcome
