#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>

#include <optional>

// The arithmetic of the completion popup: column margin, offsets, content size and where the
// window, its list and its description panel go. Pure functions in pixels, top-left origin.
namespace autocomplete {

// The margin around the list's columns; `fontSize` is the editor's stored font size, when set.
double columnMargin(std::optional<double> fontSize);
// How far the popup sits left of the word (x) and the vertical offset of the word's line (y);
// a font size that is not stored counts as 12.
QPointF windowOffset(std::optional<double> fontSize);
// The description panel's height for a list row height.
double descriptionHeight(double rowHeight);

struct ContentSizeInput {
    double widestWord = 0;   // the widest item word, measured
    double widestType = 0;   // the widest item type, measured
    double iconColumnWidth = 0; // 0 without an icon column
    double rowHeight = 0;
    qsizetype itemCount = 0;
    int maximumVisibleResults = 8;
    double margin = 7.5;     // columnMargin
};
// Width: the word column (at least 200), the type column and the icon column with their margins;
// height: the visible rows (at most maximumVisibleResults) and the description panel.
QSizeF contentSize(const ContentSizeInput& input);
double wordColumnWidth(double widestWord, double margin);

struct PlacementInput {
    QRectF line;             // the completion range's line, in screen coordinates: x at the word
    QSizeF content;          // from contentSize, description included
    double descriptionHeight = 0;
    double borderWidth = 1;
    bool hasDescription = true;
    QRectF screen;           // the available area of the screen that shows the word
    double offsetX = 0;      // windowOffset().x()
};
struct Placement {
    QRect window;            // screen coordinates
    QRectF list;             // inside the window
    QRectF panel;            // inside the window; empty when there is no description
    bool above = false;      // the popup is above the word (no room below it)
};
// Below the word's line, its left edge offsetX left of the word; above the line when the screen
// has no room below; never outside the screen. Below the word the panel is at the bottom, above
// it the panel is at the top, so that the list always stays next to the word.
Placement placePopup(const PlacementInput& input);

// Keyboard movement through the list: the row to select, or the same row when nothing moves.
int rowAfterMoveUp(int selectedRow, int rowCount);
int rowAfterMoveDown(int selectedRow, int rowCount);
// The top of the list's scroll position that shows `row` whole, scrolling as little as possible.
double scrollTopToShowRow(int row, double rowHeight, double visibleHeight, double currentTop);

} // namespace autocomplete
