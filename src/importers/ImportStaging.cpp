#include "importers/ImportStaging.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace importers {

namespace {
void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}
} // namespace

std::optional<ImportStaging> makeImportStaging(const QString& importPath, const QString& folderName, QString* error)
{
    const QFileInfo import(importPath);
    if (import.isSymLink() || (import.exists() && !import.isDir())) {
        setError(error, QStringLiteral("The project's \"%1\" is not a folder of the project, so nothing can be imported into it.")
                            .arg(import.fileName()));
        return std::nullopt;
    }
    if (!import.exists() && !QDir().mkdir(importPath)) {
        setError(error, QStringLiteral("The folder \"%1\" could not be made.").arg(importPath));
        return std::nullopt;
    }
    QTemporaryDir root(importPath + QStringLiteral("/.import-XXXXXX"));
    if (!root.isValid()) {
        setError(error, QStringLiteral("No room for the import could be made in \"%1\": %2").arg(importPath, root.errorString()));
        return std::nullopt;
    }
    root.setAutoRemove(false);
    ImportStaging staging{root.path(), root.path() + QLatin1Char('/') + folderName};
    if (!QDir().mkdir(staging.folder)) {
        setError(error, QStringLiteral("The folder \"%1\" could not be made.").arg(staging.folder));
        discardImportStaging(staging);
        return std::nullopt;
    }
    return staging;
}

bool installImport(const ImportStaging& staging, const QString& importPath, const QString& folderName,
                   const QStringList& requiredFiles, QString* error)
{
    auto fail = [&](const QString& text) {
        setError(error, text);
        discardImportStaging(staging);
        return false;
    };
    for (const QString& file : requiredFiles)
        if (!QFileInfo(staging.folder + QLatin1Char('/') + file).isFile())
            return fail(QStringLiteral("The export is incomplete: \"%1\" is missing.").arg(file));
    const QString target = importPath + QLatin1Char('/') + folderName;
    const QString previous = staging.root + QStringLiteral("/previous");
    const QFileInfo existing(target);
    const bool hadPrevious = existing.exists() || existing.isSymLink();
    // rename(2) moves a link itself, never what it points at.
    if (hadPrevious && !QDir().rename(target, previous))
        return fail(QStringLiteral("The earlier import \"%1\" could not be replaced.").arg(target));
    if (!QDir().rename(staging.folder, target)) {
        if (hadPrevious)
            QDir().rename(previous, target);
        return fail(QStringLiteral("The import could not be moved to \"%1\".").arg(target));
    }
    discardImportStaging(staging);
    return true;
}

void discardImportStaging(const ImportStaging& staging)
{
    if (!staging.root.isEmpty())
        QDir(staging.root).removeRecursively();
}

} // namespace importers
