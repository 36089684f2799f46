#include "CodeTextView/KVCodeLayoutManager.h"

#include "CodeTextView/KVCodeLayoutManagerDelegate.h"
#include "CodeTextView/KVCodeTextView.h"

#include <QPainter>
#include <QTextBlock>

#include <algorithm>

#include <cmath>

namespace {
// Marks are drawn for this many characters of a line at most, so that a line of a megabyte
// paints as fast as a short one.
constexpr int kMaxMarkedCharactersPerLine = 4000;

// Where a format of the layout keeps its temporary attributes and the colour it had before
// they changed how it is drawn.
constexpr int kTemporaryAttributesProperty = QTextFormat::UserProperty + 0x5A0;
constexpr int kBaseForegroundProperty = QTextFormat::UserProperty + 0x5A1;
constexpr int kBaseIsPlainProperty = QTextFormat::UserProperty + 0x5A2;

void restoreBaseForeground(QTextCharFormat& format)
{
    if (format.hasProperty(kBaseForegroundProperty))
        format.setForeground(format.property(kBaseForegroundProperty).value<QBrush>());
    else if (format.hasProperty(kBaseIsPlainProperty))
        format.clearForeground();
}

void rememberBaseForeground(QTextCharFormat& format)
{
    if (format.hasProperty(kBaseForegroundProperty) || format.hasProperty(kBaseIsPlainProperty))
        return;
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        format.setProperty(kBaseForegroundProperty, QVariant::fromValue(format.foreground()));
    else
        format.setProperty(kBaseIsPlainProperty, true);
}

// Calls `visit(block, a, b)` for each line that the text range [from, to) touches, with the
// part of the line inside the range as offsets in the line (its line break left out); lines
// where that part is empty are skipped.
template <typename Visit>
void forEachLinePart(QTextDocument* doc, qsizetype from, qsizetype to, Visit visit)
{
    for (QTextBlock block = doc->findBlock(int(from)); block.isValid(); block = block.next()) {
        const qsizetype start = block.position();
        if (start >= to)
            break;
        const int textLength = block.length() - 1;
        const int a = int(qMax(from, start) - start);
        const int b = int(qMin<qsizetype>(to, start + textLength) - start);
        if (b > a)
            visit(block, a, b);
    }
}

} // namespace

KVCodeLayoutManager::KVCodeLayoutManager(KVCodeTextView* textView) : m_textView(textView) {}

void KVCodeLayoutManager::cleanup()
{
    m_textView = nullptr;
}

KVCodeTextView* KVCodeLayoutManager::textView() const
{
    return m_textView;
}

QList<QTextLayout::FormatRange> KVCodeLayoutManager::cutFormats(
    const QList<QTextLayout::FormatRange>& formats, int from, int to)
{
    QList<QTextLayout::FormatRange> kept;
    for (const auto& f : formats) {
        const int end = f.start + f.length;
        if (end <= from || f.start >= to) {
            kept.append(f);
            continue;
        }
        if (f.start < from)
            kept.append({f.start, from - f.start, f.format});
        if (end > to)
            kept.append({to, end - to, f.format});
    }
    return kept;
}

void KVCodeLayoutManager::setColours(const syntax::ColouredRange& coloured,
                                     const QHash<QString, QTextCharFormat>& formats)
{
    if (!m_textView)
        return;
    QTextDocument* doc = m_textView->document();
    const qsizetype from = coloured.range.location;
    const qsizetype to = coloured.range.end();
    qsizetype spanIndex = 0;
    const auto& spans = coloured.spans;
    for (QTextBlock block = doc->findBlock(int(from)); block.isValid(); block = block.next()) {
        const qsizetype start = block.position();
        const qsizetype textEnd = start + block.length() - 1;
        if (start > to)
            break;
        const int a = int(qMax(from, start) - start);
        const int b = int(qMin(to, textEnd) - start);
        QList<QTextLayout::FormatRange> list = cutFormats(block.layout()->formats(), a, qMax(a, b));
        while (spanIndex < spans.size() && spans[spanIndex].location < textEnd) {
            const auto& span = spans[spanIndex];
            const qsizetype s = qMax(span.location, start);
            const qsizetype e = qMin(span.location + span.length, textEnd);
            if (e > s) {
                const auto it = formats.constFind(span.category);
                if (it != formats.cend())
                    list.append({int(s - start), int(e - s), *it});
            }
            if (span.location + span.length > textEnd)
                break; // the span goes on in the next line
            ++spanIndex;
        }
        block.layout()->setFormats(list);
        if (to <= textEnd)
            break;
    }
    doc->markContentsDirty(int(from), int(qMax<qsizetype>(1, to - from)));
}

