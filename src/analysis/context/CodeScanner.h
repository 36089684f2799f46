#pragma once

#include "analysis/tokens/TokenMatcher.h"
#include "platform/StringExtras.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class CodeLines;

// The caret's surroundings in the editor text for one completion request: its line and that
// line's indentation, whether it stands at a line's start or end, in a line comment, inside or in
// front of a word, and the word being typed (the entry). Built once from the editor's line index
// and the caret offset, read-only afterwards. Offsets count UTF-16 units.
//
// A caret outside the text is moved to its nearest end, so every field describes a real position.
// Main thread only (the line index builds itself on first query).
class CodeScanner {
public:
    // The word being typed and where it stands.
    struct Entry {
        QString text;
        platform::TextRange range;
    };

    // `lines` may be null: the scanner then describes an empty text.
    CodeScanner(const std::shared_ptr<CodeLines>& lines, qint64 cursor);

    const std::shared_ptr<CodeLines>& lines() const { return m_lines; }
    const QString& code() const { return m_code; }
    qint64 codeLength() const { return m_codeLength; }
    // The caret's line, without its line end.
    const QString& line() const { return m_line; }
    qint64 cursor() const { return m_cursor; }
    qint64 cursorPosInLine() const { return m_cursor - m_lineStart; }
    bool isEOF() const { return m_cursor == m_codeLength; }
    // Whether the caret stands inside a line comment: after a "#" of its line that is neither in
    // a string nor part of a "###" block delimiter or the block it opens on that line.
    bool isComment() const { return m_isComment; }
    // Whether the caret stands inside a string literal that opened on its line (not in the code
    // of an interpolation), and the line's text before the string's opening quote.
    bool inString() const { return m_stringStart >= 0; }
    QStringView textBeforeString() const
    {
        return inString() ? QStringView(m_line).left(m_stringStart) : QStringView();
    }
    // Whether the caret stands in or right after a number literal in code ("2", "0.", "1e5",
    // "0x1F"): no name is written there.
    bool afterNumber() const { return m_afterNumber; }
    qint64 lineIndex() const { return m_lineIndex; }
    qint64 lineLength() const { return m_line.size(); }
    qint64 lineStart() const { return m_lineStart; }
    // Leading tabs and spaces of the caret's line, each counting 1.
    qint64 lineIndent() const { return m_lineIndent; }
    bool atLineStart() const { return m_cursor == m_lineStart; }
    bool atLineEnd() const { return m_cursor == m_lineStart + m_line.size(); }
    bool isEmptyLine() const { return m_line.isEmpty(); }
    // The identifier characters just before and just after the caret.
    const std::optional<QString>& precursor() const { return m_precursor; }
    const std::optional<QString>& postcursor() const { return m_postcursor; }
    bool inWord() const { return m_precursor && m_postcursor; }
    bool inFrontOfWord() const { return m_postcursor.has_value(); }
    // The part of the word before the caret; absent exactly when there is no precursor.
    const std::optional<Entry>& entry() const { return m_entry; }

    // The character just before the word being typed (or before the caret when there is no
    // word), never less than 0: where backward matching starts.
    qint64 entryLeadingLocation() const;
    // Runs the matcher backwards over the whole text from entryLeadingLocation().
    std::optional<TokenMatch> match(const TokenMatcher& matcher) const;
    // The caret's indentation (no deeper than its column) less that of line `index`: 0 for the
    // caret's own line, the caret's whole indentation for a line that does not exist.
    qint64 indentationDeltaAtCursor(qint64 index) const;
    // The indentation of line `index`; 0 for a line that does not exist.
    qint64 indentationAt(qint64 index) const;
    // Debugging aid: prints "-->", the 20 units around `position` with "^" at it, then "<--", to
    // standard output without a line end.
    void logPosition(qint64 position) const;

private:
    std::shared_ptr<CodeLines> m_lines;
    QString m_code;
    qint64 m_codeLength = 0;
    QString m_line;
    qint64 m_cursor = 0;
    bool m_isComment = false;
    qint64 m_stringStart = -1;
    bool m_afterNumber = false;
    qint64 m_lineIndex = 0;
    qint64 m_lineStart = 0;
    qint64 m_lineIndent = 0;
    std::optional<QString> m_precursor;
    std::optional<QString> m_postcursor;
    std::optional<Entry> m_entry;
};

// Where `column` of a line stands as far as the line shows: in a line comment, or inside a
// string literal (with the column of its opening quote), else in code. The code of a
// double-quoted string's interpolation "#{…}" is code. Strings and blocks that began on earlier
// lines are not seen.
struct LinePlace {
    bool comment = false;
    qint64 stringStart = -1;
};
LinePlace linePlaceBefore(QStringView line, qint64 column);

// Whether the run of name characters and dots that ends at `cursor` is a number literal: it
// begins with a digit, or with a dot and a digit (".5").
bool numberLiteralBefore(QStringView code, qint64 cursor);

// The dotted names written right before the dot at `dot` ("layerA.draggable" gives layerA and
// draggable), with the offset of the first; nothing when the receiver is more than names (a
// call, an index, "@", a number).
struct NameChain {
    QStringList names;
    qsizetype start = -1;
};
NameChain nameChainBefore(QStringView code, qsizetype dot);

// Whether a line comment has begun before `column` of the line: a "#" outside single-, double-
// and back-quoted strings (backslash escapes honoured) that is not part of a "###" delimiter; a
// "###" delimiter opens a block that the next one on the line closes, and a "#" inside it is no
// line comment. Strings and blocks that began on earlier lines are not seen.
bool lineCommentBefore(QStringView line, qint64 column);
