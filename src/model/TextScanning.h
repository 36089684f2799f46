#pragma once

#include <QString>
#include <QStringView>

#include <functional>

// Pure scanning rules shared by the line index: where lines end and what a word is.
// Offsets count UTF-16 code units.
namespace textscan {

// LF, CR, U+0085, U+2028, U+2029: the characters that end a line (CR LF ends one line).
bool isLineTerminator(char16_t c);
// The newline character set: the line terminators plus U+000B and U+000C, which do not end a
// line. A text whose last unit is one of them gets an extra empty last line.
bool isNewlineSetCharacter(char16_t c);
// Whether a line starts at `pos` of `text`: at 0, or right after a line end (never between the
// CR and the LF of one line end).
bool isLineStart(QStringView text, qsizetype pos);
// Calls `line(start, length)` for each line of text[from, to), in order; `length` excludes the
// line end. `to` must be a line start or the end of the text.
void enumerateLines(QStringView text, qsizetype from, qsizetype to,
                    const std::function<void(qsizetype start, qsizetype length)>& line);
// Calls `word(text)` for each word of one line: each maximal run of word characters (letters,
// marks, decimal digits, connector punctuation, U+200C, U+200D; also outside the Basic
// Multilingual Plane) that does not begin with a digit (a number, or a piece of one such as
// "28AFFA" or "2x"), outside string literals (single, double and back quotes, backslash escapes
// honoured, closed on the line or not). A line that begins with "#" has no words.
void forEachWord(QStringView line, const std::function<void(QStringView word)>& word);

} // namespace textscan
