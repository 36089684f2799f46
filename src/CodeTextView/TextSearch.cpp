#include "CodeTextView/TextSearch.h"

#include <algorithm>

namespace textsearch {

QList<TextRange> findAll(const QString& text, const QString& needle, bool caseSensitive)
{
    QList<TextRange> matches;
    if (needle.isEmpty())
        return matches;
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qsizetype at = text.indexOf(needle, 0, cs); at >= 0; at = text.indexOf(needle, at + needle.size(), cs))
        matches.append({at, needle.size()});
    return matches;
}

qsizetype nextMatch(const QList<TextRange>& matches, TextRange selection, bool forward)
{
    if (matches.isEmpty())
        return -1;
    if (forward) {
        const qsizetype from = selection.location + selection.length;
        const auto it = std::lower_bound(matches.begin(), matches.end(), from,
                                         [](const TextRange& m, qsizetype at) { return m.location < at; });
        // An empty selection inside a match goes to the match after it, as an editor does.
        return it == matches.end() ? 0 : qsizetype(it - matches.begin());
    }
    const qsizetype to = selection.location;
    for (qsizetype i = matches.size() - 1; i >= 0; --i)
        if (matches[i].location + matches[i].length <= to)
            return i;
    return matches.size() - 1;
}

qsizetype matchAt(const QList<TextRange>& matches, TextRange range)
{
    const auto it = std::lower_bound(matches.begin(), matches.end(), range.location,
                                     [](const TextRange& m, qsizetype at) { return m.location < at; });
    return it != matches.end() && it->location == range.location && it->length == range.length
        ? qsizetype(it - matches.begin()) : -1;
}

} // namespace textsearch
