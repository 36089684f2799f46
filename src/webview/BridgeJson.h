#pragma once

#include <QJsonValue>
#include <QString>
#include <QVariant>

// The JSON codec of the page bridge. Scalars are written as bare JSON scalars ("2", "true",
// "\"text\""), arrays and objects compactly; an invalid value is "null". Reading accepts any
// JSON value, bare scalars included, and answers an invalid value for empty or malformed text.
QString bridgeToJson(const QVariant& value);
QString bridgeJsonValueToText(const QJsonValue& value);
QVariant bridgeFromJson(const QString& text);
