#include "messages/ProjectConfig.h"

#include <cmath>

const QString ProjectConfig::UpdateDelay = QStringLiteral("updateDelay");
const QString ProjectConfig::DeviceType = QStringLiteral("deviceType");
const QString ProjectConfig::DeviceScale = QStringLiteral("deviceScale");
const QString ProjectConfig::ContentScale = QStringLiteral("contentScale");
const QString ProjectConfig::DeviceOrientation = QStringLiteral("deviceOrientation");
const QString ProjectConfig::SharedPrototype = QStringLiteral("sharedPrototype");
const QString ProjectConfig::SelectedHand = QStringLiteral("selectedHand");
const QString ProjectConfig::configFileName = QStringLiteral("zelvor/config.json");

QJsonObject ProjectConfig::makeDefaults(const QString& defaultDevice)
{
    return QJsonObject{
        {UpdateDelay, 0.3},
        {DeviceType, defaultDevice},
        {DeviceScale, -1},
        {ContentScale, 1},
        {DeviceOrientation, 0},
        {SharedPrototype, 0},
        {SelectedHand, QString()},
    };
}

void ProjectConfig::setValue(const QString& key, const QJsonValue& value)
{
    m_values.insert(key, value);
    Q_EMIT valueChanged(key, value);
}

void ProjectConfig::removeValue(const QString& key)
{
    if (!m_values.contains(key))
        return;
    m_values.remove(key);
    Q_EMIT valueChanged(key, QJsonValue(QJsonValue::Undefined));
}

double ProjectConfig::doubleValue(const QString& key, double fallback) const
{
    const QJsonValue v = m_values.value(key);
    if (v.isDouble())
        return v.toDouble();
    if (v.isString()) {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        return ok ? d : fallback;
    }
    if (v.isBool())
        return v.toBool() ? 1 : 0;
    return fallback;
}

int ProjectConfig::intValue(const QString& key, int fallback) const
{
    const double d = doubleValue(key, fallback);
    return std::isfinite(d) ? int(d) : fallback;
}

QString ProjectConfig::stringValue(const QString& key) const
{
    const QJsonValue v = m_values.value(key);
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return QString::number(v.toDouble());
    return QString();
}

std::optional<double> ProjectConfig::updateDelayOf(const QJsonObject& settings)
{
    const QJsonValue value = settings.value(UpdateDelay);
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}
