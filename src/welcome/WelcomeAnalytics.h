#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace platform { class UserDefaults; }

namespace welcome {

// Where the welcome window's analytics go: the event client (events and profile changes) and
// the web-analytics tracker. The default sink uses the application's shared clients and skips
// a client that does not exist; tests install their own.
class WelcomeAnalyticsSink {
public:
    virtual ~WelcomeAnalyticsSink() = default;
    virtual void track(const QString& event, const QVariantMap& properties) = 0;
    virtual void peopleSet(const QVariantMap& properties) = 0;
    virtual void peopleSetOnce(const QVariantMap& properties) = 0;
    virtual void trackWeb(const QString& event, const QVariant& value) = 0;
};

// Reports through the current sink unless "RBDataCollectionDisabled" is true in `defaults`.
class WelcomeAnalytics {
public:
    explicit WelcomeAnalytics(platform::UserDefaults& defaults) : m_defaults(defaults) {}

    bool isEnabled() const;
    // The event to the event client with its properties and to the web tracker with `webValue`.
    void track(const QString& event, const QVariantMap& properties = {}, const QVariant& webValue = {});
    void trackEvent(const QString& event, const QVariantMap& properties = {});
    void trackWeb(const QString& event, const QVariant& value = {});
    void peopleSet(const QVariantMap& properties);
    void peopleSetOnce(const QVariantMap& properties);

    // Null restores the shared clients. The sink must outlive its use.
    static void setSink(WelcomeAnalyticsSink* sink);

private:
    platform::UserDefaults& m_defaults;
};

} // namespace welcome
