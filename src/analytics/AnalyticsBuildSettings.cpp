#include "analytics/AnalyticsBuildSettings.h"

#ifndef ZELVOR_MIXPANEL_TOKEN
#define ZELVOR_MIXPANEL_TOKEN ""
#endif
#ifndef ZELVOR_MIXPANEL_HOST
#define ZELVOR_MIXPANEL_HOST ""
#endif
#ifndef ZELVOR_ANALYTICS_HOST
#define ZELVOR_ANALYTICS_HOST ""
#endif
#ifndef ZELVOR_ANALYTICS_SITE_ID
#define ZELVOR_ANALYTICS_SITE_ID ""
#endif

namespace AnalyticsBuildSettings {

QString mixpanelToken()
{
    return QStringLiteral(ZELVOR_MIXPANEL_TOKEN);
}

QString mixpanelServerURL()
{
    const QString host = QStringLiteral(ZELVOR_MIXPANEL_HOST);
    return host.isEmpty() ? QString() : QStringLiteral("https://") + host;
}

QUrl analyticsPageURL()
{
    const QString host = QStringLiteral(ZELVOR_ANALYTICS_HOST);
    return host.isEmpty() ? QUrl() : QUrl(QStringLiteral("https://%1/analytics.html").arg(host));
}

QString analyticsSiteId()
{
    return QStringLiteral(ZELVOR_ANALYTICS_SITE_ID);
}

} // namespace AnalyticsBuildSettings
