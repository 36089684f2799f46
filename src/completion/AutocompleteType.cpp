#include "completion/AutocompleteType.h"

#include <QHash>

#include <array>

namespace {

const std::array<QString, 28>& rawValues()
{
    static const std::array<QString, 28> values = {
        QStringLiteral("string"), QStringLiteral("number"), QStringLiteral("boolean"),
        QStringLiteral("any"), QStringLiteral("color"), QStringLiteral("point"),
        QStringLiteral("size"), QStringLiteral("frame"), QStringLiteral("rect"),
        QString(""), QStringLiteral("constructor"), QStringLiteral("function"),
        QStringLiteral("object"), QStringLiteral("enum"), QStringLiteral("array"),
        QStringLiteral("layer"), QStringLiteral("backgroundLayer"), QStringLiteral("pageComponent"),
        QStringLiteral("scrollComponent"), QStringLiteral("sliderComponent"),
        QStringLiteral("animation"), QStringLiteral("Screen"), QStringLiteral("Events"),
        QStringLiteral("Canvas"), QStringLiteral("Device"), QStringLiteral("Utils"),
        QStringLiteral("language"), QStringLiteral("module"),
    };
    return values;
}

} // namespace

QString rawValue(AutocompleteType type)
{
    return rawValues()[std::size_t(type)];
}

std::optional<AutocompleteType> autocompleteTypeFromRawValue(const QString& raw)
{
    static const QHash<QString, AutocompleteType> byRaw = [] {
        QHash<QString, AutocompleteType> table;
        for (std::size_t i = 0; i < rawValues().size(); ++i)
            table.insert(rawValues()[i], AutocompleteType(i));
        return table;
    }();
    const auto found = byRaw.constFind(raw);
    if (found == byRaw.constEnd())
        return std::nullopt;
    return *found;
}
