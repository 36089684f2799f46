#pragma once

#include "model/Location.h"
#include "platform/NotificationCenter.h"
#include "platform/StringExtras.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

namespace platform { class TextStorage; }

// The line of an offset and the offset at which that line starts (not a column).
struct LineIndex {
    qint64 line = 0;
    qint64 character = 0;
    bool operator==(const LineIndex&) const = default;
};

// The line index of one CoffeeScript text: the text, its lines, where each line starts, and how
// often each word occurs. The editor keeps one bound to its text storage and updated edit by
// edit; the compiler keeps copies of it. Held through std::shared_ptr (reference semantics).
//
// Offsets and lengths count UTF-16 code units; lines and columns count from 0. A line's text
// never holds its line end. Line ends are LF, CR, CR LF (one line end), U+0085, U+2028, U+2029.
//
// Invariants of a built index (isSet()):
//  - there is at least one line, and exactly one start per line;
//  - the first start is 0 and each next start is the previous start plus the previous line's
//    length plus the length of its line end;
//  - when the text is empty or ends in a newline-set character (U+000A..U+000D, U+0085,
//    U+2028, U+2029), the last line is empty and starts at the text's length: the empty text
//    has one empty line;
//  - words() maps each word of the lines that do not begin with "#" to its number of
//    occurrences (never 0); runs that begin with a digit are numbers, and string literals
//    hold no words;
//  - the index equals a fresh index of code(), whatever edits led to it.
// An unbuilt index keeps only its text: no lines, no words, no starts.
//
// Main thread only.
class CodeLines {
public:
    static constexpr qint64 INT_SIZE = 8; // bytes per line start
    static constexpr qint64 BUFFER_BLOCK_SIZE = 8192; // spare bytes on every (re)allocation

    // An index of `code`. Without a text: an empty, unbuilt index. With `lazy`, the text is
    // kept and indexed on the first query.
    explicit CodeLines(const std::optional<QString>& code = std::nullopt, bool lazy = false);
    // An empty, unbuilt index that follows the edits of `textStorage`. It does not read the
    // storage's current text: the first edit indexes the storage's whole text, so bind it
    // before the storage receives its first text.
    explicit CodeLines(platform::TextStorage* textStorage);
    // An independent copy of `copyFrom`, bound to no storage.
    CodeLines(const CodeLines& copyFrom);
    CodeLines& operator=(const CodeLines&) = delete;
    virtual ~CodeLines();

    // The construction counter: each instance takes its value as instanceNr.
    static qint64 instances();
    static void setInstances(qint64 value);
    qint64 instanceNr() const { return m_instanceNr; }

    virtual QString code() const;
    // As the last build or update left them; reading never builds.
    virtual const QStringList& lines() const;
    virtual const QHash<QString, qint64>& words() const;
    bool isSet() const { return m_set; }

    // Rebuilds everything from `text`.
    virtual void reset(const QString& text);
    // Applies one edit: `text` is the new whole text, `range` the edited range in it and
    // `changeInLength` its new length minus its old length. Only the touched lines are
    // rescanned. A report that does not fit the current text rebuilds from `text`.
    virtual void updateFrom(const QString& text, platform::TextRange range, qint64 changeInLength);

    // The line that holds `offset` and its start. Builds an unbuilt index first. Negative
    // offsets give line 0, offsets at or past the end the last line.
    virtual LineIndex lineIndex(qint64 offset);
    virtual qint64 lineIndexOnlyLine(qint64 offset);
    virtual qint64 lineIndexOnlyCharacter(qint64 offset);
    // The empty range at `offset` (its column not clamped to the line); all zeros when negative.
    virtual LocationPtr locationForCharacterLocation(qint64 offset);
    // The start offset of `line`, clamped to the existing lines.
    virtual qint64 locationForLine(qint64 line);
    // The text range from the location's first to its last position (the last one excluded).
    virtual platform::TextRange locationToRange(const Location& location);
    // The whole lines the location touches, without the last one's line end.
    virtual platform::TextRange locationToFullLinesRange(const Location& location);
    // Follows the bound storage: applies character edits, ignores attribute-only ones.
    virtual void updateFromTextStorage(const platform::Notification& notification);

    qint64 lineCount() const { return m_lineIndicesMemorySize / INT_SIZE; }
    QList<qint64> lineStarts() const;
    qint64 lineIndicesMemorySize() const { return m_lineIndicesMemorySize; }
    qint64 lineIndicesAllocatedSize() const { return m_lineIndicesAllocatedSize; }

private:
    void build(const QString& text);
    void ensureBuilt();
    void ensureCapacity(qint64 bytes);
    qint64 startOf(qint64 line) const { return m_lineIndices[line]; }
    void addWords(QStringView line) const;
    void removeWords(QStringView line);

    static std::atomic<qint64> s_instances;

    qint64 m_instanceNr = 0;
    QString m_code;
    QStringList m_lines;
    // Counted on the first words() only: a program of many megabytes opens without paying for
    // millions of words nobody asked for. Once counted, every edit keeps them up to date.
    mutable QHash<QString, qint64> m_words;
    mutable bool m_wordsCounted = false;
    bool m_set = false;
    std::unique_ptr<qint64[]> m_lineIndices;
    qint64 m_lineIndicesMemorySize = 0;
    qint64 m_lineIndicesAllocatedSize = 0;
    platform::NotificationCenter::Token m_observer = 0;
};
