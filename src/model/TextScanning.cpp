#include "model/TextScanning.h"

#include <QChar>

#include <algorithm>

namespace textscan {

bool isLineTerminator(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isNewlineSetCharacter(char16_t c)
{
    return isLineTerminator(c) || c == 0x0B || c == 0x0C;
}

bool isLineStart(QStringView text, qsizetype pos)
{
    if (pos <= 0)
        return true;
    if (pos > text.size())
        return false;
    const char16_t before = text[pos - 1].unicode();
    if (!isLineTerminator(before))
        return false;
    return !(before == u'\r' && pos < text.size() && text[pos].unicode() == u'\n');
}

void enumerateLines(QStringView text, qsizetype from, qsizetype to,
                    const std::function<void(qsizetype, qsizetype)>& line)
{
    const char16_t* units = reinterpret_cast<const char16_t*>(text.data());
    qsizetype start = from;
    while (start < to) {
        qsizetype end = start;
        while (end < to && !isLineTerminator(units[end]))
            ++end;
        line(start, end - start);
        if (end >= to)
            break;
        qsizetype next = end + 1;
        if (units[end] == u'\r' && next < to && units[next] == u'\n')
            ++next;
        start = next;
    }
}

namespace {

bool isWordCategory(char32_t c)
{
    if (c == 0x200C || c == 0x200D)
        return true;
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_Letter:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Punctuation_Connector:
        return true;
    default:
        return false;
    }
}

} // namespace

void forEachWord(QStringView line, const std::function<void(QStringView)>& word)
{
    if (!line.isEmpty() && line.front() == u'#')
        return;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n) {
        // Skip to the next word character, over string literals.
        qsizetype start = -1;
        while (i < n) {
            char32_t c = line[i].unicode();
            if (start < 0 && (c == u'"' || c == u'\'' || c == u'`')) {
                const char16_t quote = char16_t(c);
                for (++i; i < n && line[i] != quote; ++i)
                    if (line[i] == u'\\')
                        ++i;
                ++i;
                continue;
            }
            qsizetype width = 1;
            if (QChar::isHighSurrogate(c) && i + 1 < n && line[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(line[i].unicode(), line[i + 1].unicode());
                width = 2;
            }
            const bool isWord = c < 0x80 ? (QChar::isLetterOrNumber(c) || c == u'_') : isWordCategory(c);
            if (isWord) {
                if (start < 0)
                    start = i;
            } else if (start >= 0) {
                break;
            }
            i += width;
        }
        // A run that begins with a digit is (a piece of) a number: "12", "0x1F", "2x".
        if (start >= 0 && QChar::category(line[start].unicode()) != QChar::Number_DecimalDigit)
            word(line.mid(start, std::min(i, n) - start));
    }
}

} // namespace textscan
