#pragma once

#include <QString>

#include <memory>
#include <optional>

class Location;
using LocationPtr = std::shared_ptr<Location>;

// A stretch of CoffeeScript source: first line and column to last line and column, all counted
// from 0 and stored exactly as the compiler writes them. Nothing checks that the first position
// comes before the last or that the numbers are non-negative: an unmappable position is -1 in
// all four fields.
//
// Locations are shared, not copied (syntax-tree array nodes share their parent's range), so
// hold them through LocationPtr. There is no value equality on purpose: two locations are the
// same only when they are the same object.
class Location {
public:
    // The range parsed from `from` (text form "firstLine:firstColumn-lastLine:lastColumn"),
    // or 0:0-0:0 when no text is given or the text does not have that form.
    explicit Location(const std::optional<QString>& from = std::nullopt);

    // A new shared location, as the constructor makes it. This is also the class form of
    // fromString: `Location::from(text)` answers a new range, 0:0-0:0 for a text of another form.
    static LocationPtr from(const std::optional<QString>& text = std::nullopt);

    qint64 firstLine() const { return m_firstLine; }
    void setFirstLine(qint64 value) { m_firstLine = value; }
    qint64 firstColumn() const { return m_firstColumn; }
    void setFirstColumn(qint64 value) { m_firstColumn = value; }
    qint64 lastLine() const { return m_lastLine; }
    void setLastLine(qint64 value) { m_lastLine = value; }
    qint64 lastColumn() const { return m_lastColumn; }
    void setLastColumn(qint64 value) { m_lastColumn = value; }

    // Parses the text form into this range. Anything else (blanks, brackets, signs, missing
    // parts, non-ASCII digits, numbers beyond 64 bits) leaves the range unchanged.
    // Answers whether the text parsed.
    bool fromString(QStringView text);

    // Makes this a one-point range at (line, column).
    void fromPosition(qint64 line, qint64 column);

    // Whether `other` lies inside this range, both ends inclusive.
    bool contains(const Location& other) const;

    // "[firstLine:firstColumn-lastLine:lastColumn]"; with `raw` false every number is printed
    // plus 1, the positions a person reads. The brackets make the printed form unparsable.
    QString toString(bool raw = true) const;

private:
    qint64 m_firstLine = 0;
    qint64 m_firstColumn = 0;
    qint64 m_lastLine = 0;
    qint64 m_lastColumn = 0;
};

// Start-position order: first line, then first column. The last positions take no part, so two
// ranges with the same start are neither less nor greater than each other.
bool operator<(const Location& a, const Location& b);
bool operator>(const Location& a, const Location& b);
