#include "autocomplete/PopupGeometry.h"

#include <algorithm>
#include <cmath>

namespace autocomplete {

namespace {
constexpr double kMinimumWordColumn = 200;
constexpr double kDefaultFontSize = 12;
} // namespace

double columnMargin(std::optional<double> fontSize)
{
    return fontSize ? (*fontSize - 9) * 0.5 + 6 : 7.5;
}

QPointF windowOffset(std::optional<double> fontSize)
{
    const double f = fontSize.value_or(kDefaultFontSize);
    return {(f - 12) * 0.56 + 8, ((28 - f) / 19) * 12};
}

double descriptionHeight(double rowHeight)
{
    return rowHeight + 4;
}

double wordColumnWidth(double widestWord, double margin)
{
    return std::max(kMinimumWordColumn, widestWord + margin);
}

QSizeF contentSize(const ContentSizeInput& in)
{
    const double word = wordColumnWidth(in.widestWord, in.margin);
    const double type = in.widestType + in.margin;
    const qsizetype rows = std::min<qsizetype>(std::max<qsizetype>(in.itemCount, 0), in.maximumVisibleResults);
    const double width = std::ceil(word + in.margin + type + in.iconColumnWidth + in.margin);
    const double height = std::ceil(in.rowHeight * double(rows) + descriptionHeight(in.rowHeight));
    return {width, height};
}

Placement placePopup(const PlacementInput& in)
{
    const double b = in.borderWidth;
    const double d = in.descriptionHeight;
    const double listHeight = in.content.height() - d;
    const double height = (in.hasDescription ? in.content.height() : listHeight) + 2 * b;
    const QRectF screen = in.screen.isValid() ? in.screen : QRectF(in.line.left(), in.line.bottom(), in.content.width(), height);
    const double width = std::min(in.content.width(), screen.width());

    const double belowTop = in.line.bottom();
    const double aboveTop = in.line.top() - height;
    Placement p;
    if (belowTop + height <= screen.bottom())
        p.above = false;
    else if (aboveTop >= screen.top())
        p.above = true;
    else // room on neither side: the side with more of it, pushed onto the screen below
        p.above = in.line.top() - screen.top() > screen.bottom() - in.line.bottom();
    double top = p.above ? aboveTop : belowTop;
    top = std::clamp(top, screen.top(), std::max(screen.top(), screen.bottom() - height));
    double left = in.line.left() - in.offsetX;
    left = std::clamp(left, screen.left(), std::max(screen.left(), screen.right() - width));
    p.window = QRectF(left, top, width, height).toAlignedRect();
    p.window.setSize(QSize(int(std::ceil(width)), int(std::ceil(height))));

    if (!in.hasDescription) {
        p.list = QRectF(0, b, width, listHeight);
    } else if (p.above) {
        p.panel = QRectF(0, b, width, b + d);
        p.list = QRectF(0, b + d, width, listHeight);
    } else {
        p.list = QRectF(0, b, width, listHeight);
        p.panel = QRectF(0, b + listHeight, width, b + d);
    }
    return p;
}

int rowAfterMoveUp(int selectedRow, int rowCount)
{
    if (selectedRow < 1 || rowCount < selectedRow)
        return selectedRow;
    return selectedRow - 1;
}

int rowAfterMoveDown(int selectedRow, int rowCount)
{
    if (selectedRow + 1 >= rowCount)
        return selectedRow;
    return std::max(selectedRow + 1, 0);
}

double scrollTopToShowRow(int row, double rowHeight, double visibleHeight, double currentTop)
{
    const double y = row * rowHeight;
    if (y < currentTop)
        return y;
    if (y > currentTop + visibleHeight - rowHeight)
        return y - visibleHeight + rowHeight;
    return currentTop;
}

} // namespace autocomplete
