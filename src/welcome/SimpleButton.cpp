#include "welcome/SimpleButton.h"

#include "welcome/SystemFont.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace welcome {

SimpleButton::SimpleButton(const QRect& frame, QWidget* parent)
    : QAbstractButton(parent)
{
    m_font = systemFontOfSize(13);
    setGeometry(frame);
    setFocusPolicy(Qt::NoFocus);
    updateLabel();
}

void SimpleButton::setTitle(const QString& title)
{
    m_title = title;
    updateLabel(SimpleButtonState::Normal);
}

void SimpleButton::setTitleFont(const std::optional<QFont>& font)
{
    if (!font)
        return;
    m_font = *font;
    updateLabel(SimpleButtonState::Normal);
}

void SimpleButton::setTitleColor(const std::optional<QColor>& color, SimpleButtonState state)
{
    if (state == SimpleButtonState::Pressed)
        m_titleColorPressed = color;
    else if (color)
        m_titleColor = *color;
    updateLabel(SimpleButtonState::Normal);
}

void SimpleButton::setBackgroundColor(const std::optional<QColor>& color, SimpleButtonState state)
{
    if (state == SimpleButtonState::Pressed) {
        m_backgroundColorPressed = color;
        return;
    }
    if (!color)
        return;
    m_backgroundColor = *color;
    m_layerColor = *color;
    updateLabel(SimpleButtonState::Normal);
}

void SimpleButton::setCornerRadius(double radius)
{
    m_cornerRadius = radius;
    update();
}

void SimpleButton::setButtonState(SimpleButtonState state)
{
    m_state = state;
    if (state == SimpleButtonState::Normal)
        m_layerColor = m_backgroundColor;
    else if (m_backgroundColorPressed)
        m_layerColor = *m_backgroundColorPressed;
    updateLabel(state);
}

void SimpleButton::updateLabel(SimpleButtonState state)
{
    const bool pressed = state == SimpleButtonState::Pressed;
    const QColor background = pressed && m_backgroundColorPressed ? *m_backgroundColorPressed : m_backgroundColor;
    const QColor titleColor = pressed && m_titleColorPressed ? *m_titleColorPressed : m_titleColor;
    applyTitle(m_title, titleColor, background, Qt::AlignHCenter);
}

void SimpleButton::applyTitle(const QString& title, const QColor& color, const QColor& background,
                              Qt::Alignment alignment)
{
    m_attributedTitle.text = title;
    m_attributedTitle.foreground = color;
    m_attributedTitle.font = m_font;
    m_attributedTitle.kerning = 0.4;
    m_attributedTitle.background = background;
    m_attributedTitle.alignment = alignment;
    m_attributedTitle.maximumLineHeight = 0;
    update();
}

void SimpleButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath face;
    face.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(face, m_layerColor);
    drawAttributedTitle(painter, rect(), m_attributedTitle);
}

void SimpleButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return event->ignore();
    setButtonState(SimpleButtonState::Pressed);
}

void SimpleButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const auto wanted = locationInButton(event->position().toPoint()) ? SimpleButtonState::Pressed
                                                                      : SimpleButtonState::Normal;
    if (wanted != m_state)
        setButtonState(wanted);
}

void SimpleButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return event->ignore();
    setButtonState(SimpleButtonState::Normal);
    if (locationInButton(event->position().toPoint()))
        Q_EMIT clicked();
}

} // namespace welcome
