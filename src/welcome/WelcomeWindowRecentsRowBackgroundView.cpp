#include "welcome/WelcomeWindowRecentsRowBackgroundView.h"

#include "platform/gui/ColorExtras.h"

#include <QPainter>

namespace welcome {

WelcomeWindowRecentsRowBackgroundView::WelcomeWindowRecentsRowBackgroundView(QWidget* parent)
    : QWidget(parent)
{
}

void WelcomeWindowRecentsRowBackgroundView::setRowState(WelcomeWindowRecentsRowState state)
{
    m_state = state;
    for (QObject* child : children())
        if (auto* follower = dynamic_cast<WelcomeWindowRowSelectionProtocol*>(child))
            follower->setRowState(state);
    update();
}

void WelcomeWindowRecentsRowBackgroundView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_state == WelcomeWindowRecentsRowState::Selected
                                 ? platform::colorWithHexColorString(QStringLiteral("28affa"))
                                 : QColor(Qt::white));
}

void WelcomeWindowRecentsRowBackgroundView::resizeEvent(QResizeEvent*)
{
    // The row's cell fills it.
    for (QObject* child : children())
        if (auto* widget = qobject_cast<QWidget*>(child))
            widget->setGeometry(rect());
}

} // namespace welcome
