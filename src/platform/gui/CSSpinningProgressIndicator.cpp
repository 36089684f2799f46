#include "platform/gui/CSSpinningProgressIndicator.h"

#include <QEasingCurve>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kTurnMilliseconds = 1200;
constexpr int kSpokes = 12;
} // namespace

CSSpinningProgressIndicator::CSSpinningProgressIndicator(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setup();
}

CSSpinningProgressIndicator::CSSpinningProgressIndicator(const QRect& frame, QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setGeometry(frame);
    setup();
}

QImage CSSpinningProgressIndicator::spinnerImage(int points)
{
    const double scale = 2.0;
    const int side = std::max(1, int(points * scale));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(side / 2.0, side / 2.0);
    const double radius = side / 2.0;
    QPen pen(QColor(0x55, 0x55, 0x5A));
    pen.setWidthF(std::max(1.0, radius * 0.22));
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
        // The spoke at the top is darkest; the others fade behind it in the turning direction.
        QColor colour = pen.color();
        colour.setAlphaF(0.15 + 0.85 * double(kSpokes - i) / kSpokes);
        pen.setColor(colour);
        p.setPen(pen);
        p.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.85));
        p.rotate(-360.0 / kSpokes);
    }
    p.end();
    image.setDevicePixelRatio(scale);
    return image;
}

void CSSpinningProgressIndicator::setup()
{
    if (!m_hasLayer) {
        m_hasLayer = true;
        m_layerRect = rect();
        m_image = spinnerImage(std::max(m_layerRect.width(), m_layerRect.height()));
    }
    if (m_animation)
        return;
    auto* turn = new QVariantAnimation(this);
    turn->setStartValue(0.0);
    turn->setEndValue(-360.0);
    turn->setDuration(kTurnMilliseconds);
    turn->setEasingCurve(QEasingCurve::InOutQuad);
    turn->setLoopCount(-1);
    connect(turn, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_rotation = value.toDouble();
        update();
    });
    m_animation = turn;
    turn->start();
}

int CSSpinningProgressIndicator::animationCount() const
{
    return m_animation ? 1 : 0;
}

void CSSpinningProgressIndicator::setVisible(bool visible)
{
    setup();
    QWidget::setVisible(visible);
}

void CSSpinningProgressIndicator::paintEvent(QPaintEvent*)
{
    if (!m_hasLayer || m_layerRect.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(m_layerRect).center();
    p.translate(centre);
    p.rotate(m_rotation);
    p.translate(-centre);
    p.drawImage(QRectF(m_layerRect), m_image);
}

void CSSpinningProgressIndicator::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void CSSpinningProgressIndicator::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void CSSpinningProgressIndicator::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}
