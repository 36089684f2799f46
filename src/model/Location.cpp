#include "model/Location.h"

#include <limits>

namespace {

// Reads ASCII decimal digits from `pos` up to a non-digit; fails on no digits or overflow.
bool readNumber(QStringView text, qsizetype& pos, qint64& out)
{
    const qsizetype begin = pos;
    qint64 value = 0;
    while (pos < text.size()) {
        const char16_t c = text[pos].unicode();
        if (c < u'0' || c > u'9')
            break;
        const int digit = c - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return false;
        value = value * 10 + digit;
        ++pos;
    }
    if (pos == begin)
        return false;
    out = value;
    return true;
}

bool expect(QStringView text, qsizetype& pos, char16_t c)
{
    if (pos >= text.size() || text[pos].unicode() != c)
        return false;
    ++pos;
    return true;
}

} // namespace

Location::Location(const std::optional<QString>& from)
{
    if (from)
        fromString(*from);
}

LocationPtr Location::from(const std::optional<QString>& text)
{
    return std::make_shared<Location>(text);
}

bool Location::fromString(QStringView text)
{
    qsizetype pos = 0;
    qint64 n[4];
    if (!readNumber(text, pos, n[0]) || !expect(text, pos, u':') || !readNumber(text, pos, n[1])
        || !expect(text, pos, u'-') || !readNumber(text, pos, n[2]) || !expect(text, pos, u':')
        || !readNumber(text, pos, n[3]) || pos != text.size())
        return false;
    setFirstLine(n[0]);
    setFirstColumn(n[1]);
    setLastLine(n[2]);
    setLastColumn(n[3]);
    return true;
}

void Location::fromPosition(qint64 line, qint64 column)
{
    m_firstLine = m_lastLine = line;
    m_firstColumn = m_lastColumn = column;
}

bool Location::contains(const Location& other) const
{
    if (other.m_firstLine < m_firstLine)
        return false;
    if (other.m_lastLine > m_lastLine)
        return false;
    if (other.m_firstLine == m_firstLine && other.m_firstColumn < m_firstColumn)
        return false;
    if (other.m_lastLine == m_lastLine && other.m_lastColumn > m_lastColumn)
        return false;
    return true;
}

QString Location::toString(bool raw) const
{
    // Wrapping addition: a parsed range may hold the largest 64-bit number.
    const auto shown = [raw](qint64 v) { return raw ? v : qint64(quint64(v) + 1); };
    return QStringLiteral("[%1:%2-%3:%4]")
        .arg(shown(m_firstLine))
        .arg(shown(m_firstColumn))
        .arg(shown(m_lastLine))
        .arg(shown(m_lastColumn));
}

bool operator<(const Location& a, const Location& b)
{
    return a.firstLine() < b.firstLine()
        || (a.firstLine() == b.firstLine() && a.firstColumn() < b.firstColumn());
}

bool operator>(const Location& a, const Location& b)
{
    return a.firstLine() > b.firstLine()
        || (a.firstLine() == b.firstLine() && a.firstColumn() > b.firstColumn());
}