QColor KVCodeLayoutManager::colourAt(qsizetype location) const
{
    if (!m_textView)
        return {};
    const QTextBlock block = m_textView->document()->findBlock(int(location));
    if (!block.isValid())
        return {};
    const int offset = int(location - block.position());
    QColor colour;
    for (const auto& f : block.layout()->formats()) {
        if (offset >= f.start && offset < f.start + f.length && f.format.hasProperty(QTextFormat::ForegroundBrush))
            colour = f.format.foreground().color();
    }
    return colour;
}

QColor KVCodeLayoutManager::baseColourAt(qsizetype location) const
{
    if (!m_textView)
        return {};
    const QTextBlock block = m_textView->document()->findBlock(int(location));
    if (!block.isValid())
        return {};
    const int offset = int(location - block.position());
    QColor colour;
    for (const auto& f : block.layout()->formats()) {
        if (offset < f.start || offset >= f.start + f.length)
            continue;
        if (f.format.hasProperty(kBaseForegroundProperty))
            colour = f.format.property(kBaseForegroundProperty).value<QBrush>().color();
        else if (f.format.hasProperty(kBaseIsPlainProperty))
            colour = QColor();
        else if (f.format.hasProperty(QTextFormat::ForegroundBrush))
            colour = f.format.foreground().color();
    }
    return colour;
}

platform::TextRange KVCodeLayoutManager::selectionGlyphRange() const
{
    return m_textView ? m_textView->selectedRange() : platform::TextRange{};
}

void KVCodeLayoutManager::drawInvisibles(QPainter& painter) const
{
    if (!m_textView)
        return;
    const bool showAll = m_textView->showInvisibleCharacters();
    const platform::TextRange selection = selectionGlyphRange();
    if (!showAll && selection.length == 0)
        return;
    const QVariantMap plainAttributes = m_textView->invisibleCharacterAttributes();
    const QVariantMap selectedAttributes = m_textView->selectedInvisibleCharacterAttributes();
    const QFont textFont = m_textView->font();

    const int viewportHeight = m_textView->viewport()->height();
    for (QTextBlock block = m_textView->firstVisibleTextBlock(); block.isValid(); block = block.next()) {
        const QRectF blockRect = m_textView->textBlockRect(block);
        if (blockRect.top() > viewportHeight)
            break;
        if (!block.isVisible())
            continue;
        const QString text = block.text();
        const QTextLayout* layout = block.layout();
        for (int l = 0; l < layout->lineCount(); ++l) {
            const QTextLine line = layout->lineAt(l);
            const int end = qMin(line.textStart() + line.textLength(),
                                 line.textStart() + kMaxMarkedCharactersPerLine);
            for (int i = line.textStart(); i < end && i < text.size(); ++i) {
                const QChar c = text.at(i);
                if (c != u' ' && c != u'\t')
                    continue;
                const qsizetype location = block.position() + i;
                const bool selected = location >= selection.location && location < selection.end();
                if (!selected && !showAll)
                    continue;
                const QVariantMap& attributes = selected ? selectedAttributes : plainAttributes;
                if (attributes.isEmpty())
                    continue;
                const QFont markFont = attributes.value("font", QVariant::fromValue(textFont)).value<QFont>();
                const QColor colour = attributes.value("foreground").value<QColor>();
                painter.setFont(markFont);
                painter.setPen(colour);
                const qreal x = std::ceil(blockRect.left() + line.cursorToX(i));
                qreal baseline = blockRect.top() + line.y() + line.ascent();
                if (attributes.contains("font"))
                    baseline -= (textFont.pointSizeF() - markFont.pointSizeF()) * 0.5;
                painter.drawText(QPointF(x, std::ceil(baseline)),
                                 c == u'\t' ? QStringLiteral("\u00AC") : QStringLiteral("\u00B7"));
            }
        }
    }
}

void KVCodeLayoutManager::addTemporaryAttribute(const QString& name, const QVariant& value, platform::TextRange range)
{
    editTemporaryAttributes(range, [&](QVariantMap& attributes) { attributes.insert(name, value); });
}

void KVCodeLayoutManager::removeTemporaryAttribute(const QString& name, platform::TextRange range)
{
    editTemporaryAttributes(range, [&](QVariantMap& attributes) { attributes.remove(name); });
}

