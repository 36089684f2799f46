#include "CodeTextView/TypingRules.h"

#include <QTextBoundaryFinder>

namespace typing {

namespace {

// Grapheme clusters are short; a window this wide around an offset always holds the cluster.
constexpr qsizetype kClusterWindow = 64;

bool isSpaceOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}

QChar charLeftOf(const TextBuffer& b, qsizetype location)
{
    return location > 0 ? b.characterAt(location - 1) : QChar();
}

QChar charRightOf(const TextBuffer& b, TextRange range)
{
    return range.end() < b.length() ? b.characterAt(range.end()) : QChar();
}

void setCaret(TextBuffer& b, qsizetype location)
{
    b.setSelectedRange({location, 0});
}

// Inserts at the caret without any rule.
void insertPlain(TextBuffer& b, const QString& text)
{
    b.replace(b.selectedRange(), text);
}

bool wrapSelection(TextBuffer& b, const TypingSettings& s, const QString& text)
{
    const TextRange sel = b.selectedRange();
    if (sel.length == 0)
        return false;
    for (const auto& pair : s.autoClosingCharacters) {
        if (pair.first != text)
            continue;
        const QString inner = b.textInRange(sel);
        b.replace(sel, pair.first + inner + pair.second);
        b.setSelectedRange({sel.location + pair.first.length(), sel.length});
        return true;
    }
    return false;
}

bool closingBrace(TextBuffer& b, const TypingSettings& s, const QString& text)
{
    if (text != u"}" || !s.indentNewLinesAutomatically || !s.indentBracesAutomatically)
        return false;
    const TextRange sel = b.selectedRange();
    const qsizetype cursor = sel.location;
    const TextRange line = b.lineRange(cursor);
    bool onlyWhitespace = true;
    for (qsizetype i = line.location; i < cursor; ++i) {
        if (!isSpaceOrTab(b.characterAt(i))) {
            onlyWhitespace = false;
            break;
        }
    }
    if (!onlyWhitespace) {
        if (charRightOf(b, sel) == u'}')
            setCaret(b, sel.end() + 1);
        else
            insertPlain(b, text);
        return true;
    }

    qsizetype depth = 0;
    qsizetype match = -1;
    for (qsizetype i = cursor - 1; i >= 0; --i) {
        const QChar c = b.characterAt(i);
        if (c == u'}') {
            ++depth;
        } else if (c == u'{') {
            if (depth == 0) {
                match = i;
                break;
            }
            --depth;
        }
    }
    if (match < 0) {
        insertPlain(b, text);
        return true;
    }
    const QString indent = leadingWhitespace(b, b.lineRange(match).location);
    const QString rest = b.textInRange({cursor, line.end() - cursor});
    if (!indent.isEmpty() || !rest.isEmpty()) {
        b.replace(line, indent + u'}' + rest);
        setCaret(b, line.location + indent.length() + 1);
    } else {
        b.replace({line.location, cursor - line.location}, QString());
        setCaret(b, line.location);
        insertPlain(b, text);
    }
    return true;
}

bool autoClose(TextBuffer& b, const TypingSettings& s, const QString& text)
{
    if (!s.autoCloseCharactersEnabled)
        return false;
    for (const auto& pair : s.autoClosingCharacters) {
        if (pair.first == text) {
            const TextRange sel = b.selectedRange();
            bool mayClose = true;
            if (pair.first == pair.second) {
                const QChar left = charLeftOf(b, sel.location);
                if (left.isNull())
                    mayClose = true;
                else if (isNameCharacter(s, left))
                    mayClose = false;
                else
                    mayClose = QString(left) != pair.first;
                if (sel.length == 0 && b.textInRange({sel.location, pair.first.length()}) == pair.first) {
                    setCaret(b, sel.location + pair.first.length());
                    return true;
                }
            }
            insertPlain(b, pair.first);
            const TextRange after = b.selectedRange();
            const QChar right = charRightOf(b, after);
            if (mayClose && (right.isNull() || !isNameCharacter(s, right))) {
                b.replace({after.location, 0}, pair.second);
                setCaret(b, after.location);
            }
            return true;
        }
        if (pair.second == text) {
            const TextRange sel = b.selectedRange();
            if (sel.length == 0 && b.textInRange({sel.location, text.length()}) == text) {
                setCaret(b, sel.location + text.length());
                return true;
            }
            return false;
        }
    }
    return false;
}

QString spaces(qsizetype n)
{
    return QString(qMax<qsizetype>(0, n), u' ');
}

} // namespace

