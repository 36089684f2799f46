#include "welcome/WelcomeTextButton.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

namespace welcome {

WelcomeTextButton::WelcomeTextButton(const QRect& frame, const QString& title, Style style, QWidget* parent)
    : QAbstractButton(parent)
    , m_style(std::move(style))
{
    setGeometry(frame);
    setCursor(Qt::ArrowCursor);
    setTitle(title);
    calculateWidth(m_style.widthMargin);
    watchParent();
}

void WelcomeTextButton::setTitle(const QString& title, const QColor& color, const QColor& backgroundColor)
{
    m_title.text = title;
    m_title.foreground = color;
    m_title.font = m_style.font;
    m_title.background = backgroundColor;
    m_title.alignment = m_style.alignment;
    m_title.kerning = m_style.kerning;
    QAbstractButton::setText(title);
    update();
}

void WelcomeTextButton::calculateWidth(double margin)
{
    const int width = int(std::ceil(attributedTitleWidth(m_title))) + int(std::ceil(margin));
    setGeometry(x(), y(), width, height());
}

void WelcomeTextButton::setCheckboxImage(const QImage& image)
{
    m_checkboxImage = image;
    update();
}

void WelcomeTextButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.fillRect(rect(), m_title.background);
    if (!m_style.checkboxFrame.isEmpty() && !m_checkboxImage.isNull())
        painter.drawImage(QRectF(m_style.checkboxFrame), m_checkboxImage);
    drawAttributedTitle(painter, rect(), m_title);
}

void WelcomeTextButton::watchParent()
{
    if (m_watchedParent == parentWidget())
        return;
    if (m_watchedParent)
        m_watchedParent->removeEventFilter(this);
    m_watchedParent = parentWidget();
    if (m_watchedParent)
        m_watchedParent->installEventFilter(this);
}

void WelcomeTextButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        watchParent();
    QAbstractButton::changeEvent(event);
}

bool WelcomeTextButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedParent && event->type() == QEvent::Resize)
        calculateWidth(m_style.widthMargin);
    return QAbstractButton::eventFilter(watched, event);
}

} // namespace welcome
