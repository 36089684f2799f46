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
    for (QTextBlock block = doc->findBlock(int(from)); block.isValid(); block = block.next()) {
        const qsizetype start = block.position();
        if (start >= to)
            break;
        const int textLength = block.length() - 1;
        const int a = int(qMax(from, start) - start);
        const int b = int(qMin<qsizetype>(to, start + textLength) - start);
        if (b <= a)
            continue;
        const QList<QTextLayout::FormatRange> formats = block.layout()->formats();
        // Cut [a, b) into pieces over which the same format applies, then edit each piece's marks.
        QList<int> cuts = {a, b};
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
            QTextCharFormat format;
            for (const auto& f : formats) {
                if (s >= f.start && s < f.start + f.length)
                    format = f.format; // the later format wins, as in drawing
            }
            QVariantMap attributes = format.property(kTemporaryAttributesProperty).toMap();
            edit(attributes);
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
        block.layout()->setFormats(list);
        applyTemporaryAttributes(block);
    }
    doc->markContentsDirty(int(from), int(to - from));
}

void KVCodeLayoutManager::applyTemporaryAttributes(QTextBlock block)
{
    QList<QTextLayout::FormatRange> list = block.layout()->formats();
    bool changed = false;
    for (auto& f : list) {
        if (!f.format.hasProperty(kTemporaryAttributesProperty))
            continue;
        QVariantMap attributes = f.format.property(kTemporaryAttributesProperty).toMap();
        if (f.format.hasProperty(kBaseForegroundProperty))
            attributes.insert(QStringLiteral("foreground"),
                              f.format.property(kBaseForegroundProperty).value<QBrush>().color());
        const QVariantMap drawn = m_delegate
            ? m_delegate->shouldUseTemporaryAttributes(this, attributes, true, block.position() + f.start)
            : QVariantMap();
        restoreBaseForeground(f.format);
        if (drawn.contains(QStringLiteral("foreground")))
            f.format.setForeground(drawn.value(QStringLiteral("foreground")).value<QColor>());
        changed = true;
    }
    if (changed)
        block.layout()->setFormats(list);
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
