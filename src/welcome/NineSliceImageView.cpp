#include "welcome/NineSliceImageView.h"

#include <QPainter>

namespace welcome {

NineSliceImageView::NineSliceImageView(const QRect& frame, const QImage& image,
                                       const platform::TMEdgeInsets& insets, QWidget* parent)
    : QWidget(parent)
    , m_image(image)
    , m_insets(insets)
{
    setGeometry(frame);
}

void NineSliceImageView::setImage(const QImage& image)
{
    m_image = image;
    update();
}

void NineSliceImageView::setInsets(const platform::TMEdgeInsets& insets)
{
    m_insets = insets;
    update();
}

void NineSliceImageView::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    platform::drawInRectWithCapInsets(painter, m_image, QRectF(rect()), m_insets);
}

} // namespace welcome
