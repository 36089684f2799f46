#include "importers/ImporterDefaults.h"

#include "importers/ImportRules.h"
#include "platform/UserDefaults.h"

#include <cmath>

namespace importers {

namespace {
const QString kDesignFilesKey = QStringLiteral("ImporterDesignFiles");
}

double scaleForPath(platform::UserDefaults& defaults, const QString& path)
{
    const QVariantMap stored = defaults.dictionaryForKey(QString::fromLatin1(kScaleDocumentPathsKey));
    bool ok = false;
    const double scale = stored.value(path).toDouble(&ok);
    return ok && std::isfinite(scale) && scale > 0 ? scale : 1;
}

void saveScale(platform::UserDefaults& defaults, double scale, const QString& path)
{
    if (path.isEmpty())
        return;
    const QString key = QString::fromLatin1(kScaleDocumentPathsKey);
    QVariantMap stored = defaults.dictionaryForKey(key);
    stored.insert(path, scale);
    defaults.setObject(key, stored);
}

QString designFileForPane(platform::UserDefaults& defaults, const QString& identifier)
{
    return defaults.dictionaryForKey(kDesignFilesKey).value(identifier).toString();
}

void setDesignFileForPane(platform::UserDefaults& defaults, const QString& identifier, const QString& path)
{
    QVariantMap stored = defaults.dictionaryForKey(kDesignFilesKey);
    if (path.isEmpty())
        stored.remove(identifier);
    else
        stored.insert(identifier, path);
    defaults.setObject(kDesignFilesKey, stored);
}

} // namespace importers
