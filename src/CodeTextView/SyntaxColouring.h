#pragma once

#include "platform/StringExtras.h"

#include <QList>
#include <QString>

// The CoffeeScript colouring passes as pure logic: which spans of a text get which colour
// category ("comment", "string", "regex", "format", "number", "keyword", "boolean",
// "constructor", "key", "property", "comprehension", "function", "comparator", "operator").
// Later passes win where spans overlap; text outside every span keeps the plain colour.
namespace syntax {

using TextRange = platform::TextRange;

struct ColourSpan {
    qsizetype location = 0;
    qsizetype length = 0;
    QString category;
    bool operator==(const ColourSpan&) const = default;
};

struct ColouredRange {
    // The range whose colours are replaced: the requested range, grown over the whole of any
    // block string or block comment that reaches into it.
    TextRange range;
    // Sorted, non-overlapping spans inside `range`.
    QList<ColourSpan> spans;
};

// Colours `range` (whole lines) of `text`.
ColouredRange colourRange(const QString& text, TextRange range);

// Where the line comment of one line starts ("#" outside strings and regular expressions),
// or -1. The offset is relative to the line.
qsizetype lineCommentStart(QStringView line);

// The category names, in pass order of their first use.
const QStringList& categories();

} // namespace syntax
