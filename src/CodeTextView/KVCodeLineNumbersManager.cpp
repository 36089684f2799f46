#include "CodeTextView/KVCodeLineNumbersManager.h"

#include "CodeTextView/KVCodeTextStorage.h"
#include "CodeTextView/KVCodeTextView.h"
#include "model/CodeLines.h"

#include <QTextBlock>

KVCodeLineNumbersManager::KVCodeLineNumbersManager(KVCodeTextView* textView)
    : m_textView(textView), m_codeLines(std::make_unique<CodeLines>(textView->textStorage()))
{
}

KVCodeLineNumbersManager::~KVCodeLineNumbersManager() = default;

void KVCodeLineNumbersManager::cleanup()
{
    m_textView = nullptr;
}

qsizetype KVCodeLineNumbersManager::lineCount() const
{
    return m_textView ? m_textView->document()->blockCount() : 0;
}

qsizetype KVCodeLineNumbersManager::lineIndexForLocation(qsizetype location) const
{
    if (!m_textView)
        return 0;
    const qsizetype n = m_textView->textLength();
    const QTextBlock block = m_textView->document()->findBlock(int(qBound<qsizetype>(0, location, n)));
    return block.isValid() ? block.blockNumber() : lineCount() - 1;
}

platform::TextRange KVCodeLineNumbersManager::lineRangeForLineIndex(qsizetype lineIndex) const
{
    if (!m_textView || lineIndex < 0 || lineIndex >= lineCount())
        return {TextRange::kNotFound, 0};
    const QTextBlock block = m_textView->document()->findBlockByNumber(int(lineIndex));
    const qsizetype n = m_textView->textLength();
    const qsizetype start = block.position();
    return {start, qMin<qsizetype>(start + block.length(), n) - start};
}

platform::TextRange KVCodeLineNumbersManager::lineRangeForLocation(qsizetype location) const
{
    return lineRangeForLineIndex(lineIndexForLocation(location));
}

platform::TextRange KVCodeLineNumbersManager::lineRangeForRange(TextRange range) const
{
    const TextRange first = lineRangeForLocation(range.location);
    const TextRange last = lineRangeForLocation(range.end());
    if (first.isNotFound() || last.isNotFound())
        return {TextRange::kNotFound, 0};
    return {first.location, last.end() - first.location};
}

platform::TextRange KVCodeLineNumbersManager::lineIndicesForRange(TextRange range) const
{
    const qsizetype first = lineIndexForLocation(range.location);
    const qsizetype last = lineIndexForLocation(range.end());
    return {first, last - first + 1};
}

QStringList KVCodeLineNumbersManager::lineRanges() const
{
    QStringList ranges;
    for (qsizetype i = 0; i < lineCount(); ++i)
        ranges.append(lineRangeForLineIndex(i).toString());
    return ranges;
}

platform::TextRange KVCodeLineNumbersManager::rangeForLineIndex(qsizetype lineIndex, qsizetype columnIndex) const
{
    const TextRange line = lineRangeForLineIndex(lineIndex);
    if (line.isNotFound())
        return line;
    return {line.location + columnIndex, 0};
}

platform::TextRange KVCodeLineNumbersManager::rangeForVariableAtRange(TextRange) const
{
    return {TextRange::kNotFound, 0};
}
