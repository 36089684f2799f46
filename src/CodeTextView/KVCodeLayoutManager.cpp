#include "CodeTextView/KVCodeLayoutManager.h"

#include "CodeTextView/KVCodeTextView.h"

#include <QPainter>
#include <QTextBlock>

#include <cmath>

namespace {
// Marks are drawn for this many characters of a line at most, so that a line of a megabyte
// paints as fast as a short one.
constexpr int kMaxMarkedCharactersPerLine = 4000;
}

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
