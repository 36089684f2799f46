#include "welcome/DraggableImageView.h"

#include "welcome/WindowDrag.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace welcome {

DraggableImageView::DraggableImageView(const QRect& frame, QWidget* parent)
    : QWidget(parent)
{
    setGeometry(frame);
}

void DraggableImageView::setImage(const QImage& image)
{
    m_image = image;
    update();
}

void DraggableImageView::setCornerRadius(double radius)
{
    m_cornerRadius = radius;
    update();
}

void DraggableImageView::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (m_cornerRadius > 0) {
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
        painter.setClipPath(clip);
    }
    // Scaled down proportionally to fit, never up, centred.
    QSizeF size = m_image.deviceIndependentSize();
    if (size.width() > width() || size.height() > height())
        size.scale(QSizeF(this->size()), Qt::KeepAspectRatio);
    const QRectF target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height());
    painter.drawImage(target, m_image);
}

void DraggableImageView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && moveWindowByDragging(this))
        return event->accept();
    event->ignore();
}

} // namespace welcome
