#include "editor/BlinkVeil.h"

#include <QPainter>

BlinkVeil::BlinkVeil(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

bool BlinkVeil::isFlashing() const
{
    return m_animation && m_animation->state() == QAbstractAnimation::Running;
}

void BlinkVeil::flash(double from, double seconds)
{
    if (m_animation)
        m_animation->stop();
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    raise();
    m_opacity = from;
    show();
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(from);
    animation->setEndValue(0.0);
    animation->setDuration(int(seconds * 1000));
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_opacity = value.toDouble();
        update();
    });
    connect(animation, &QVariantAnimation::finished, this, [this] {
        m_opacity = 0;
        hide();
    });
    m_animation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void BlinkVeil::paintEvent(QPaintEvent*)
{
    if (m_opacity <= 0)
        return;
    QPainter p(this);
    p.setOpacity(m_opacity);
    p.fillRect(rect(), QColor::fromRgbF(1, 1, 1, 0.1f));
}
