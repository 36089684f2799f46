#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QVector>

#include <optional>

namespace platform {

// A path as a list of drawing elements, converted to a painter path that is always closed.
struct BezierElement {
    enum Kind { MoveTo, LineTo, CurveTo, Close };
    Kind kind;
    QPointF points[3]; // CurveTo: control 1, control 2, end; MoveTo/LineTo: points[0]
};

// No path for no elements; otherwise the elements in order, closed at the end when the last
// drawing element left it open.
std::optional<QPainterPath> quartzPath(const QVector<BezierElement>& elements);

} // namespace platform
