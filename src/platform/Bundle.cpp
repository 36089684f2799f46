#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

Bundle& Bundle::main()
{
    static Bundle bundle;
    return bundle;
}

Bundle::Bundle()
{
    reload();
}

void Bundle::reload()
{
    const QString fromEnvironment = qEnvironmentVariable("ZELVOR_RESOURCES");
    if (!fromEnvironment.isEmpty()) {
        m_resourcePath = QDir(fromEnvironment).absolutePath();
        return;
    }
    const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    for (const QString& candidate : {exeDir + QStringLiteral("/resources"),
                                     exeDir + QStringLiteral("/../resources"),
                                     exeDir + QStringLiteral("/../share/zelvor-studio/resources")}) {
        if (QFileInfo(candidate).isDir()) {
            m_resourcePath = QDir(candidate).canonicalPath();
            return;
        }
    }
    m_resourcePath = exeDir + QStringLiteral("/resources");
}

QString Bundle::pathForResource(const QString& name, const QString& type, const QString& directory) const
{
    if (name.isEmpty())
        return {};
    QString path = m_resourcePath;
    if (!directory.isEmpty())
        path += QLatin1Char('/') + directory;
    path += QLatin1Char('/') + name;
    if (!type.isEmpty())
        path += QLatin1Char('.') + type;
    return QFileInfo::exists(path) ? QDir::cleanPath(path) : QString();
}

} // namespace platform
