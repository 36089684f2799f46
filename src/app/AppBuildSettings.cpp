#include "app/AppBuildSettings.h"

#ifndef ZELVOR_UPDATE_FEED_URL
#define ZELVOR_UPDATE_FEED_URL ""
#endif
#ifndef ZELVOR_WEBSITE_URL
#define ZELVOR_WEBSITE_URL ""
#endif
#ifndef ZELVOR_DATA_COLLECTION_OFF
#define ZELVOR_DATA_COLLECTION_OFF 0
#endif
#ifndef ZELVOR_APP_VERSION
#define ZELVOR_APP_VERSION "1.0.0"
#endif

namespace AppBuildSettings {

QString version()
{
    return QStringLiteral(ZELVOR_APP_VERSION);
}

QString updateFeedURL()
{
    return QStringLiteral(ZELVOR_UPDATE_FEED_URL).trimmed();
}

QString websiteURL()
{
    QString url = QStringLiteral(ZELVOR_WEBSITE_URL).trimmed();
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

bool dataCollectionDisabled()
{
    return ZELVOR_DATA_COLLECTION_OFF != 0;
}

} // namespace AppBuildSettings
