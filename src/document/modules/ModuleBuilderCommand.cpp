#include "document/modules/ModuleBuilderCommand.h"

#include "platform/Bundle.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace modulebuilder {

QString builderScriptPath()
{
    return platform::Bundle::main().pathForResource(QStringLiteral("make"), QStringLiteral("py"),
                                                    QStringLiteral("ZelvorModuleBuilder"));
}

QStringList builderArguments(const QString& script, const QString& modulesFolder, const QString& outputPath)
{
    return {QStringLiteral("-S"), QStringLiteral("-s"), script, modulesFolder, outputPath};
}

namespace {
QString nodeFolder()
{
    const QString bundled = platform::Bundle::main().pathForResource(QStringLiteral("bin"), QString(), QStringLiteral("Node/iojs"));
    if (!bundled.isEmpty())
        return bundled;
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    return node.isEmpty() ? QString() : QFileInfo(node).absolutePath();
}
} // namespace

QMap<QString, QString> builderEnvironment()
{
    QStringList path{QStringLiteral("/bin"), QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin")};
    const QString node = nodeFolder();
    if (!node.isEmpty() && !path.contains(node))
        path << node;
    return {
        {QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1")},
        {QStringLiteral("DESKTOPAPP"), QStringLiteral("1")},
        {QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1")},
        {QStringLiteral("TEMPDIR"), QDir::tempPath()},
        {QStringLiteral("PATH"), path.join(QLatin1Char(':'))},
    };
}

} // namespace modulebuilder
