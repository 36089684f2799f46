#include "platform/gui/BezierPath.h"

namespace platform {

std::optional<QPainterPath> quartzPath(const QVector<BezierElement>& elements)
{
    if (elements.isEmpty())
        return std::nullopt;
    QPainterPath path;
    bool closed = true;
    for (const BezierElement& element : elements) {
        switch (element.kind) {
        case BezierElement::MoveTo:
            path.moveTo(element.points[0]);
            break;
        case BezierElement::LineTo:
            path.lineTo(element.points[0]);
            closed = false;
            break;
        case BezierElement::CurveTo:
            path.cubicTo(element.points[0], element.points[1], element.points[2]);
            closed = false;
            break;
        case BezierElement::Close:
            path.closeSubpath();
            closed = true;
            break;
        }
    }
    if (!closed)
        path.closeSubpath();
    return path;
}

} // namespace platform
