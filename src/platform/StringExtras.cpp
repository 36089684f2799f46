#include "platform/StringExtras.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace platform {

QString TextRange::toString() const
{
    return QStringLiteral("{%1, %2}").arg(location).arg(length);
}

QString randomStringWithLength(int length)
{
    static const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    QString result;
    if (length <= 0)
        return result;
    result.reserve(length);
    for (int i = 0; i < length; ++i)
        result.append(alphabet.at(int(QRandomGenerator::global()->bounded(quint32(alphabet.size())))));
    return result;
}

QString capitalizedSentence(const QString& text)
{
    if (text.isEmpty())
        return text;
    return text.left(1).toUpper() + text.mid(1);
}

QString underscore(const QString& text)
{
    QString result;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && text.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        const qsizetype start = i;
        while (i < n && text.at(i).isUpper())
            result.append(text.at(i++).toLower());
        while (i < n && text.at(i).isLower())
            result.append(text.at(i++));
        if (i == start) {
            result.append(text.at(i++)); // neither letter case: keep it, never loop forever
            continue;
        }
        if (i < n)
            result.append(QLatin1Char('_'));
    }
    return result;
}

QString camelCase(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[ \\-:/.&]"));
    const QStringList pieces = text.split(separators, Qt::SkipEmptyParts);
    QString result;
    for (const QString& piece : pieces) {
        if (result.isEmpty()) {
            result = piece.toLower();
            continue;
        }
        result += piece.left(1).toUpper() + piece.mid(1).toLower();
    }
    return result;
}

QString classify(const QString& text)
{
    return capitalizedSentence(camelCase(text));
}

QString MD5String(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex()).toUpper();
}

QString trim(const QString& text)
{
    return text.trimmed();
}

int occurrencesOfString(const QString& text, const QString& pattern)
{
    const QByteArray haystack = text.toUtf8();
    const QByteArray needle = pattern.toUtf8();
    if (needle.isEmpty())
        return 0;
    int count = 0;
    qsizetype j = 0;
    for (char byte : haystack) {
        if (byte != needle.at(j))
            j = 0;
        if (byte == needle.at(j)) {
            ++j;
            if (j == needle.size()) {
                ++count;
                j = 0;
            }
        }
    }
    return count;
}

QString reversedString(const QString& text)
{
    QStringList clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        clusters.prepend(text.mid(start, end - start));
        start = end;
    }
    return clusters.join(QString());
}

TextRange fullRange(const QString& text)
{
    return {0, text.size()};
}

TextRange safeRange(const QString& text, TextRange range)
{
    const qsizetype length = text.size();
    const qsizetype start = std::min(range.location, length);
    // Written so that a not-found location or a huge length cannot overflow.
    const qsizetype end = (range.location >= length || range.length > length - range.location)
        ? length
        : range.location + range.length;
    return {start, std::max<qsizetype>(0, end - start)};
}

QStringList lines(const QString& text)
{
    return text.split(QLatin1Char('\n'));
}

namespace {
bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x2028) || c == QChar(0x2029);
}

// The end of the line that starts at `start`, its terminator included.
qsizetype lineEndAfter(const QString& text, qsizetype start)
{
    const qsizetype n = text.size();
    qsizetype i = start;
    while (i < n && !isLineBreak(text.at(i)))
        ++i;
    if (i < n) {
        if (text.at(i) == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            i += 2;
        else
            i += 1;
    }
    return i;
}

// The start of the line holding `location`.
qsizetype lineStartBefore(const QString& text, qsizetype location)
{
    qsizetype i = std::clamp<qsizetype>(location, 0, text.size());
    while (i > 0) {
        const QChar previous = text.at(i - 1);
        if (isLineBreak(previous)) {
            // The LF of a CRLF pair ends the line; a CR right before the LF does too.
            break;
        }
        --i;
    }
    // `location` inside a CRLF pair belongs to the line that the pair ends.
    if (i > 0 && i == location && i < text.size() && text.at(i) == QLatin1Char('\n')
        && text.at(i - 1) == QLatin1Char('\r')) {
        return lineStartBefore(text, i - 1);
    }
    return i;
}
} // namespace

QList<TextRange> lineRanges(const QString& text, qsizetype offset)
{
    QList<TextRange> ranges;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = lineEndAfter(text, start);
        ranges.append({start + offset, end - start});
        start = end;
    }
    if (text.isEmpty() || text.endsWith(QLatin1Char('\n')))
        ranges.append({text.size() + offset, 0});
    return ranges;
}

QStringList lineRangeStrings(const QString& text, qsizetype offset)
{
    QStringList result;
    for (const TextRange& range : lineRanges(text, offset))
        result.append(range.toString());
    return result;
}

qsizetype lineIndexForLocation(const QString& text, qsizetype location)
{
    const qsizetype end = std::clamp<qsizetype>(location, 0, text.size());
    return QStringView(text).left(end).count(QLatin1Char('\n'));
}

qsizetype lineIndexForRange(const QString& text, TextRange range)
{
    return lineIndexForLocation(text, range.location);
}

TextRange lineIndicesForRange(const QString& text, TextRange range)
{
    if (range.isNotFound())
        return range;
    const TextRange clipped = safeRange(text, range);
    return {lineIndexForLocation(text, clipped.location), lineCount(text.mid(clipped.location, clipped.length))};
}

qsizetype lineCount(const QString& text)
{
    return text.count(QLatin1Char('\n')) + 1;
}

TextRange lineRangeForLineIndex(const QString& text, qsizetype line)
{
    if (line < 0)
        return {TextRange::kNotFound, 0};
    qsizetype start = 0;
    qsizetype index = 0;
    while (start < text.size()) {
        const qsizetype end = lineEndAfter(text, start);
        if (index == line)
            return {start, end - start};
        ++index;
        start = end;
    }
    if (text.isEmpty() || text.endsWith(QLatin1Char('\n')))
        return {text.size(), 0};
    return {TextRange::kNotFound, 0};
}

QString stringForLineIndex(const QString& text, qsizetype line, bool* found)
{
    const TextRange range = lineRangeForLineIndex(text, line);
    if (found)
        *found = !range.isNotFound();
    return range.isNotFound() ? QString() : text.mid(range.location, range.length);
}

TextRange lineRangeForLocation(const QString& text, qsizetype location)
{
    const qsizetype start = lineStartBefore(text, location);
    return {start, lineEndAfter(text, start) - start};
}

TextRange expandRangeForLinesWithRange(const QString& text, TextRange range)
{
    const TextRange clipped = safeRange(text, range);
    const TextRange first = lineRangeForLocation(text, clipped.location);
    const TextRange last = lineRangeForLocation(text, clipped.end());
    return {first.location, std::max(first.end(), last.end()) - first.location};
}

QString validVariable(const QString& text)
{
    static const QRegularExpression leadingNonLetters(QStringLiteral("([^a-zA-Z]+)(.*)"));
    QString result = text;
    return result.replace(leadingNonLetters, QStringLiteral("\\2"));
}

} // namespace platform
