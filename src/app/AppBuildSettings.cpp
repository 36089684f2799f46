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

#ifndef ZELVOR_LIBRARY_SERVER_URL
#define ZELVOR_LIBRARY_SERVER_URL ""
#endif
#ifndef ZELVOR_GIST_HOST
#define ZELVOR_GIST_HOST "gist.github.com"
#endif
#ifndef ZELVOR_GIST_RAW_URL
#define ZELVOR_GIST_RAW_URL "https://gist.githubusercontent.com"
#endif

namespace {
QString withoutTrailingSlash(QString url)
{
    url = url.trimmed();
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}
} // namespace

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
    return withoutTrailingSlash(QStringLiteral(ZELVOR_WEBSITE_URL));
}

QString libraryServerURL()
{
    return withoutTrailingSlash(QStringLiteral(ZELVOR_LIBRARY_SERVER_URL));
}

QString gistHost()
{
    return QStringLiteral(ZELVOR_GIST_HOST).trimmed();
}

QString gistRawURL()
{
    return withoutTrailingSlash(QStringLiteral(ZELVOR_GIST_RAW_URL));
}

bool dataCollectionDisabled()
{
    return ZELVOR_DATA_COLLECTION_OFF != 0;
}

} // namespace AppBuildSettings
