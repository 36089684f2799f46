#include "welcome/WelcomeAnalytics.h"

#include "Mixpanel/Mixpanel.h"
#include "Mixpanel/MixpanelPeople.h"
#include "analytics/RBGoogleAnalytics.h"
#include "platform/UserDefaults.h"
#include "welcome/WelcomeControllerConstants.h"

namespace welcome {

namespace {

// The application's shared clients. The event client exists only when the application made it
// at start-up (data collection on); the web tracker is made on first use.
class SharedClientsSink : public WelcomeAnalyticsSink {
public:
    void track(const QString& event, const QVariantMap& properties) override
    {
        if (Mixpanel* client = Mixpanel::sharedInstance())
            client->track(event, properties);
    }
    void peopleSet(const QVariantMap& properties) override
    {
        if (Mixpanel* client = Mixpanel::sharedInstance())
            client->people()->set(properties);
    }
    void peopleSetOnce(const QVariantMap& properties) override
    {
        if (Mixpanel* client = Mixpanel::sharedInstance())
            client->people()->setOnce(properties);
    }
    void trackWeb(const QString& event, const QVariant& value) override
    {
        RBGoogleAnalytics::sharedInstance().trackEvent(event, value);
    }
};

WelcomeAnalyticsSink* g_sink = nullptr;

WelcomeAnalyticsSink& sink()
{
    static SharedClientsSink shared;
    return g_sink ? *g_sink : shared;
}

} // namespace

void WelcomeAnalytics::setSink(WelcomeAnalyticsSink* newSink)
{
    g_sink = newSink;
}

bool WelcomeAnalytics::isEnabled() const
{
    return !m_defaults.boolForKey(DataCollectionDisabledKey);
}

void WelcomeAnalytics::track(const QString& event, const QVariantMap& properties, const QVariant& webValue)
{
    if (!isEnabled())
        return;
    sink().track(event, properties);
    sink().trackWeb(event, webValue);
}

void WelcomeAnalytics::trackEvent(const QString& event, const QVariantMap& properties)
{
    if (isEnabled())
        sink().track(event, properties);
}

void WelcomeAnalytics::trackWeb(const QString& event, const QVariant& value)
{
    if (isEnabled())
        sink().trackWeb(event, value);
}

void WelcomeAnalytics::peopleSet(const QVariantMap& properties)
{
    if (isEnabled())
        sink().peopleSet(properties);
}

void WelcomeAnalytics::peopleSetOnce(const QVariantMap& properties)
{
    if (isEnabled())
        sink().peopleSetOnce(properties);
}

} // namespace welcome
