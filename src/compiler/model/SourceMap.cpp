#include "compiler/model/SourceMap.h"

#include <QJsonArray>

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

} // namespace

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
