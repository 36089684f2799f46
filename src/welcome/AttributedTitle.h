#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;
class QRectF;

namespace welcome {

// A one-style text with the attributes the drawn controls give their titles.
struct AttributedTitle {
    QString text;
    QColor foreground = Qt::black;
    QFont font;
    double kerning = 0;                 // extra points between letters
    QColor background = Qt::transparent;
    Qt::Alignment alignment = Qt::AlignHCenter;
    double maximumLineHeight = 0;       // 0: the font's own line height

    bool isEmpty() const { return text.isEmpty(); }
};

// Draws the title into `rect`, lines centred vertically as a button centres its title, each
// line aligned horizontally by the title's alignment, with smooth (anti-aliased) text.
void drawAttributedTitle(QPainter& painter, const QRectF& rect, const AttributedTitle& title);

// The width the title needs on one line (its widest line).
double attributedTitleWidth(const AttributedTitle& title);

} // namespace welcome
