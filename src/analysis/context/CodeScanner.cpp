#include "analysis/context/CodeScanner.h"

#include "analysis/tokens/TokenMatcherLibrary.h"
#include "model/CodeLines.h"

#include <algorithm>
#include <cstdio>

namespace {

// "###" at `i` that is not the start of four or more: a block comment delimiter.
bool blockDelimiterAt(QStringView line, qsizetype i)
{
    return line.mid(i, 3) == u"###" && (i + 3 >= line.size() || line[i + 3] != u'#');
}

} // namespace

LinePlace linePlaceBefore(QStringView line, qint64 column)
{
    const qsizetype end = std::clamp<qint64>(column, 0, line.size());
    char16_t quote = 0;
    qsizetype quoteAt = -1;
    // The brace depth inside an interpolation "#{…}" of a double-quoted string: its code is code.
    int interpolation = 0;
    bool inBlock = false;
    for (qsizetype i = 0; i < end; ++i) {
        const char16_t c = line[i].unicode();
        if (interpolation > 0) {
            if (c == u'{')
                ++interpolation;
            else if (c == u'}')
                --interpolation;
        } else if (quote) {
            if (c == u'\\')
                ++i;
            else if (c == quote)
                quote = 0;
            else if (quote == u'"' && c == u'#' && i + 1 < line.size() && line[i + 1] == u'{') {
                interpolation = 1;
                ++i;
            }
        } else if (c == u'#' && blockDelimiterAt(line, i)) {
            inBlock = !inBlock;
            i += 2;
        } else if (inBlock) {
            continue;
        } else if (c == u'#') {
            return {true, -1};
        } else if (c == u'"' || c == u'\'' || c == u'`') {
            quote = c;
            quoteAt = i;
        }
    }
    return {false, quote && interpolation == 0 ? qint64(quoteAt) : -1};
}

bool lineCommentBefore(QStringView line, qint64 column)
{
    return linePlaceBefore(line, column).comment;
}

bool numberLiteralBefore(QStringView code, qint64 cursor)
{
    const qsizetype end = std::clamp<qint64>(cursor, 0, code.size());
    qsizetype start = end;
    auto partOfNumber = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'.'; };
    while (start > 0 && partOfNumber(code[start - 1]))
        --start;
    if (start == end)
        return false;
    if (code[start].isDigit())
        return true;
    return code[start] == u'.' && start + 1 < end && code[start + 1].isDigit();
}

NameChain nameChainBefore(QStringView code, qsizetype dot)
{
    if (dot <= 0 || dot >= code.size() || code[dot] != u'.')
        return {};
    auto isNameCharacter = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; };
    NameChain chain;
    qsizetype end = dot;
    while (true) {
        qsizetype start = end;
        while (start > 0 && isNameCharacter(code[start - 1]))
            --start;
        if (start == end || code[start].isDigit())
            return {};
        chain.names.prepend(code.mid(start, end - start).toString());
        chain.start = start;
        if (start == 0 || code[start - 1] != u'.')
            break;
        end = start - 1;
    }
    const QChar before = chain.start > 0 ? code[chain.start - 1] : QChar(u' ');
    if (before == u'@' || before == u')' || before == u']' || before == u'.')
        return {};
    return chain;
}

CodeScanner::CodeScanner(const std::shared_ptr<CodeLines>& lines, qint64 cursor)
    : m_lines(lines)
{
    if (m_lines)
        m_code = m_lines->code();
    m_codeLength = m_code.size();
    m_cursor = std::clamp<qint64>(cursor, 0, m_codeLength);

    if (m_lines) {
        const LineIndex index = m_lines->lineIndex(m_cursor);
        const QStringList& all = m_lines->lines();
        if (index.line >= 0 && index.line < all.size() && index.character <= m_cursor) {
            m_lineIndex = index.line;
            m_lineStart = index.character;
            m_line = all.at(index.line);
        } else {
            // An index that does not describe the text: the caret's line is read from the text.
            const QStringView before = QStringView(m_code).left(m_cursor);
            qsizetype start = m_cursor;
            while (start > 0 && !csNewLine().contains(before[start - 1].unicode()))
                --start;
            qsizetype stop = m_cursor;
            while (stop < m_codeLength && !csNewLine().contains(m_code[stop].unicode()))
                ++stop;
            m_lineStart = start;
            m_line = m_code.mid(start, stop - start);
            m_lineIndex = 0;
        }
    }
    m_lineIndent = TMLineIndent(m_line);
    const LinePlace place = linePlaceBefore(m_line, cursorPosInLine());
    m_isComment = place.comment;
    m_stringStart = place.stringStart;
    m_afterNumber = !m_isComment && m_stringStart < 0 && numberLiteralBefore(m_code, m_cursor);

    if (auto before = TMAlphaNumerics().match(m_code, m_codeLength, m_cursor - 1, TokenMatcherDirection::Backwards)) {
        m_precursor = before->tokens.first().text;
        m_entry = Entry{*m_precursor, platform::TextRange{qsizetype(m_cursor - before->consumed), qsizetype(before->consumed)}};
    }
    if (auto after = TMAlphaNumerics().match(m_code, m_codeLength, m_cursor, TokenMatcherDirection::Forwards))
        m_postcursor = after->tokens.first().text;
}

qint64 CodeScanner::entryLeadingLocation() const
{
    const qint64 start = m_entry ? qint64(m_entry->range.location) : m_cursor;
    return std::max<qint64>(0, start - 1);
}

std::optional<TokenMatch> CodeScanner::match(const TokenMatcher& matcher) const
{
    return matcher.match(m_code, m_codeLength, entryLeadingLocation(), TokenMatcherDirection::Backwards);
}

qint64 CodeScanner::indentationDeltaAtCursor(qint64 index) const
{
    if (index == m_lineIndex)
        return 0;
    const qint64 cursorIndent = std::min(cursorPosInLine(), m_lineIndent);
    const qint64 lineCount = m_lines ? m_lines->lines().size() : 0;
    if (index < 0 || index >= lineCount)
        return cursorIndent;
    return cursorIndent - indentationAt(index);
}

qint64 CodeScanner::indentationAt(qint64 index) const
{
    if (!m_lines || index < 0 || index >= m_lines->lines().size())
        return 0;
    return TMLineIndent(m_lines->lines().at(index));
}

void CodeScanner::logPosition(qint64 position) const
{
    const qint64 at = std::clamp<qint64>(position, 0, m_codeLength);
    const qint64 from = std::max<qint64>(0, at - 10);
    const qint64 to = std::min<qint64>(m_codeLength, from + 20);
    QString window = m_code.mid(from, to - from);
    window.insert(at - from, QLatin1Char('^'));
    std::fputs(("-->" + window + "<--").toUtf8().constData(), stdout);
    std::fflush(stdout);
}
