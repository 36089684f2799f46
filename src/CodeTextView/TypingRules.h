#pragma once

#include "CodeTextView/TextBuffer.h"
#include "CodeTextView/TypingSettings.h"

// The editing rules of the CoffeeScript editor, as logic over a TextBuffer: auto-closing pairs,
// wrapping a selection, deleting an empty pair, re-indenting a typed "}", indentation on
// newline, Tab as block indent, shifting lines, toggling line comments and word steps that
// know names. Every rule leaves valid text: no step splits a surrogate pair or a combining
// sequence.
namespace typing {

using TextRange = platform::TextRange;

bool isNameCharacter(const TypingSettings& settings, QChar c);

// The line that holds `location`, its line break included (the last line runs to the end).
TextRange lineRangeForLocation(const TextBuffer& buffer, qsizetype location);
// The start of every line that a range touches (at least one).
QList<qsizetype> lineStartsForRange(const TextBuffer& buffer, TextRange range);
// The leading spaces and tabs of the line that starts at `lineStart`.
QString leadingWhitespace(const TextBuffer& buffer, qsizetype lineStart);

// Whole characters (grapheme clusters) around an offset.
qsizetype nextCharacterBoundary(const TextBuffer& buffer, qsizetype location);
qsizetype previousCharacterBoundary(const TextBuffer& buffer, qsizetype location);

// One indentation step in spaces or a tab, for a cursor at `location`.
QString indentationUnit(const TextBuffer& buffer, const TypingSettings& settings, qsizetype location);

// Typing a string: wrap, closing brace, auto-closing, default insertion.
void insertText(TextBuffer& buffer, const TypingSettings& settings, const QString& text);

// Deleting `range` (one character): removes an empty pair as a whole. Answers whether the
// rule handled the deletion; when not, the caller deletes as usual.
bool deleteEmptyPair(TextBuffer& buffer, const TypingSettings& settings, TextRange range);

void insertNewline(TextBuffer& buffer, const TypingSettings& settings);
void insertTab(TextBuffer& buffer, const TypingSettings& settings);
void shiftRight(TextBuffer& buffer, const TypingSettings& settings);
void shiftLeft(TextBuffer& buffer, const TypingSettings& settings);
void commentSelection(TextBuffer& buffer, const TypingSettings& settings);

// How far one word step goes from `location` (forward) or from the selection's start
// (reverse): one whole character of any kind, then the run of name characters after it.
qsizetype scanWord(const TextBuffer& buffer, const TypingSettings& settings, qsizetype location,
                   bool reverse);

void moveWordLeft(TextBuffer& buffer, const TypingSettings& settings);
void moveWordRight(TextBuffer& buffer, const TypingSettings& settings);
void moveWordLeftAndModifySelection(TextBuffer& buffer, const TypingSettings& settings);
void moveWordRightAndModifySelection(TextBuffer& buffer, const TypingSettings& settings);
void deleteWordBackward(TextBuffer& buffer, const TypingSettings& settings);
void deleteWordForward(TextBuffer& buffer, const TypingSettings& settings);

} // namespace typing
