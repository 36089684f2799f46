#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// An import is written into a fresh folder of its own and takes the place of an earlier import
// of the same design only once it is complete, so a failed export never leaves a half-written
// folder or costs the layers the project already has.
namespace importers {

struct ImportStaging {
    QString root;   // hidden folder inside the import folder, removed afterwards
    QString folder; // where the exporter writes: root + "/" + the final folder name
};

// Makes the import folder when it is missing (not its parents) and a staging folder in it.
// Refuses an import folder that is a link or no folder: imports stay inside the project.
std::optional<ImportStaging> makeImportStaging(const QString& importPath, const QString& folderName, QString* error);

// Moves the staged folder to importPath/folderName in place of an earlier one, when it holds
// every required file; on any failure the earlier folder stays as it was. The staging folder is
// removed either way.
bool installImport(const ImportStaging& staging, const QString& importPath, const QString& folderName,
                   const QStringList& requiredFiles, QString* error);

// Removes a staging folder that will not be installed.
void discardImportStaging(const ImportStaging& staging);

} // namespace importers
