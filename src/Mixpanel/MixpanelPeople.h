#pragma once

#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

class Mixpanel;

// The people-profile half of the event client: each call becomes one profile record ("$set",
// "$set_once" or "$add") in the client's people queue, uploaded to "/engage/". Records made
// before the installation has a profile identifier wait in a queue of their own until the
// client's identify() gives them one. Made only by the client; its state lives on the
// client's serial queue.
class MixpanelPeople {
public:
    explicit MixpanelPeople(Mixpanel* mixpanel);

    void set(const QVariantMap& properties);
    void setOnce(const QVariantMap& properties);
    void increment(const QVariantMap& properties);
    // Does nothing when the name or the amount is missing.
    void increment(const QString& property, const QVariant& amount);

    // Snapshots (wait for the client's queued work).
    QString distinctId() const;
    QVariantList unidentifiedQueue() const;
    QVariantMap automaticPeopleProperties() const { return m_automaticPeopleProperties; }

private:
    friend class Mixpanel;

    void addPeopleRecordToQueueWithAction(const QString& action, const QVariantMap& properties);

    QPointer<Mixpanel> m_mixpanel;
    QVariantMap m_automaticPeopleProperties;
    // Serial-queue state of the client.
    QString m_distinctId;
    QVariantList m_unidentifiedQueue;
};
