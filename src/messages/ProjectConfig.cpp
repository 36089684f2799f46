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

bool ProjectConfig::acceptsValue(const QString& key, const QJsonValue& value)
{
    const auto number = [&value](double low, double high) {
        return value.isDouble() && std::isfinite(value.toDouble()) && value.toDouble() >= low && value.toDouble() <= high;
    };
    const auto text = [&value](qsizetype longest) { return value.isString() && value.toString().size() <= longest; };
    if (key == UpdateDelay)
        return number(-1, 60);
    if (key == DeviceType || key == SelectedHand)
        return text(kMaxNameLength);
    if (key == DeviceScale)
        return (number(-1, -1)) || number(0.05, 16);
    if (key == ContentScale)
        return number(0.05, 16);
    if (key == DeviceOrientation)
        return number(-360, 360) && std::fmod(value.toDouble(), 90) == 0;
    if (key == SharedPrototype)
        return number(0, 1) && std::floor(value.toDouble()) == value.toDouble();
    // Keys of the page's own (such as "fullScreen"): plain values only.
    return value.isBool() || value.isNull() || number(-1e9, 1e9) || text(kMaxNameLength);
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
