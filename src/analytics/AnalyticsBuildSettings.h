#pragma once

#include <QString>
#include <QUrl>

// The analytics services this build reports to. They are build settings (CMake cache
// variables ZELVOR_MIXPANEL_TOKEN, ZELVOR_MIXPANEL_HOST, ZELVOR_ANALYTICS_HOST and
// ZELVOR_ANALYTICS_SITE_ID) with no default: a build without them queues and stores its
// analytics but sends nothing.
namespace AnalyticsBuildSettings {

QString mixpanelToken();
// "https://" followed by the event service's API host; empty when no host is set.
QString mixpanelServerURL();
// The hosted web-analytics page, "https://<host>/analytics.html"; empty when no host is set.
QUrl analyticsPageURL();
QString analyticsSiteId();

} // namespace AnalyticsBuildSettings
