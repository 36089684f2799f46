#include "platform/gui/ApplicationFonts.h"

#include "platform/Log.h"

#include <QDir>
#include <QFontDatabase>

namespace platform {

QStringList loadApplicationFonts(const QString& folder)
{
    QStringList families;
    if (folder.isEmpty())
        return families;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.otf")}, QDir::Files, QDir::Name)) {
        const int id = QFontDatabase::addApplicationFont(dir.filePath(name));
        if (id < 0) {
            Log::warning(QStringLiteral("fonts"), QStringLiteral("Cannot load the font %1").arg(dir.filePath(name)));
            continue;
        }
        for (const QString& family : QFontDatabase::applicationFontFamilies(id))
            if (!families.contains(family))
                families << family;
    }
    return families;
}

} // namespace platform
