#pragma once

#include "CodeTextView/SyntaxColouring.h"

#include <QColor>
#include <QHash>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextBlock>
#include <QTextLayout>

#include <functional>

class KVCodeLayoutManagerDelegate;
class KVCodeTextView;
class QPainter;

// The display side of the text view's layout: colours set on the laid-out lines (never on the
// text, so they touch neither the document, its modified state nor the undo history), the
// marks drawn for spaces and tabs, and temporary attributes: named marks over character
// ranges that change only how the text is drawn, as the delegate decides. Colouring a range
// again replaces its temporary attributes.
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
    // The colouring's own colour there, as drawn without temporary attributes.
    QColor baseColourAt(qsizetype location) const;

    // Temporary attributes. Ranges are clamped to the text; marks follow the characters they
    // were set on only until the characters' line is coloured again.
    KVCodeLayoutManagerDelegate* delegate() const { return m_delegate; }
    void setDelegate(KVCodeLayoutManagerDelegate* delegate) { m_delegate = delegate; }
    void addTemporaryAttribute(const QString& name, const QVariant& value, platform::TextRange range);
    void removeTemporaryAttribute(const QString& name, platform::TextRange range);
    // Gives the text of `range` the mark `name` = `value`, but for the `holes` (they may overlap
    // or repeat), which lose the mark; text outside `range` keeps its marks. Lines whose marks
    // are already so are left alone, neither laid out again nor redrawn, so that moving the
    // mark from some lines to others costs only those lines. Answers how many lines changed.
    qsizetype setTemporaryAttributeExcept(const QString& name, const QVariant& value, platform::TextRange range,
                                          QList<platform::TextRange> holes);
    // The marks at a character (empty when none) and, optionally, the range within its line over
    // which they are the same.
    QVariantMap temporaryAttributesAtCharacterIndex(qsizetype location,
                                                    platform::TextRange* effectiveRange = nullptr) const;
    // Asks the delegate again how the marked text of the range is drawn, and repaints it.
    void invalidateDisplayForCharacterRange(platform::TextRange range);

    // The selection as a character range (the glyph range of a plain-text view).
    platform::TextRange selectionGlyphRange() const;

    // Draws the marks of spaces ("·") and tabs ("¬") of the visible lines: all of them when the
    // view shows invisible characters, else those in the selection.
    void drawInvisibles(QPainter& painter) const;

    // `formats` without anything in [from, to) of a line; formats crossing the cut are split.
    static QList<QTextLayout::FormatRange> cutFormats(const QList<QTextLayout::FormatRange>& formats,
                                                      int from, int to);

private:
    using Edit = std::function<void(QVariantMap&)>;
    // Edits the marks of each piece of a line with one format; `edit` gets the piece's start.
    using PieceEdit = std::function<void(int, QVariantMap&)>;
    void editTemporaryAttributes(platform::TextRange range, const Edit& edit);
    // Edits the marks of [a, b) of one line, cut at `cuts` too, and sets how the line is drawn,
    // without telling the layout.
    void editLineTemporaryAttributes(QTextBlock block, int a, int b, QList<int> cuts, const PieceEdit& edit);
    void applyTemporaryAttributes(QTextBlock block);
    // Sets the drawn colour of the marked formats of a line's list as the delegate says.
    bool applyTemporaryAttributes(QList<QTextLayout::FormatRange>& list, qsizetype blockPosition);

    QPointer<KVCodeTextView> m_textView;
    KVCodeLayoutManagerDelegate* m_delegate = nullptr;
};
