#include "autocomplete/CompletionDescriptions.h"

#include "messages/KVAnchorLinkHelper.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace autocomplete {

QJsonObject parseAutocompleteInfo(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = QStringLiteral("%1 at offset %2").arg(parseError.errorString()).arg(parseError.offset);
        return {};
    }
    if (!document.isObject()) {
        if (error)
            *error = QStringLiteral("the descriptions are not a JSON object");
        return {};
    }
    return document.object();
}

QString descriptionForCodeTypeID(const QJsonObject& info, const QString& key)
{
    if (key.isEmpty())
        return {};
    QJsonObject current = info;
    for (const QString& component : key.split(u'.')) {
        const QJsonValue next = current.value(component);
        if (!next.isObject())
            return {};
        current = next.toObject();
    }
    const QJsonValue description = current.value(QStringLiteral("description"));
    return description.isString() ? description.toString() : QString();
}

QString descriptionKeyForItem(const KVAutoCompletion& item)
{
    if (item.type() == u"constructor" && KVAnchorLinkHelper::isZelvorConstructor(item.word()))
        return item.word();
    return item.codeTypeID();
}

} // namespace autocomplete
