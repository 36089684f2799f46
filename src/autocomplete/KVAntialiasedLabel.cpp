#include "autocomplete/KVAntialiasedLabel.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

KVAntialiasedLabel::KVAntialiasedLabel(const QString& title, const QFont& font, const QColor& textColor,
                                       const QColor& backgroundColor, Qt::Alignment textAlignment,
                                       double letterSpacing, QWidget* parent)
    : QAbstractButton(parent), m_font(font)
{
    configure();
    setTitle(title, textColor, backgroundColor, textAlignment, letterSpacing);
}

void KVAntialiasedLabel::configure()
{
    setFocusPolicy(Qt::NoFocus);
    setCheckable(false);
    // Every supported toolkit version draws smooth text, so smoothing is always on.
    m_antiAliasingEnabled = true;
}

void KVAntialiasedLabel::setAntiAliasingEnabled(bool enabled)
{
    m_antiAliasingEnabled = enabled;
    update();
}

void KVAntialiasedLabel::setLabelFont(const QFont& font)
{
    m_font = font;
    updateGeometry();
    update();
}

QFont KVAntialiasedLabel::titleFont() const
{
    QFont f = m_font;
    f.setLetterSpacing(QFont::AbsoluteSpacing, m_letterSpacing);
    return f;
}

void KVAntialiasedLabel::setTitle(const QString& title, const QColor& color, const QColor& backgroundColor,
                                  Qt::Alignment textAlignment, double letterSpacing)
{
    setText(title);
    m_textColor = color;
    m_backgroundColor = backgroundColor;
    m_alignment = textAlignment;
    m_letterSpacing = letterSpacing;
    updateGeometry();
    update();
}

double KVAntialiasedLabel::maximumLineHeight() const
{
    return 1.3 * m_font.pointSizeF();
}

double KVAntialiasedLabel::lineSpacing() const
{
    return 2 * m_font.pointSizeF();
}

QSize KVAntialiasedLabel::sizeHint() const
{
    const QFontMetricsF metrics(titleFont());
    return QSize(int(std::ceil(metrics.horizontalAdvance(text()))), int(std::ceil(metrics.height())));
}

void KVAntialiasedLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing, m_antiAliasingEnabled);
    if (m_backgroundColor.isValid() && m_backgroundColor.alpha() > 0)
        p.fillRect(rect(), m_backgroundColor);
    p.setFont(titleFont());
    p.setPen(m_textColor);
    p.drawText(rect(), int(m_alignment | Qt::AlignVCenter) | Qt::TextWordWrap, text());
}