bool isNameCharacter(const TypingSettings& settings, QChar c)
{
    return !c.isNull() && settings.variableCharacters.contains(c);
}

TextRange lineRangeForLocation(const TextBuffer& buffer, qsizetype location)
{
    return buffer.lineRange(location);
}

QList<qsizetype> lineStartsForRange(const TextBuffer& buffer, TextRange range)
{
    const qsizetype n = buffer.length();
    const qsizetype last = range.length > 0 ? range.end() - 1 : range.location;
    QList<qsizetype> starts;
    TextRange line = buffer.lineRange(range.location);
    while (true) {
        starts.append(line.location);
        const qsizetype next = line.end();
        if (next > last || next <= line.location || next > n)
            break;
        if (buffer.characterAt(next - 1) != u'\n')
            break;
        line = buffer.lineRange(next);
    }
    return starts;
}

QString leadingWhitespace(const TextBuffer& buffer, qsizetype lineStart)
{
    QString ws;
    for (qsizetype i = lineStart; i < buffer.length(); ++i) {
        const QChar c = buffer.characterAt(i);
        if (!isSpaceOrTab(c))
            break;
        ws.append(c);
    }
    return ws;
}

qsizetype nextCharacterBoundary(const TextBuffer& buffer, qsizetype location)
{
    const qsizetype n = buffer.length();
    if (location >= n)
        return n;
    const qsizetype start = qMax<qsizetype>(0, location - kClusterWindow);
    const QString window = buffer.textInRange({start, qMin(n, location + kClusterWindow) - start});
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window);
    finder.setPosition(location - start);
    const qsizetype next = finder.toNextBoundary();
    return next < 0 ? n : start + next;
}

qsizetype previousCharacterBoundary(const TextBuffer& buffer, qsizetype location)
{
    if (location <= 0)
        return 0;
    const qsizetype n = buffer.length();
    location = qMin(location, n);
    const qsizetype start = qMax<qsizetype>(0, location - kClusterWindow);
    const QString window = buffer.textInRange({start, qMin(n, location + kClusterWindow) - start});
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window);
    finder.setPosition(location - start);
    const qsizetype previous = finder.toPreviousBoundary();
    return previous < 0 ? start : start + previous;
}

QString indentationUnit(const TextBuffer& buffer, const TypingSettings& s, qsizetype location)
{
    if (!s.indentWithSpaces)
        return QStringLiteral("\t");
    if (s.spacesPerTab <= 0)
        return QString();
    if (s.usesTabStops) {
        const qsizetype column = location - buffer.lineRange(location).location;
        return spaces(s.spacesPerTab - column % s.spacesPerTab);
    }
    return spaces(s.spacesPerTab);
}

void insertText(TextBuffer& b, const TypingSettings& s, const QString& text)
{
    if (wrapSelection(b, s, text) || closingBrace(b, s, text) || autoClose(b, s, text))
        return;
    b.insertTyped(text);
}

bool deleteEmptyPair(TextBuffer& b, const TypingSettings& s, TextRange range)
{
    if (range.length != 1 || !s.autoCloseCharactersEnabled)
        return false;
    const QString c = b.textInRange(range);
    for (const auto& pair : s.autoClosingCharacters) {
        if (pair.first != c)
            continue;
        if (b.textInRange({range.end(), pair.second.length()}) == pair.second) {
            b.replace({range.location, c.length() + pair.second.length()}, QString());
            return true;
        }
    }
    return false;
}

