#pragma once

#include "platform/StringExtras.h"

#include <QPointer>

#include <memory>
#include <QStringList>

class CodeLines;
class KVCodeTextView;

// Line questions about the text of one code text view. Lines count from 0; a text that ends
// with a line break has an empty last line. Answers come from the view's document, which
// keeps its lines current edit by edit.
class KVCodeLineNumbersManager {
public:
    using TextRange = platform::TextRange;

    explicit KVCodeLineNumbersManager(KVCodeTextView* textView);
    ~KVCodeLineNumbersManager();
    void cleanup();

    // The shared line index, bound to the view's text storage.
    CodeLines* codeLines() const { return m_codeLines.get(); }

    qsizetype lineCount() const;
    qsizetype lineIndexForLocation(qsizetype location) const;
    // From the line's start to the next line's start; the last line runs to the end of the
    // text; not found for an index at or past lineCount().
    TextRange lineRangeForLineIndex(qsizetype lineIndex) const;
    TextRange lineRangeForLocation(qsizetype location) const;
    // From the start of the line of the range's start to the end of the line of its end.
    TextRange lineRangeForRange(TextRange range) const;
    // (first line index, number of lines) of a range.
    TextRange lineIndicesForRange(TextRange range) const;
    QStringList lineRanges() const;
    TextRange rangeForLineIndex(qsizetype lineIndex, qsizetype columnIndex) const;
    TextRange rangeForVariableAtRange(TextRange range) const;

private:
    QPointer<KVCodeTextView> m_textView;
    std::unique_ptr<CodeLines> m_codeLines;
};
