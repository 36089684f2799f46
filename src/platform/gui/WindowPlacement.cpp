#include "platform/gui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace platform {

QRect placedWindowRect(QSize preferred, const QRect& available, const QRect& owner)
{
    if (available.isEmpty())
        return QRect(owner.isEmpty() ? QPoint() : owner.center() - QPoint(preferred.width() / 2, preferred.height() / 2), preferred);
    const QSize size = preferred.boundedTo(available.size());
    QRect rect(QPoint(), size);
    rect.moveCenter(owner.isEmpty() ? available.center() : owner.center());
    rect.moveLeft(std::clamp(rect.left(), available.left(), available.right() + 1 - size.width()));
    rect.moveTop(std::clamp(rect.top(), available.top(), available.bottom() + 1 - size.height()));
    return rect;
}

void placeWindow(QWidget* window, QSize preferred, const QWidget* owner)
{
    if (!window)
        return;
    const QWidget* ownerWindow = owner ? owner->window() : nullptr;
    QScreen* screen = ownerWindow && ownerWindow->screen() ? ownerWindow->screen() : window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    const QRect ownerFrame = ownerWindow && ownerWindow->isVisible() ? ownerWindow->frameGeometry() : QRect();
    // The frame adds to the size; its size is known only once the window is shown.
    const QSize frame = window->isVisible() ? window->frameGeometry().size() - window->size() : QSize(0, 0);
    const QSize wanted = preferred.expandedTo(window->minimumSize());
    const QRect placed = placedWindowRect(wanted + frame, available, ownerFrame);
    window->resize(placed.size() - frame);
    window->move(placed.topLeft());
}

QRect cascadedWindowRect(QRect rect, const QList<QPoint>& taken, const QRect& available, int step)
{
    constexpr int kNear = 4;
    auto isTaken = [&taken](QPoint corner) {
        return std::any_of(taken.cbegin(), taken.cend(), [corner](QPoint other) {
            return std::abs(other.x() - corner.x()) <= kNear && std::abs(other.y() - corner.y()) <= kNear;
        });
    };
    const QRect start = rect;
    bool wrapped = false;
    // Each step moves the corner on; the number of steps is bounded by the windows there are.
    for (qsizetype tries = 0; tries <= taken.size() + 1 && isTaken(rect.topLeft()); ++tries) {
        QRect next = rect.translated(step, step);
        if (!available.isEmpty() && (next.right() > available.right() || next.bottom() > available.bottom())) {
            if (wrapped)
                return start;
            wrapped = true;
            next.moveTopLeft(available.topLeft());
        }
        rect = next;
    }
    return isTaken(rect.topLeft()) ? start : rect;
}

void cascadeWindow(QWidget* window, const QList<QWidget*>& others)
{
    if (!window)
        return;
    QList<QPoint> taken;
    for (const QWidget* other : others)
        if (other && other != window && other->isVisible())
            taken << other->pos();
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    window->move(cascadedWindowRect(QRect(window->pos(), window->frameGeometry().size()), taken, available).topLeft());
}

} // namespace platform