void insertNewline(TextBuffer& b, const TypingSettings& s)
{
    insertPlain(b, QStringLiteral("\n"));
    if (!s.indentNewLinesAutomatically)
        return;
    const qsizetype cursor = b.selectedRange().location;
    const TextRange previous = b.lineRange(cursor - 1);
    const QString previousLine = b.textInRange(previous);

    const QString indent = leadingWhitespace(b, previous.location);
    if (!indent.isEmpty())
        insertText(b, s, indent);

    for (const QString marker : {QStringLiteral("->"), QStringLiteral("=")}) {
        if (previousLine.endsWith(marker + u'\n'))
            insertTab(b, s);
        if (previousLine.endsWith(marker + QStringLiteral(" \n")))
            insertTab(b, s);
    }

    if (!s.indentBracesAutomatically)
        return;
    QChar last;
    for (qsizetype i = previousLine.length() - 1; i >= 0; --i) {
        const QChar c = previousLine.at(i);
        if (!c.isSpace()) {
            last = c;
            break;
        }
    }
    if (last != u'{')
        return;
    insertTab(b, s);
    if (charRightOf(b, b.selectedRange()) != u'}')
        return;
    const TextRange remembered = b.selectedRange();
    const QString lineText = b.textInRange(b.lineRange(remembered.location));
    insertPlain(b, QStringLiteral("\n"));
    const qsizetype tabs = lineText.count(u'\t');
    for (qsizetype i = 1; i < tabs; ++i)
        insertTab(b, s);
    b.setSelectedRange(remembered);
}

void insertTab(TextBuffer& b, const TypingSettings& s)
{
    const TextRange sel = b.selectedRange();
    if (sel.length > 0) {
        qsizetype i = b.lineRange(sel.location).location;
        while (i < b.length() && isSpaceOrTab(b.characterAt(i)))
            ++i;
        if (i >= sel.location) {
            shiftRight(b, s);
            return;
        }
    }
    if (s.indentWithSpaces) {
        const QString unit = indentationUnit(b, s, sel.location);
        if (!unit.isEmpty())
            insertText(b, s, unit);
        return;
    }
    if (sel.length > 0) {
        setCaret(b, sel.end());
        return;
    }
    insertPlain(b, QStringLiteral("\t"));
}

void shiftRight(TextBuffer& b, const TypingSettings& s)
{
    if (b.length() == 0)
        return;
    const TextRange sel = b.selectedRange();
    const QString unit = indentationUnit(b, s, sel.location);
    if (unit.isEmpty())
        return;
    const QList<qsizetype> starts = lineStartsForRange(b, sel);
    qsizetype end = sel.end();
    qsizetype inserted = 0;
    for (const qsizetype original : starts) {
        const qsizetype start = original + inserted;
        b.replace({start, 0}, unit);
        inserted += unit.length();
        if (sel.length > 0 && start >= sel.location && start < end)
            end += unit.length();
    }
    if (sel.length > 0) {
        qsizetype location = sel.location;
        if (location + unit.length() >= b.length())
            location = starts.first();
        end = qMin(end, b.length());
        b.setSelectedRange({location, qMax<qsizetype>(0, end - location)});
    } else {
        setCaret(b, sel.location + unit.length());
    }
}

void shiftLeft(TextBuffer& b, const TypingSettings& s)
{
    if (b.length() == 0)
        return;
    const TextRange sel = b.selectedRange();
    const QList<qsizetype> starts = lineStartsForRange(b, sel);
    const bool tabStops = s.usesTabStops && s.indentWithSpaces && s.spacesPerTab > 0;
    qsizetype removedTotal = 0;
    qsizetype removedBeforeStart = 0;
    qsizetype removedInside = 0;
    for (const qsizetype original : starts) {
        const qsizetype start = original - removedTotal;
        qsizetype limit = 1;
        if (tabStops) {
            qsizetype leadingSpaces = 0;
            while (start + leadingSpaces < b.length() && b.characterAt(start + leadingSpaces) == u' ')
                ++leadingSpaces;
            limit = leadingSpaces % s.spacesPerTab;
            if (limit == 0)
                limit = s.spacesPerTab;
        }
        qsizetype removedHere = 0;
        while (removedHere < limit && start < b.length() && isSpaceOrTab(b.characterAt(start))) {
            const bool wasTab = b.characterAt(start) == u'\t';
            b.replace({start, 1}, QString());
            ++removedHere;
            if (wasTab || !tabStops)
                break;
        }
        if (original < sel.location)
            removedBeforeStart += qMin(removedHere, sel.location - original);
        else if (original < sel.end() || sel.length == 0)
            removedInside += removedHere;
        removedTotal += removedHere;
    }
    if (removedTotal == 0) {
        b.beep();
        return;
    }
    const qsizetype location = qMax(starts.first(), sel.location - removedBeforeStart);
    if (sel.length > 0)
        b.setSelectedRange({location, qMax<qsizetype>(0, sel.length - removedInside)});
    else
        setCaret(b, location);
}

