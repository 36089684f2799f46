#include "welcome/WebsitePage.h"

#ifndef ZELVOR_WEBSITE_URL
#define ZELVOR_WEBSITE_URL ""
#endif

namespace welcome {

QString websiteURL()
{
    QString site = QStringLiteral(ZELVOR_WEBSITE_URL).trimmed();
    while (site.endsWith(QLatin1Char('/')))
        site.chop(1);
    return site;
}

QUrl websitePage(const QString& path, const QString& site)
{
    QString base = site.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    if (base.isEmpty())
        return {};
    return QUrl(base + path);
}

} // namespace welcome