void KVCodeLayoutManager::editTemporaryAttributes(platform::TextRange range, const Edit& edit)
{
    if (!m_textView)
        return;
    QTextDocument* doc = m_textView->document();
    const qsizetype length = m_textView->textLength();
    const qsizetype from = qBound<qsizetype>(0, range.location, length);
    const qsizetype to = qBound<qsizetype>(from, range.location + qMax<qsizetype>(0, range.length), length);
    if (to <= from)
        return;
    forEachLinePart(doc, from, to, [&](QTextBlock block, int a, int b) {
        editLineTemporaryAttributes(block, a, b, {}, [&](int, QVariantMap& attributes) { edit(attributes); });
    });
    doc->markContentsDirty(int(from), int(to - from));
}

void KVCodeLayoutManager::editLineTemporaryAttributes(QTextBlock block, int a, int b, QList<int> cuts,
                                                      const PieceEdit& edit)
{
    const QList<QTextLayout::FormatRange> formats = block.layout()->formats();
    // Cut [a, b) into pieces over which the same format applies, then edit each piece's marks.
    cuts.append(a);
    cuts.append(b);
    for (const auto& f : formats) {
        if (f.start > a && f.start < b)
            cuts.append(f.start);
        if (f.start + f.length > a && f.start + f.length < b)
            cuts.append(f.start + f.length);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    QList<QTextLayout::FormatRange> list = cutFormats(formats, a, b);
    for (int i = 0; i + 1 < cuts.size(); ++i) {
        const int s = cuts[i];
        const int e = cuts[i + 1];
        if (s < a || e > b)
            continue;
        QTextCharFormat format;
        for (const auto& f : formats) {
            if (s >= f.start && s < f.start + f.length)
                format = f.format; // the later format wins, as in drawing
        }
        QVariantMap attributes = format.property(kTemporaryAttributesProperty).toMap();
        edit(s, attributes);
        if (attributes.isEmpty()) {
            restoreBaseForeground(format);
            format.clearProperty(kTemporaryAttributesProperty);
            format.clearProperty(kBaseForegroundProperty);
            format.clearProperty(kBaseIsPlainProperty);
            if (format.properties().isEmpty())
                continue;
        } else {
            rememberBaseForeground(format);
            format.setProperty(kTemporaryAttributesProperty, attributes);
        }
        list.append({s, e - s, format});
    }
    applyTemporaryAttributes(list, block.position());
    block.layout()->setFormats(list);
}

qsizetype KVCodeLayoutManager::setTemporaryAttributeExcept(const QString& name, const QVariant& value,
                                                           platform::TextRange range,
                                                           QList<platform::TextRange> holes)
{
    if (!m_textView)
        return 0;
    QTextDocument* doc = m_textView->document();
    const qsizetype length = m_textView->textLength();
    const qsizetype from = qBound<qsizetype>(0, range.location, length);
    const qsizetype to = qBound<qsizetype>(from, range.location + qMax<qsizetype>(0, range.length), length);
    if (to <= from)
        return 0;
    // The holes in order, merged, so that one walk down the lines meets each once.
    std::sort(holes.begin(), holes.end(),
              [](const platform::TextRange& x, const platform::TextRange& y) { return x.location < y.location; });
    QList<std::pair<qsizetype, qsizetype>> gaps;
    for (const platform::TextRange& hole : holes) {
        const qsizetype s = qBound(from, hole.location, to);
        const qsizetype e = qBound(s, hole.location + qMax<qsizetype>(0, hole.length), to);
        if (e <= s)
            continue;
        if (!gaps.isEmpty() && s <= gaps.last().second)
            gaps.last().second = qMax(gaps.last().second, e);
        else
            gaps.append({s, e});
    }

    qsizetype changed = 0;
    qsizetype gapIndex = 0;
    forEachLinePart(doc, from, to, [&](QTextBlock block, int a, int b) {
        const qsizetype start = block.position();
        // The gaps of this line, in line offsets.
        while (gapIndex < gaps.size() && gaps[gapIndex].second <= start + a)
            ++gapIndex;
        QList<std::pair<int, int>> lineGaps;
        for (qsizetype g = gapIndex; g < gaps.size() && gaps[g].first < start + b; ++g)
            lineGaps.append({int(qMax<qsizetype>(gaps[g].first - start, a)),
                             int(qMin<qsizetype>(gaps[g].second - start, b))});
        const auto inGap = [&](int offset) {
            for (const auto& gap : lineGaps) {
                if (offset >= gap.first && offset < gap.second)
                    return true;
            }
            return false;
        };

        // Is the line marked as asked already? Walk its pieces of one format.
        const QList<QTextLayout::FormatRange> formats = block.layout()->formats();
        QList<int> cuts;
        for (const auto& gap : lineGaps)
            cuts << gap.first << gap.second;
        QList<int> pieces = cuts;
        pieces << a << b;
        for (const auto& f : formats)
            pieces << f.start << f.start + f.length;
        std::sort(pieces.begin(), pieces.end());
        pieces.erase(std::unique(pieces.begin(), pieces.end()), pieces.end());
        bool asAsked = true;
        for (int i = 0; asAsked && i + 1 < pieces.size(); ++i) {
            const int s = pieces[i];
            if (s < a || pieces[i + 1] > b)
                continue;
            QVariant mark;
            for (const auto& f : formats) {
                if (s >= f.start && s < f.start + f.length)
                    mark = f.format.property(kTemporaryAttributesProperty).toMap().value(name);
            }
            asAsked = inGap(s) ? !mark.isValid() : (mark.isValid() && mark == value);
        }
        if (asAsked)
            return;

        editLineTemporaryAttributes(block, a, b, cuts, [&](int s, QVariantMap& attributes) {
            if (inGap(s))
                attributes.remove(name);
            else
                attributes.insert(name, value);
        });
        ++changed;
        // Each changed line is told to the layout at once: it gathers the changes it has not been
        // told of into one span, and takes a span of n characters as reaching n characters
        // further, so that lines told together lay out many lines that did not change.
        doc->markContentsDirty(int(start + a), int(b - a));
    });
    return changed;
}

void KVCodeLayoutManager::applyTemporaryAttributes(QTextBlock block)
{
    QList<QTextLayout::FormatRange> list = block.layout()->formats();
    if (applyTemporaryAttributes(list, block.position()))
        block.layout()->setFormats(list);
}

bool KVCodeLayoutManager::applyTemporaryAttributes(QList<QTextLayout::FormatRange>& list,
                                                   qsizetype blockPosition)
{
    bool changed = false;
    for (auto& f : list) {
        if (!f.format.hasProperty(kTemporaryAttributesProperty))
            continue;
        QVariantMap attributes = f.format.property(kTemporaryAttributesProperty).toMap();
        if (f.format.hasProperty(kBaseForegroundProperty))
            attributes.insert(QStringLiteral("foreground"),
                              f.format.property(kBaseForegroundProperty).value<QBrush>().color());
        const QVariantMap drawn = m_delegate
            ? m_delegate->shouldUseTemporaryAttributes(this, attributes, true, blockPosition + f.start)
            : QVariantMap();
        restoreBaseForeground(f.format);
        if (drawn.contains(QStringLiteral("foreground")))
            f.format.setForeground(drawn.value(QStringLiteral("foreground")).value<QColor>());
        changed = true;
    }
    return changed;
}

QVariantMap KVCodeLayoutManager::temporaryAttributesAtCharacterIndex(qsizetype location,
                                                                     platform::TextRange* effectiveRange) const
{
    if (effectiveRange)
        *effectiveRange = {location, 0};
    if (!m_textView || location < 0 || location >= m_textView->textLength())
        return {};
    const QTextBlock block = m_textView->document()->findBlock(int(location));
    if (!block.isValid())
        return {};
    const int offset = int(location - block.position());
    QVariantMap attributes;
    for (const auto& f : block.layout()->formats()) {
        if (offset >= f.start && offset < f.start + f.length) {
            attributes = f.format.property(kTemporaryAttributesProperty).toMap();
            if (effectiveRange)
                *effectiveRange = {block.position() + f.start, f.length};
        }
    }
    return attributes;
}

void KVCodeLayoutManager::invalidateDisplayForCharacterRange(platform::TextRange range)
{
    if (!m_textView)
        return;
    QTextDocument* doc = m_textView->document();
    const qsizetype length = m_textView->textLength();
    const qsizetype from = qBound<qsizetype>(0, range.location, length);
    const qsizetype to = qBound<qsizetype>(from, range.location + qMax<qsizetype>(0, range.length), length);
    for (QTextBlock block = doc->findBlock(int(from)); block.isValid() && block.position() <= to;
         block = block.next())
        applyTemporaryAttributes(block);
    doc->markContentsDirty(int(from), int(qMax<qsizetype>(1, to - from)));
    m_textView->viewport()->update();
}
