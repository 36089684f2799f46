#include "autocomplete/KVAutoCompleteIconView.h"

#include <QPainter>

void KVAutoCompleteIconView::setRowState(unsigned state)
{
    if (state == Selected && m_selected)
        m_image = m_selected(type);
    else if (state == NotSelected && m_tinted)
        m_image = m_tinted(type);
}

void KVAutoCompleteIconView::draw(QPainter& painter, const QRectF& cell) const
{
    if (m_image.isNull())
        return;
    const QSizeF size = m_image.deviceIndependentSize();
    const QRectF target(cell.center().x() - size.width() / 2, cell.center().y() - size.height() / 2,
                        size.width(), size.height());
    painter.drawImage(target, m_image);
}
