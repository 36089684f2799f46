#include "webview/RBUserAgent.h"

#include <QCoreApplication>
#include <QSysInfo>

QString userAgentOSVersion()
{
    QString version = QSysInfo::productVersion();
    if (version.isEmpty() || version == QLatin1String("unknown"))
        version = QSysInfo::kernelVersion().section(QLatin1Char('-'), 0, 0);
    return version.replace(QLatin1Char('.'), QLatin1Char('_'));
}

QString userAgentWebKitVersion()
{
    // Every Chromium-based engine has named itself AppleWebKit/537.36 since it left WebKit, and
    // asking the engine for its user agent would start the whole web engine on the main thread
    // long before any window needs it (half a second of start-up, ahead of the preview server).
    return QStringLiteral("537.36");
}

QString userAgentAppVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("1.0") : version;
}

QString getUserAgent()
{
    return QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X %1) AppleWebKit/%2 (KHTML, like Gecko) ZelvorStudio/%3")
        .arg(userAgentOSVersion(), userAgentWebKitVersion(), userAgentAppVersion());
}
