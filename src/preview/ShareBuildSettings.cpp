#include "preview/ShareBuildSettings.h"

#include <QUrl>

#ifndef ZELVOR_SHARE_SERVICE_URL
#define ZELVOR_SHARE_SERVICE_URL ""
#endif
#ifndef ZELVOR_MIRROR_ANDROID_APP
#define ZELVOR_MIRROR_ANDROID_APP ""
#endif
#ifndef ZELVOR_MIRROR_IOS_APP
#define ZELVOR_MIRROR_IOS_APP ""
#endif
#ifndef ZELVOR_MIRROR_IOS_APP_2
#define ZELVOR_MIRROR_IOS_APP_2 ""
#endif
#ifndef ZELVOR_MIRROR_HELP_URL
#define ZELVOR_MIRROR_HELP_URL ""
#endif

namespace ShareBuildSettings {

namespace {
bool isWebAddress(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
        && !url.host().isEmpty();
}
} // namespace

QString shareServiceURL()
{
    const QString url = QString::fromUtf8(ZELVOR_SHARE_SERVICE_URL).trimmed();
    return isWebAddress(url) ? url : QString();
}

ViewerApp viewerAppFromSetting(const QString& setting)
{
    const qsizetype bar = setting.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return {};
    ViewerApp app{setting.left(bar).trimmed(), setting.mid(bar + 1).trimmed()};
    if (app.name.isEmpty() || !isWebAddress(app.storeURL))
        return {};
    return app;
}

ViewerApp androidViewerApp()
{
    return viewerAppFromSetting(QString::fromUtf8(ZELVOR_MIRROR_ANDROID_APP));
}

ViewerApp iosViewerApp()
{
    return viewerAppFromSetting(QString::fromUtf8(ZELVOR_MIRROR_IOS_APP));
}

ViewerApp secondIosViewerApp()
{
    return viewerAppFromSetting(QString::fromUtf8(ZELVOR_MIRROR_IOS_APP_2));
}

QString mirrorHelpURL()
{
    const QString url = QString::fromUtf8(ZELVOR_MIRROR_HELP_URL).trimmed();
    return isWebAddress(url) ? url : QString();
}

} // namespace ShareBuildSettings
