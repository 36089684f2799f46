#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

// Sends a mouse event with the left button straight to a widget, positions in its coordinates.
// (Left-button moves carry the held button, as a drag does.)
inline void sendMouse(QWidget* widget, QEvent::Type type, QPoint position)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(position), widget->mapToGlobal(QPointF(position)), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

inline void clickWidget(QWidget* widget, QPoint position)
{
    sendMouse(widget, QEvent::MouseButtonPress, position);
    sendMouse(widget, QEvent::MouseButtonRelease, position);
}
