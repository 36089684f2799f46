#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QVariant>
#include <QVariantList>

// The wire form of the event service: records become JSON-ready values, then compact JSON,
// then one line of standard Base64, then a percent-encoded form value.

// "yyyy-MM-dd'T'HH:mm:ss.SSS'Z'" in UTC: how dates travel in records.
QString mixpanelDateString(const QDateTime& date);

// Strings, numbers, Booleans and nulls as they are; lists and maps member by member; dates as
// text; URLs as their full text; anything else as its text description.
QJsonValue JSONSerializableObjectForObject(const QVariant& object);

// Compact JSON of the JSON-ready form.
QByteArray JSONSerializeObject(const QVariant& object);

// Base64 of the compact JSON, percent-encoded as a URL component ("+", "/" and "=" escaped).
QString encodeAPIData(const QVariantList& batch);

// The form body of one upload: "ip=1&data=" followed by the encoded batch.
QByteArray uploadBody(const QVariantList& batch);

// HMAC-SHA1 keyed with the UTF-8 bytes of `key` over those of `string`, as 40 upper-case
// hexadecimal digits.
QString calculateHMACSHA1withString(const QString& string, const QString& key);
