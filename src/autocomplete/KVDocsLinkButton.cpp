#include "autocomplete/KVDocsLinkButton.h"

#include "platform/gui/ColorExtras.h"

#include <QPainter>

KVDocsLinkButton::KVDocsLinkButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Open the documentation"));
}

void KVDocsLinkButton::setImages(const QImage& image, const QImage& pressedImage)
{
    m_image = image;
    m_pressedImage = pressedImage;
    update();
}

void KVDocsLinkButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgbF(0.06f, 0.07f, 0.08f));
    p.fillRect(QRectF(0, 0, 1, height()), platform::colorWithHexColorString(QStringLiteral("272729")));
    const QImage& shown = isDown() && !m_pressedImage.isNull() ? m_pressedImage : m_image;
    if (shown.isNull())
        return;
    const QSizeF size = shown.deviceIndependentSize();
    p.drawImage(QRectF((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height()), shown);
}
