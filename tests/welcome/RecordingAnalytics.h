#pragma once

#include "welcome/WelcomeAnalytics.h"

#include <QList>
#include <QPair>

// Records what the welcome window reports, in place of the analytics clients.
class RecordingAnalytics : public welcome::WelcomeAnalyticsSink {
public:
    RecordingAnalytics() { welcome::WelcomeAnalytics::setSink(this); }
    ~RecordingAnalytics() override { welcome::WelcomeAnalytics::setSink(nullptr); }

    void track(const QString& event, const QVariantMap& properties) override { events.append({event, properties}); }
    void peopleSet(const QVariantMap& properties) override { people.append({QStringLiteral("$set"), properties}); }
    void peopleSetOnce(const QVariantMap& properties) override
    {
        people.append({QStringLiteral("$set_once"), properties});
    }
    void trackWeb(const QString& event, const QVariant& value) override { web.append({event, value}); }

    QStringList eventNames() const
    {
        QStringList names;
        for (const auto& event : events)
            names.append(event.first);
        return names;
    }

    QList<QPair<QString, QVariantMap>> events;
    QList<QPair<QString, QVariantMap>> people;
    QList<QPair<QString, QVariant>> web;
};
