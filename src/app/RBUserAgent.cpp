#include "app/RBUserAgent.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSysInfo>
#include <QWebEngineProfile>

QString userAgentOSVersion()
{
    QString version = QSysInfo::productVersion();
    if (version.isEmpty() || version == QLatin1String("unknown"))
        version = QSysInfo::kernelVersion().section(QLatin1Char('-'), 0, 0);
    return version.replace(QLatin1Char('.'), QLatin1Char('_'));
}

QString userAgentWebKitVersion()
{
    static const QString version = [] {
        static const QRegularExpression pattern(QStringLiteral("AppleWebKit/([\\d.]+)"));
        const auto match = pattern.match(QWebEngineProfile::defaultProfile()->httpUserAgent());
        return match.hasMatch() ? match.captured(1) : QStringLiteral("537.36");
    }();
    return version;
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
