#include "Mixpanel/MixpanelEncoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QUrl>

QString mixpanelDateString(const QDateTime& date)
{
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"));
}

QJsonValue JSONSerializableObjectForObject(const QVariant& object)
{
    if (!object.isValid() || object.isNull())
        return QJsonValue(QJsonValue::Null);
    switch (object.typeId()) {
    case QMetaType::QString:
        return object.toString();
    case QMetaType::Bool:
        return object.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QJsonValue(object.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return object.toDouble();
    case QMetaType::QDateTime:
        return mixpanelDateString(object.toDateTime());
    case QMetaType::QUrl:
        return object.toUrl().toString(QUrl::FullyEncoded);
    case QMetaType::QJsonValue:
        return object.toJsonValue();
    case QMetaType::QJsonObject:
        return object.toJsonObject();
    case QMetaType::QJsonArray:
        return object.toJsonArray();
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QJsonArray array;
        for (const QVariant& element : object.toList())
            array.append(JSONSerializableObjectForObject(element));
        return array;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        QJsonObject dictionary;
        const QVariantMap map = object.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            dictionary.insert(it.key(), JSONSerializableObjectForObject(it.value()));
        return dictionary;
    }
    default:
        break;
    }
    if (object.canConvert<QString>())
        return object.toString();
    return QString::fromLatin1(object.typeName());
}

QByteArray JSONSerializeObject(const QVariant& object)
{
    const QJsonValue value = JSONSerializableObjectForObject(object);
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    // A bare scalar is valid JSON text too; wrap and unwrap it through an array.
    QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

QString encodeAPIData(const QVariantList& batch)
{
    const QByteArray json = JSONSerializeObject(batch);
    if (json.isEmpty())
        return QString();
    return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromLatin1(json.toBase64())));
}

QByteArray uploadBody(const QVariantList& batch)
{
    return QStringLiteral("ip=1&data=%1").arg(encodeAPIData(batch)).toUtf8();
}

QString calculateHMACSHA1withString(const QString& string, const QString& key)
{
    const QByteArray digest = QMessageAuthenticationCode::hash(string.toUtf8(), key.toUtf8(),
                                                               QCryptographicHash::Sha1);
    return QString::fromLatin1(digest.toHex()).toUpper();
}
