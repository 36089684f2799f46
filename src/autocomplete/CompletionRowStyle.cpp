#include "autocomplete/CompletionRowStyle.h"

#include <QHash>

namespace autocomplete {

QColor colorFromType(const QString& type)
{
    static const QColor blue = QColor::fromRgbF(0.42f, 0.77f, 0.93f);
    static const QColor yellow = QColor::fromRgbF(1.0f, 0.76f, 0.17f);
    static const QColor purple = QColor::fromRgbF(0.69f, 0.56f, 1.0f);
    static const QColor green = QColor::fromRgbF(0.62f, 0.9f, 0.34f);
    static const QHash<QString, QColor> colours = {
        {QStringLiteral("array"), blue},       {QStringLiteral("boolean"), yellow},
        {QStringLiteral("function"), blue},    {QStringLiteral("language"), yellow},
        {QStringLiteral("number"), purple},    {QStringLiteral("object"), blue},
        {QStringLiteral("frame"), blue},       {QStringLiteral("point"), blue},
        {QStringLiteral("rect"), blue},        {QStringLiteral("string"), green},
        {QStringLiteral("color"), green},      {QStringLiteral("layer"), blue},
        {QStringLiteral("any"), QColor(Qt::white)}, {QStringLiteral("constructor"), yellow},
    };
    return colours.value(type);
}

QColor darkerColor(const QColor& color)
{
    if (color == QColor(Qt::white))
        return QColor::fromRgbF(0.7f, 0.7f, 0.7f, 1.0f);
    const QColor hsv = color.toHsv();
    return QColor::fromHsvF(hsv.hsvHueF(), hsv.hsvSaturationF(), std::max(0.0f, hsv.valueF() - 0.3f), hsv.alphaF());
}

int typeBarWidth(std::optional<double> fontSize)
{
    const double f = fontSize.value_or(0);
    return f > 24 ? 3 : f > 18 ? 2 : 1;
}

QString imageNameForType(const QString& type, bool active)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("Array"), QStringLiteral("icon-ac-array")},
        {QStringLiteral("Boolean"), QStringLiteral("icon-ac-boolean")},
        {QStringLiteral("Function"), QStringLiteral("icon-ac-function")},
        {QStringLiteral("Language"), QStringLiteral("icon-ac-language")},
        {QStringLiteral("Number"), QStringLiteral("icon-ac-number")},
        {QStringLiteral("Object"), QStringLiteral("icon-ac-object")},
        {QStringLiteral("String"), QStringLiteral("icon-ac-string")},
        {QStringLiteral("Layer"), QStringLiteral("icon-ac-layer")},
    };
    const QString name = names.value(type);
    if (name.isEmpty())
        return {};
    return active ? name + QStringLiteral("-active") : name;
}

} // namespace autocomplete
