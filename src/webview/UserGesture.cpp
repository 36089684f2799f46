#include "webview/UserGesture.h"

#include <QChildEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

UserGesture::UserGesture(QWidget* watched, QObject* parent)
    : QObject(parent)
{
    if (watched)
        watch(watched);
}

void UserGesture::watch(QObject* object)
{
    object->installEventFilter(this);
    for (QObject* child : object->children())
        if (child->isWidgetType())
            watch(child);
}

bool UserGesture::take()
{
    const bool waiting = m_waiting && m_since.isValid() && m_since.elapsed() <= TakeWithinMs;
    m_waiting = false;
    return waiting;
}

bool UserGesture::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (QObject* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType())
            watch(child);
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->isAutoRepeat())
            break;
        [[fallthrough]];
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
        // Only the window system makes these: a page's scripts cannot.
        m_waiting = true;
        m_since.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
