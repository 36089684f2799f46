#include "platform/UserDefaults.h"

#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/VariantExtras.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTimer>

namespace platform {

namespace {
const QString kDomain = QStringLiteral("UserDefaults");
const QString kDateTag = QStringLiteral("$date");
const QString kDataTag = QStringLiteral("$data");
} // namespace

UserDefaults& UserDefaults::standard()
{
    static UserDefaults defaults(defaultStorePath());
    return defaults;
}

QString UserDefaults::defaultStorePath()
{
    const QString overridePath = qEnvironmentVariable("ZELVOR_USER_DEFAULTS");
    if (!overridePath.isEmpty())
        return overridePath;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/ZelvorStudio/UserDefaults.json");
}

UserDefaults::UserDefaults(QString storePath)
    : m_storePath(std::move(storePath))
{
    load();
}

UserDefaults::~UserDefaults()
{
    if (m_dirty)
        synchronize();
    delete m_saveContext;
}

void UserDefaults::load()
{
    m_values.clear();
    QFile file(m_storePath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        Log::warning(kDomain, QStringLiteral("cannot read %1").arg(m_storePath));
        return;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    file.close();
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        // Keep the unreadable file for the user, out of the way of the next save.
        const QString kept = m_storePath + QStringLiteral(".unreadable-")
            + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-hhmmss"));
        QFile::rename(m_storePath, kept);
        Log::warning(kDomain, QStringLiteral("%1 is not valid JSON (%2); kept as %3, using the defaults")
                                  .arg(m_storePath, error.errorString(), kept));
        return;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        m_values.insert(it.key(), fromJson(it.value()));
}

void UserDefaults::reload()
{
    m_dirty = false;
    load();
}

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_registered.insert(it.key(), it.value());
}

bool UserDefaults::hasKey(const QString& key) const
{
    return m_values.contains(key) || m_registered.contains(key);
}

bool UserDefaults::hasUserValue(const QString& key) const
{
    return m_values.contains(key);
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    auto it = m_values.constFind(key);
    if (it != m_values.constEnd())
        return it.value();
    return m_registered.value(key);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        return text == QLatin1String("yes") || text == QLatin1String("true") || text.toInt() != 0;
    }
    return value.toBool();
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::Double)
        return qint64(value.toDouble());
    return value.toLongLong();
}

double UserDefaults::doubleForKey(const QString& key) const
{
    return objectForKey(key).toDouble();
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::Bool || isNumber(value))
        return value.toString();
    return {};
}

QDateTime UserDefaults::dateForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QDateTime ? value.toDateTime() : QDateTime();
}

QByteArray UserDefaults::dataForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

QVariantList UserDefaults::arrayForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

void UserDefaults::setObject(const QString& key, const QVariant& value)
{
    if (!value.isValid()) {
        removeObject(key);
        return;
    }
    m_values.insert(key, value);
    scheduleSave();
    notifyObservers(key);
}

void UserDefaults::removeObject(const QString& key)
{
    if (m_values.remove(key) > 0) {
        scheduleSave();
        notifyObservers(key);
    }
}

void UserDefaults::addObserver(const QString& key, QObject* owner, std::function<void()> handler)
{
    m_observers.push_back({key, owner, std::move(handler)});
}

void UserDefaults::removeObserver(QObject* owner)
{
    std::erase_if(m_observers, [owner](const KeyObserver& o) { return o.owner == owner; });
}

void UserDefaults::notifyObservers(const QString& key)
{
    // Handlers may add or remove observers: work on a copy, and skip owners that went away.
    std::erase_if(m_observers, [](const KeyObserver& o) { return o.owner.isNull(); });
    const std::vector<KeyObserver> observers = m_observers;
    for (const KeyObserver& o : observers) {
        if (o.key == key && !o.owner.isNull())
            o.handler();
    }
}

void UserDefaults::scheduleSave()
{
    m_dirty = true;
    if (m_saveScheduled || !QCoreApplication::instance())
        return;
    if (!m_saveContext)
        m_saveContext = new QObject;
    m_saveScheduled = true;
    QTimer::singleShot(1000, m_saveContext, [this] {
        m_saveScheduled = false;
        if (m_dirty)
            synchronize();
    });
}

bool UserDefaults::synchronize()
{
    if (!m_dirty)
        return QFileInfo::exists(m_storePath);
    QJsonObject object;
    for (auto it = m_values.begin(); it != m_values.end(); ++it)
        object.insert(it.key(), toJson(it.value()));
    QDir().mkpath(QFileInfo(m_storePath).absolutePath());
    const bool written = writeFileAtomically(m_storePath, QJsonDocument(object).toJson(QJsonDocument::Indented));
    if (written)
        m_dirty = false;
    else
        Log::warning(kDomain, QStringLiteral("cannot write %1").arg(m_storePath));
    return written;
}

QJsonValue UserDefaults::toJson(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return QJsonObject{{kDateTag, value.toDateTime().toUTC().toString(Qt::ISODateWithMs)}};
    case QMetaType::QByteArray:
        return QJsonObject{{kDataTag, QString::fromLatin1(value.toByteArray().toBase64())}};
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QJsonArray array;
        for (const QVariant& item : value.toList())
            array.append(toJson(item));
        return array;
    }
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            object.insert(it.key(), toJson(it.value()));
        return object;
    }
    default:
        return QJsonValue::fromVariant(value);
    }
}

QVariant UserDefaults::fromJson(const QJsonValue& value)
{
    if (value.isArray()) {
        QVariantList list;
        for (const QJsonValue& item : value.toArray())
            list.append(fromJson(item));
        return list;
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        if (object.size() == 1 && object.contains(kDateTag))
            return QDateTime::fromString(object.value(kDateTag).toString(), Qt::ISODateWithMs);
        if (object.size() == 1 && object.contains(kDataTag))
            return QByteArray::fromBase64(object.value(kDataTag).toString().toLatin1());
        QVariantMap map;
        for (auto it = object.begin(); it != object.end(); ++it)
            map.insert(it.key(), fromJson(it.value()));
        return map;
    }
    return value.toVariant();
}

} // namespace platform
