#include "CodeTextView/TextSearch.h"

#include <algorithm>

namespace textsearch {

namespace {
bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}
} // namespace

QList<TextRange> findAll(const QString& text, const QString& needle, bool caseSensitive, bool wholeWords)
{
    QList<TextRange> matches;
    if (needle.isEmpty())
        return matches;
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    // A boundary is needed only where the needle itself begins or ends with a word character.
    const bool checkStart = wholeWords && isWordCharacter(needle.front());
    const bool checkEnd = wholeWords && isWordCharacter(needle.back());
    for (qsizetype at = text.indexOf(needle, 0, cs); at >= 0;) {
        const qsizetype end = at + needle.size();
        const bool startsWord = !checkStart || at == 0 || !isWordCharacter(text.at(at - 1));
        const bool endsWord = !checkEnd || end == text.size() || !isWordCharacter(text.at(end));
        if (startsWord && endsWord) {
            matches.append({at, needle.size()});
            at = text.indexOf(needle, end, cs);
        } else {
            at = text.indexOf(needle, at + 1, cs);
        }
    }
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
