#include "platform/gui/KeepAboveNewWindows.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace platform {

KeepAboveNewWindows::KeepAboveNewWindows(QWidget* question)
    : m_question(question)
{
    qApp->installEventFilter(this);
}

KeepAboveNewWindows::~KeepAboveNewWindows()
{
    qApp->removeEventFilter(this);
}

bool KeepAboveNewWindows::eventFilter(QObject* watched, QEvent* event)
{
    // A window that opens, is raised or is activated (as a project window is once its project
    // has loaded) would cover the question.
    const QEvent::Type type = event->type();
    if ((type != QEvent::Show && type != QEvent::ZOrderChange && type != QEvent::WindowActivate && type != QEvent::WinIdChange)
        || !m_question)
        return false;
    auto* window = qobject_cast<QWidget*>(watched);
    // Only plain windows: a later question, a menu or a tool tip belongs above the question.
    if (!window || window == m_question || window->windowType() != Qt::Window)
        return false;
    // Once the window has been mapped and has taken the focus, the question takes both back.
    QTimer::singleShot(0, m_question, [question = m_question] {
        if (question && question->isVisible()) {
            question->raise();
            question->activateWindow();
        }
    });
    return false;
}

} // namespace platform
