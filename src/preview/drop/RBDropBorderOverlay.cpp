#include "preview/drop/RBDropBorderOverlay.h"

#include <QPainter>
#include <QPainterPath>

RBDropBorderOverlay::RBDropBorderOverlay(QWidget* window)
    : QWidget(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void RBDropBorderOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.strokePath(path, QPen(borderColor(), kLineWidth));
}
