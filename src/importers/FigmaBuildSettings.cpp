#include "importers/FigmaBuildSettings.h"

#ifndef ZELVOR_FIGMA_HOST
#define ZELVOR_FIGMA_HOST ""
#endif

namespace FigmaBuildSettings {

QUrl serviceUrl()
{
    const QString host = QStringLiteral(ZELVOR_FIGMA_HOST).trimmed();
    if (host.isEmpty())
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    return url.isValid() ? url : QUrl();
}

} // namespace FigmaBuildSettings
