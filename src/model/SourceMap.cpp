#include "model/SourceMap.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <array>

#include <algorithm>
#include <cmath>

namespace {

// The object at `index` (clamped to the list) or the nearest one before it; none when no
// entry down to 0 is an object.
std::optional<QJsonObject> nearestObjectAtOrBefore(const QJsonArray& list, qint64 index)
{
    if (list.isEmpty())
        return std::nullopt;
    for (qint64 i = std::clamp<qint64>(index, 0, list.size() - 1); i >= 0; --i) {
        const QJsonValue entry = list.at(i);
        if (entry.isObject())
            return entry.toObject();
    }
    return std::nullopt;
}

// A source position: a JSON number, read as an integer, from 0 up. Negative or absurd numbers
// name no position in the CoffeeScript.
std::optional<qint64> positionValue(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < 0 || number > 9.0e18)
        return std::nullopt;
    return qint64(number);
}

// A 1-based position as an index from 0 (without overflow for the smallest numbers).
qint64 toIndex(qint64 position)
{
    return position <= 0 ? 0 : position - 1;
}

// Reads the base64 variable-length numbers of a source map's segments, one at a time.
class VlqReader {
public:
    explicit VlqReader(QStringView text)
        : m_text(text)
    {
    }

    bool atSegmentEnd() const { return m_at >= m_text.size() || m_text[m_at] == u',' || m_text[m_at] == u';'; }
    bool atEnd() const { return m_at >= m_text.size(); }
    QChar next() { return m_text[m_at++]; }

    // The next number of the segment; nothing on a character outside base64.
    std::optional<qint64> number()
    {
        qint64 value = 0;
        int shift = 0;
        while (m_at < m_text.size() && shift < 60) {
            const int digit = digitOf(m_text[m_at++]);
            if (digit < 0)
                return std::nullopt;
            value |= qint64(digit & 31) << shift;
            shift += 5;
            if (!(digit & 32))
                return (value & 1) ? -(value >> 1) : value >> 1;
        }
        return std::nullopt;
    }

private:
    static int digitOf(QChar c)
    {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            return u - u'A';
        if (u >= u'a' && u <= u'z')
            return u - u'a' + 26;
        if (u >= u'0' && u <= u'9')
            return u - u'0' + 52;
        return u == u'+' ? 62 : u == u'/' ? 63 : -1;
    }

    QStringView m_text;
    qsizetype m_at = 0;
};

} // namespace

QJsonObject SourceMap::fromV3(const QByteArray& v3Json)
{
    const QJsonDocument document = QJsonDocument::fromJson(v3Json);
    const QJsonValue mappingsValue = document.object().value(QLatin1String("mappings"));
    if (!mappingsValue.isString())
        return {};
    const QString mappings = mappingsValue.toString();
    VlqReader reader(mappings);
    QJsonArray lines;
    QJsonArray columns;
    qint64 sourceLine = 0;
    qint64 sourceColumn = 0;
    qint64 column = 0;
    auto endLine = [&] {
        lines.append(columns.isEmpty() ? QJsonValue() : QJsonValue(QJsonObject{{QStringLiteral("columns"), columns}}));
        columns = QJsonArray();
        column = 0;
    };
    while (!reader.atEnd()) {
        if (reader.atSegmentEnd()) {
            if (reader.next() == u';')
                endLine();
            continue;
        }
        // generated column, source index, source line, source column (each relative), then
        // maybe a name: only the positions matter here.
        std::array<qint64, 4> fields{};
        int count = 0;
        while (!reader.atSegmentEnd()) {
            const std::optional<qint64> value = reader.number();
            if (!value)
                return {};
            if (count < 4)
                fields[size_t(count)] = *value;
            ++count;
        }
        column += fields[0];
        if (count == 1)
            continue; // a segment without a source position
        if (count < 4)
            return {};
        sourceLine += fields[2];
        sourceColumn += fields[3];
        if (column < 0 || column > 1'000'000 || sourceLine < 0 || sourceColumn < 0)
            return {};
        while (columns.size() < column)
            columns.append(QJsonValue());
        const QJsonObject entry{{QStringLiteral("sourceLine"), sourceLine}, {QStringLiteral("sourceColumn"), sourceColumn}};
        if (columns.size() == column)
            columns.append(entry);
        else
            columns[column] = entry;
    }
    endLine();
    return QJsonObject{{QStringLiteral("lines"), lines}};
}

LocationPtr SourceMap::jsToCoffeeLocation(const QJsonObject& sourceMap, qint64 line, qint64 column)
{
    auto result = Location::from();
    const auto unknown = [&result] {
        result->fromPosition(-1, -1);
        return result;
    };
    const QJsonValue lines = sourceMap.value(QLatin1String("lines"));
    if (!lines.isArray())
        return unknown();
    const auto lineEntry = nearestObjectAtOrBefore(lines.toArray(), toIndex(line));
    if (!lineEntry)
        return unknown();
    const QJsonValue columns = lineEntry->value(QLatin1String("columns"));
    if (!columns.isArray())
        return unknown();
    const auto columnEntry = nearestObjectAtOrBefore(columns.toArray(), toIndex(column));
    if (!columnEntry)
        return unknown();
    const auto sourceLine = positionValue(columnEntry->value(QLatin1String("sourceLine")));
    const auto sourceColumn = positionValue(columnEntry->value(QLatin1String("sourceColumn")));
    if (!sourceLine || !sourceColumn)
        return unknown();
    result->fromPosition(*sourceLine, *sourceColumn);
    return result;
}
