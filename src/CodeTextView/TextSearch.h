#pragma once

#include "platform/StringExtras.h"

#include <QList>
#include <QString>

// Finding text in the code: the plain logic of the find bar, without widgets.
namespace textsearch {

using TextRange = platform::TextRange;

// Every occurrence of `needle` in `text`, in order and not overlapping; none for an empty
// needle. Without `caseSensitive`, letters match regardless of case. With `wholeWords`, only an
// occurrence that neither starts nor ends inside a word (of letters, digits, "_" and "$", as
// CoffeeScript names are made) counts: "box" then matches in "box.x" but not in "Inbox".
QList<TextRange> findAll(const QString& text, const QString& needle, bool caseSensitive, bool wholeWords = false);

// The index of the match to go to from the selection: forward, the first that starts at or
// after the selection's end; backward, the last that ends at or before the selection's start.
// Past the last (or before the first) match it wraps around. -1 when there are no matches.
qsizetype nextMatch(const QList<TextRange>& matches, TextRange selection, bool forward);

// The index of the match that is exactly the range, or -1.
qsizetype matchAt(const QList<TextRange>& matches, TextRange range);

} // namespace textsearch
