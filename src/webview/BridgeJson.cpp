#include "webview/BridgeJson.h"

#include <QJsonArray>
#include <QJsonDocument>

QString bridgeToJson(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("null");
    return bridgeJsonValueToText(QJsonValue::fromVariant(value));
}

QString bridgeJsonValueToText(const QJsonValue& value)
{
    if (value.isUndefined() || value.isNull())
        return QStringLiteral("null");
    // Wrapping in an array lets the serialiser write scalars; the brackets are then dropped.
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

QVariant bridgeFromJson(const QString& text)
{
    if (text.trimmed().isEmpty())
        return {};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QStringLiteral("[%1]").arg(text).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray() || document.array().size() != 1)
        return {};
    return document.array().at(0).toVariant();
}
