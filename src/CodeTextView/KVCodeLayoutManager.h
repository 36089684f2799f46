#pragma once

#include "CodeTextView/SyntaxColouring.h"

#include <QColor>
#include <QHash>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextLayout>

class KVCodeTextView;
class QPainter;

// The display side of the text view's layout: colours set on the laid-out lines (never on the
// text, so they touch neither the document, its modified state nor the undo history), and the
// marks drawn for spaces and tabs.
class KVCodeLayoutManager {
public:
    explicit KVCodeLayoutManager(KVCodeTextView* textView);
    // Drops the text view; later calls do nothing.
    void cleanup();
    KVCodeTextView* textView() const;

    // Replaces the display colours of `coloured.range` with its spans.
    void setColours(const syntax::ColouredRange& coloured,
                    const QHash<QString, QTextCharFormat>& formats);
    // The display colour at a character location (invalid when plain).
    QColor colourAt(qsizetype location) const;

    // The selection as a character range (the glyph range of a plain-text view).
    platform::TextRange selectionGlyphRange() const;

    // Draws the marks of spaces ("·") and tabs ("¬") of the visible lines: all of them when the
    // view shows invisible characters, else those in the selection.
    void drawInvisibles(QPainter& painter) const;

    // `formats` without anything in [from, to) of a line; formats crossing the cut are split.
    static QList<QTextLayout::FormatRange> cutFormats(const QList<QTextLayout::FormatRange>& formats,
                                                      int from, int to);

private:
    QPointer<KVCodeTextView> m_textView;
};
