#include "CodeTextView/KVTextActionsDelegate.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/TextActionLinks.h"
#include "messages/NotificationName.h"
#include "platform/NotificationCenter.h"

#include <QEvent>

namespace {
// Posted by the application object as it goes to the back (spelled so).
const QString kApplicationWillResignActive = QStringLiteral("RBApplicationWillResignActiveNotifcation");
} // namespace

KVTextActionsDelegate::KVTextActionsDelegate() = default;

KVTextActionsDelegate::~KVTextActionsDelegate()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void KVTextActionsDelegate::showActionsInTextView(KVCodeTextView* textView)
{
    if (!textView)
        return;
    setupNotificationsForTextView(textView);
    if (m_textView && m_textView != textView)
        hideActions();
    m_textView = textView;
    m_textView->removeAllLinks();
    m_paintedLinks = textView->visibleLineRange();
    showTextActionsInTextView(textView, ActionLink::Module, m_paintedLinks);
    showTextActionsInTextView(textView, ActionLink::Image, m_paintedLinks);
}

void KVTextActionsDelegate::hideActionsInTextView(KVCodeTextView* textView)
{
    if (textView)
        m_textView = textView;
    hideActions();
}

void KVTextActionsDelegate::hideActions()
{
    m_paintedLinks = {platform::TextRange::kNotFound, 0};
    if (m_textView)
        m_textView->removeAllLinks();
}

void KVTextActionsDelegate::showTextActionsInTextView(KVCodeTextView* textView, int type, platform::TextRange range)
{
    const QString text = textView->string();
    for (const textactions::FoundLink& found : textactions::findLinks(text, range, type))
        textView->addLink(found.range, found.link.toVariant());
}

void KVTextActionsDelegate::setupNotificationsForTextView(KVCodeTextView* textView)
{
    // The window losing the focus is watched on the text view's current window.
    QWidget* window = textView->window();
    if (window != m_watchedWindow) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = window;
        if (window)
            window->installEventFilter(this);
    }
    if (m_notificationsHaveBeenSetup)
        return;
    m_notificationsHaveBeenSetup = true;
    auto& center = platform::NotificationCenter::defaultCenter();
    const auto hide = [this](const platform::Notification&) { hideActions(); };
    center.addObserver(kApplicationWillResignActive, nullptr, hide, this);
    center.addObserver(NotificationName::HideActions(), nullptr, hide, this);
    center.addObserver(KVCodeTextView::ResignFirstResponderNotification, nullptr, hide, this);
}

bool KVTextActionsDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedWindow && event->type() == QEvent::WindowDeactivate)
        hideActions();
    return false;
}
