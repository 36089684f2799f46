#include "document/DeviceScaleMenu.h"

namespace DeviceScaleMenu {

const QList<Entry>& entries()
{
    static const QList<Entry> list = {
        {QStringLiteral("25%"), 0.25}, {QStringLiteral("50%"), 0.5}, {QStringLiteral("75%"), 0.75},
        {QStringLiteral("100%"), 1},   {QStringLiteral("150%"), 1.5}, {QStringLiteral("200%"), 2},
        {QString(), QJsonValue()},     {QStringLiteral("Fit"), -1},
    };
    return list;
}

int fitIndex()
{
    return int(entries().size()) - 1;
}

std::optional<int> indexForValue(const QJsonValue& value)
{
    const QJsonValue wanted = value.isString() ? QJsonValue(-1) : value;
    if (!wanted.isDouble())
        return std::nullopt;
    for (int i = 0; i < entries().size(); ++i) {
        const Entry& entry = entries().at(i);
        if (!entry.isSeparator() && entry.value.toDouble() == wanted.toDouble())
            return i;
    }
    return std::nullopt;
}

} // namespace DeviceScaleMenu
