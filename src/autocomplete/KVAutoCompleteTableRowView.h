#pragma once

#include <QColor>

class QPainter;
class QRectF;

// The background of one completion row: the window colour, or for the selected row the active
// colour with a thin bar in the type's colour at its left edge.
class KVAutoCompleteTableRowView {
public:
    QColor typeColorHighlight; // invalid: no bar
    bool selected = false;

    void draw(QPainter& painter, const QRectF& rect, const QColor& windowColor, const QColor& activeColor,
              int barWidth) const;
};
