#include "editor/SnippetTemplate.h"

#include <kainjow/mustache.hpp>

#include <QMetaType>

namespace snippets {

namespace {

using Data = kainjow::mustache::data;

Data toData(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return Data(value.toBool());
    case QMetaType::QVariantMap: {
        Data object(Data::type::object);
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            object.set(it.key().toStdString(), toData(it.value()));
        return object;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        Data list(Data::type::list);
        for (const QVariant& item : value.toList())
            list.push_back(toData(item));
        return list;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return Data(QString::number(value.toDouble(), 'g', 15).toStdString());
    default:
        if (!value.isValid() || value.isNull())
            return Data(std::string());
        return Data(value.toString().toStdString());
    }
}

} // namespace

std::optional<QString> renderTemplate(const QString& templateText, const QVariantMap& context, QString* error)
{
    kainjow::mustache::mustache tmpl(templateText.toStdString());
    if (!tmpl.is_valid()) {
        if (error)
            *error = QString::fromStdString(tmpl.error_message());
        return std::nullopt;
    }
    const std::string rendered = tmpl.render(toData(context));
    if (!tmpl.is_valid()) { // a partial that could not be found or parsed
        if (error)
            *error = QString::fromStdString(tmpl.error_message());
        return std::nullopt;
    }
    return QString::fromStdString(rendered);
}

} // namespace snippets
