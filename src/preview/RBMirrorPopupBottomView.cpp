#include "preview/RBMirrorPopupBottomView.h"

#include <QPainter>

void RBMirrorPopupBottomView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.fillRect(QRect(0, 0, width(), 1), QColor::fromRgbF(0.75, 0.75, 0.75, 1));
}
