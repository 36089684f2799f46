#include "welcome/WelcomeWindowBackgroundView.h"

#include "platform/gui/ColorExtras.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

namespace welcome {

WelcomeWindowBackgroundView::WelcomeWindowBackgroundView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void WelcomeWindowBackgroundView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(event->rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(rect()), 8, 8);
    painter.fillPath(panel, platform::colorWithHexColorString(QStringLiteral("19191B")));
}

} // namespace welcome
