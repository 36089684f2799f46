#include "autocomplete/KVAutoCompleteTextField.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {
// Words are drawn from at most this many characters: the cell shows a few dozen, and shaping
// a word of thousands of characters on every paint would slow the list down.
constexpr qsizetype kMaxDrawnCharacters = 400;
}

void KVAutoCompleteTextField::setRowState(unsigned state)
{
    if (state == Selected)
        m_textColor = activeColor.isValid() ? activeColor : m_fallbackActive;
    else if (state == NotSelected)
        m_textColor = normalColor.isValid() ? normalColor : m_fallbackNormal;
}

void KVAutoCompleteTextField::draw(QPainter& painter, const QRectF& cell) const
{
    const QRectF area = cell.adjusted(leftConstraint, topConstraint, 0, 0);
    if (area.width() <= 0)
        return;
    const QFontMetricsF metrics(font);
    const QString shown = metrics.elidedText(text.left(kMaxDrawnCharacters), Qt::ElideRight, area.width());
    painter.setFont(font);
    const int flags = int(alignment | Qt::AlignVCenter) | Qt::TextSingleLine;
    const qsizetype prefix = qMin(highlightedPrefix, shown.size());
    if (prefix <= 0 || !(alignment & Qt::AlignLeft)) {
        painter.setPen(m_textColor);
        painter.drawText(area, flags, shown);
        return;
    }
    const QString typed = shown.left(prefix);
    painter.setPen(Qt::white);
    painter.drawText(area, flags, typed);
    painter.setPen(m_textColor);
    painter.drawText(area.adjusted(metrics.horizontalAdvance(typed), 0, 0, 0), flags, shown.mid(prefix));
}
