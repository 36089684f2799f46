#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// How the module builder program is started: the interpreter, its arguments and the exact
// environment it gets (nothing of the application's own environment is passed on).
namespace modulebuilder {

// The builder script among the application's resources ("make" in "ZelvorModuleBuilder"); empty
// when the resources lack it.
QString builderScriptPath();

// "-S", "-s", the script, the modules folder, the output file.
QStringList builderArguments(const QString& script, const QString& modulesFolder, const QString& outputPath);

// PYTHONUNBUFFERED, DESKTOPAPP, PYTHONDONTWRITEBYTECODE, TEMPDIR and PATH. PATH is "/bin",
// "/usr/bin", "/usr/local/bin" and then the Node runtime's folder: the application's own
// ("Node/iojs/bin" in the resources) when it ships one, else the folder of the machine's
// Node.js when that lies elsewhere.
QMap<QString, QString> builderEnvironment();

} // namespace modulebuilder
