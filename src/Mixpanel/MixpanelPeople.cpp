#include "Mixpanel/MixpanelPeople.h"

#include "Mixpanel/Mixpanel.h"
#include "Mixpanel/MixpanelDevice.h"

#include <QDateTime>

#include <cmath>

namespace {
constexpr qsizetype kMaxQueuedRecords = 500;
}

MixpanelPeople::MixpanelPeople(Mixpanel* mixpanel)
    : m_mixpanel(mixpanel)
{
    // The keys keep their historical names: profiles already stored by the service use them.
    m_automaticPeopleProperties = {
        {QStringLiteral("$mac_version"), operatingSystemVersion()},
        {QStringLiteral("$mac_app_version"), applicationBuildVersion()},
    };
    if (mixpanel)
        m_automaticPeopleProperties.insert(QStringLiteral("$mac_device_model"), deviceModel());
}

void MixpanelPeople::set(const QVariantMap& properties)
{
    addPeopleRecordToQueueWithAction(QStringLiteral("$set"), properties);
}

void MixpanelPeople::setOnce(const QVariantMap& properties)
{
    addPeopleRecordToQueueWithAction(QStringLiteral("$set_once"), properties);
}

void MixpanelPeople::increment(const QVariantMap& properties)
{
    addPeopleRecordToQueueWithAction(QStringLiteral("$add"), properties);
}

void MixpanelPeople::increment(const QString& property, const QVariant& amount)
{
    if (property.isEmpty() || !amount.isValid() || amount.isNull())
        return;
    increment(QVariantMap{{property, amount}});
}

QString MixpanelPeople::distinctId() const
{
    if (!m_mixpanel)
        return m_distinctId;
    return m_mixpanel->readOnQueue<QString>([this] { return m_distinctId; });
}

QVariantList MixpanelPeople::unidentifiedQueue() const
{
    if (!m_mixpanel)
        return m_unidentifiedQueue;
    return m_mixpanel->readOnQueue<QVariantList>([this] { return m_unidentifiedQueue; });
}

void MixpanelPeople::addPeopleRecordToQueueWithAction(const QString& action, const QVariantMap& properties)
{
    const qint64 time = std::llround(double(QDateTime::currentMSecsSinceEpoch()));
    Mixpanel* mixpanel = m_mixpanel.data();
    if (!mixpanel)
        return;
    mixpanel->runOnQueue([this, mixpanel, action, properties, time] {
        QVariantMap values;
        if (action == QLatin1String("$add")) {
            values = properties;
        } else {
            values = m_automaticPeopleProperties;
            values.insert(properties);
        }
        QVariantMap record{{QStringLiteral("$token"), mixpanel->m_apiToken},
                           {QStringLiteral("$time"), time},
                           {action, values}};
        if (!m_distinctId.isEmpty()) {
            record.insert(QStringLiteral("$distinct_id"), m_distinctId);
            mixpanel->m_peopleQueue.append(record);
            while (mixpanel->m_peopleQueue.size() > kMaxQueuedRecords)
                mixpanel->m_peopleQueue.removeFirst();
        } else {
            m_unidentifiedQueue.append(record);
            while (m_unidentifiedQueue.size() > kMaxQueuedRecords)
                m_unidentifiedQueue.removeFirst();
        }
        if (!mixpanel->isApplicationActive()) {
            mixpanel->archivePeople();
            // Records without an identifier are stored with the properties.
            if (m_distinctId.isEmpty())
                mixpanel->archiveProperties();
        }
    });
}
