#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace platform {

// A character range of a string in UTF-16 code units. `location` is kNotFound when absent.
struct TextRange {
    static constexpr qsizetype kNotFound = std::numeric_limits<qsizetype>::max();
    qsizetype location = 0;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    bool isNotFound() const { return location == kNotFound; }
    bool operator==(const TextRange&) const = default;
    // "{location, length}", the text form of a range.
    QString toString() const;
};

// Small operations on text shared by the editor, the line numbers and the document.
// Offsets count UTF-16 code units.

QString randomStringWithLength(int length); // letters and digits, uniformly drawn
QString capitalizedSentence(const QString& text); // first character upper-cased
QString underscore(const QString& text); // "camelCaseName" -> "camel_case_name"
QString camelCase(const QString& text); // "my-new layer" -> "myNewLayer"
QString classify(const QString& text); // "my-new layer" -> "MyNewLayer"
QString MD5String(const QString& text); // 32 upper-case hexadecimal digits of the UTF-8 bytes
QString trim(const QString& text);
int occurrencesOfString(const QString& text, const QString& pattern); // non-overlapping, UTF-8 bytes
QString reversedString(const QString& text); // by grapheme clusters
TextRange fullRange(const QString& text);
TextRange safeRange(const QString& text, TextRange range); // clipped to the text
QStringList lines(const QString& text); // split at "\n"

// Line ranges including their terminators (CR, LF or CRLF; also U+2028/U+2029), moved by
// `offset`; an empty text or one ending in "\n" gets one more empty range at its end.
QList<TextRange> lineRanges(const QString& text, qsizetype offset = 0);
QStringList lineRangeStrings(const QString& text, qsizetype offset = 0); // as "{location, length}"

qsizetype lineIndexForLocation(const QString& text, qsizetype location); // "\n" before location
qsizetype lineIndexForRange(const QString& text, TextRange range);
TextRange lineIndicesForRange(const QString& text, TextRange range);
qsizetype lineCount(const QString& text); // "\n" count + 1
TextRange lineRangeForLineIndex(const QString& text, qsizetype line);
QString stringForLineIndex(const QString& text, qsizetype line, bool* found = nullptr);
TextRange lineRangeForLocation(const QString& text, qsizetype location);
TextRange expandRangeForLinesWithRange(const QString& text, TextRange range);
QString validVariable(const QString& text); // the first run of non-letters of each line removed

} // namespace platform
