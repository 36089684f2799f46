#include "platform/Debounce.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

namespace {
QString timerName(const QString& key)
{
    return QStringLiteral("debounce:") + key;
}

QTimer* pendingTimer(const QObject* receiver, const QString& key)
{
    return receiver ? receiver->findChild<QTimer*>(timerName(key), Qt::FindDirectChildrenOnly) : nullptr;
}
} // namespace

void debounce(QObject* receiver, const QString& key, double seconds, std::function<void()> fn)
{
    if (!receiver)
        return;
    cancelDebounce(receiver, key);
    // The pending call is a child of the receiver: it needs no registry and cannot outlive it.
    auto* timer = new QTimer(receiver);
    timer->setObjectName(timerName(key));
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, receiver, [timer, fn = std::move(fn)] {
        // No longer pending: a debounce from fn starts anew, and fn may destroy the receiver.
        timer->setObjectName(QString());
        timer->setParent(nullptr);
        timer->deleteLater();
        auto call = fn;
        call();
    });
    // Delays come from project settings too: a huge or broken one waits as long as a timer can
    // (24 days) instead of wrapping round to some other delay.
    const double ms = std::isnan(seconds) ? 0.0 : std::clamp(seconds * 1000.0, 0.0, double(std::numeric_limits<int>::max()));
    timer->start(int(std::llround(ms)));
}

void cancelDebounce(QObject* receiver, const QString& key)
{
    while (QTimer* timer = pendingTimer(receiver, key)) {
        timer->stop();
        timer->setObjectName(QString());
        timer->deleteLater();
    }
}

bool isDebouncePending(const QObject* receiver, const QString& key)
{
    return pendingTimer(receiver, key) != nullptr;
}

} // namespace platform
