#include "autocomplete/KVAutoCompleteTableRowView.h"

#include <QPainter>

void KVAutoCompleteTableRowView::draw(QPainter& painter, const QRectF& rect, const QColor& windowColor,
                                      const QColor& activeColor, int barWidth) const
{
    painter.fillRect(rect, windowColor);
    if (!selected)
        return;
    painter.fillRect(rect, activeColor);
    if (typeColorHighlight.isValid())
        painter.fillRect(QRectF(rect.left() + 1, rect.top(), barWidth, rect.height()), typeColorHighlight);
}
