#include "welcome/ViewAnimations.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QPropertyAnimation>
#include <QTimer>
#include <QWidget>

namespace welcome {

void afterDelay(QWidget* context, double seconds, std::function<void()> step)
{
    QTimer::singleShot(int(seconds * 1000), context, std::move(step));
}

void fadeIn(QWidget* widget, double delay, double duration, QEasingCurve curve)
{
    auto* effect = new QGraphicsOpacityEffect(widget);
    effect->setOpacity(0);
    widget->setGraphicsEffect(effect);
    afterDelay(widget, delay, [widget, effect, duration, curve] {
        auto* animation = new QPropertyAnimation(effect, "opacity", widget);
        animation->setDuration(int(duration * 1000));
        animation->setStartValue(0.0);
        animation->setEndValue(1.0);
        animation->setEasingCurve(curve);
        // Without the effect the widget draws directly again (and faster).
        QObject::connect(animation, &QPropertyAnimation::finished, widget,
                         [widget] { widget->setGraphicsEffect(nullptr); });
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    });
}

void fadeOutAndDelete(QWidget* widget, double duration, QEasingCurve curve)
{
    auto* effect = new QGraphicsOpacityEffect(widget);
    effect->setOpacity(1);
    widget->setGraphicsEffect(effect);
    auto* animation = new QPropertyAnimation(effect, "opacity", widget);
    animation->setDuration(int(duration * 1000));
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    animation->setEasingCurve(curve);
    QObject::connect(animation, &QPropertyAnimation::finished, widget, [widget] { widget->deleteLater(); });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void slideIn(QWidget* widget, QPoint from, double duration, std::function<void()> finished)
{
    const QPoint to = widget->pos();
    widget->move(from);
    auto* animation = new QPropertyAnimation(widget, "pos", widget);
    animation->setDuration(int(duration * 1000));
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    if (finished)
        QObject::connect(animation, &QPropertyAnimation::finished, widget, std::move(finished));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace welcome