void commentSelection(TextBuffer& b, const TypingSettings& s)
{
    const QString comment = s.commentString;
    if (comment.isEmpty() || comment.length() > b.length()) {
        b.beep();
        return;
    }
    const TextRange sel = b.selectedRange();
    const QList<qsizetype> starts = lineStartsForRange(b, sel);
    const auto commentAt = [&](qsizetype at) {
        return b.textInRange({at, comment.length()}).compare(comment, Qt::CaseInsensitive) == 0;
    };
    qsizetype firstCode = starts.first();
    while (firstCode < b.length() && isSpaceOrTab(b.characterAt(firstCode)))
        ++firstCode;
    const bool uncomment = commentAt(sel.location) || commentAt(starts.first()) || commentAt(firstCode);

    const QString marker = comment + u' ';
    qsizetype delta = 0;
    qsizetype caret = sel.location;
    for (const qsizetype original : starts) {
        const qsizetype start = original + delta;
        if (!uncomment) {
            b.replace({start, 0}, marker);
            delta += marker.length();
            if (original <= sel.location)
                caret += marker.length();
            continue;
        }
        qsizetype at = start;
        while (at < b.length() && isSpaceOrTab(b.characterAt(at)))
            ++at;
        qsizetype remove = 0;
        if (b.textInRange({at, marker.length()}).compare(marker, Qt::CaseInsensitive) == 0)
            remove = marker.length();
        else if (commentAt(at))
            remove = comment.length();
        if (remove == 0)
            continue;
        b.replace({at, remove}, QString());
        delta -= remove;
        if (original <= sel.location && at - start + original < sel.location)
            caret -= qMin(remove, sel.location - (at - start + original));
    }
    if (sel.length > 0) {
        const qsizetype from = starts.first();
        const TextRange lastLine = b.lineRange(qMax(from, sel.end() + delta - 1));
        b.setSelectedRange({from, qMax<qsizetype>(0, lastLine.end() - from)});
    } else {
        setCaret(b, qBound<qsizetype>(0, caret, b.length()));
    }
}

qsizetype scanWord(const TextBuffer& b, const TypingSettings& s, qsizetype location, bool reverse)
{
    if (reverse) {
        const qsizetype from = b.selectedRange().location;
        if (from <= 0)
            return 0;
        qsizetype i = previousCharacterBoundary(b, from);
        while (i > 0 && isNameCharacter(s, b.characterAt(i - 1)))
            --i;
        return from - i;
    }
    if (location >= b.length())
        return 0;
    qsizetype i = nextCharacterBoundary(b, location);
    while (i < b.length() && isNameCharacter(s, b.characterAt(i)))
        ++i;
    return i - location;
}

void moveWordLeft(TextBuffer& b, const TypingSettings& s)
{
    const qsizetype count = scanWord(b, s, 0, true);
    setCaret(b, b.selectedRange().location - count);
}

void moveWordRight(TextBuffer& b, const TypingSettings& s)
{
    const qsizetype location = b.selectedRange().location;
    setCaret(b, location + scanWord(b, s, location, false));
}

void moveWordLeftAndModifySelection(TextBuffer& b, const TypingSettings& s)
{
    const TextRange sel = b.selectedRange();
    const qsizetype count = scanWord(b, s, 0, true);
    b.setSelectedRange({sel.location - count, sel.length + count});
}

void moveWordRightAndModifySelection(TextBuffer& b, const TypingSettings& s)
{
    const TextRange sel = b.selectedRange();
    const qsizetype count = scanWord(b, s, sel.end(), false);
    b.setSelectedRange({sel.location, sel.length + count});
}

void deleteWordBackward(TextBuffer& b, const TypingSettings& s)
{
    const TextRange sel = b.selectedRange();
    const qsizetype count = scanWord(b, s, 0, true);
    if (count + sel.length == 0)
        return;
    const TextRange range{sel.location - count, count + sel.length};
    if (range.length == 1 && deleteEmptyPair(b, s, range))
        return;
    b.replace(range, QString());
}

void deleteWordForward(TextBuffer& b, const TypingSettings& s)
{
    const TextRange sel = b.selectedRange();
    const qsizetype count = scanWord(b, s, sel.end(), false);
    if (count + sel.length == 0)
        return;
    const TextRange range{sel.location, sel.length + count};
    if (range.length == 1 && deleteEmptyPair(b, s, range))
        return;
    b.replace(range, QString());
}

} // namespace typing
