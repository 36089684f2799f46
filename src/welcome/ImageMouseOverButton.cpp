#include "welcome/ImageMouseOverButton.h"

#include "platform/Log.h"
#include "welcome/WelcomeImages.h"

#include <QMouseEvent>
#include <QPainter>

namespace welcome {

namespace {

QImage loadImage(const QString& name)
{
    QImage image = imageNamed(name);
    if (image.isNull())
        platform::Log::error(QStringLiteral("Welcome"), QStringLiteral("No image named \"%1\"").arg(name));
    return image;
}

} // namespace

ImageMouseOverButton::ImageMouseOverButton(const QRect& frame, const QString& defaultImageName,
                                           const QString& activeImageName, QWidget* parent)
    : QAbstractButton(parent)
    , m_defaultImage(loadImage(defaultImageName))
    , m_activeImage(loadImage(activeImageName))
{
    setGeometry(frame);
    setFocusPolicy(Qt::NoFocus);
}

void ImageMouseOverButton::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void ImageMouseOverButton::showActive(bool active)
{
    if (m_showingActive == active)
        return;
    m_showingActive = active;
    update();
}

void ImageMouseOverButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.fillRect(rect(), m_backgroundColor);
    const QImage image = shownImage();
    if (!image.isNull())
        painter.drawImage(QRectF(rect()), image);
}

void ImageMouseOverButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return event->ignore();
    showActive(true);
}

void ImageMouseOverButton::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        showActive(locationInButton(event->position().toPoint()));
}

void ImageMouseOverButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return event->ignore();
    showActive(false);
    if (locationInButton(event->position().toPoint()))
        Q_EMIT clicked();
}

} // namespace welcome
