#include "completion/ModuleFilenameCompletions.h"

#include "analysis/context/CodeContext.h"
#include "compiler/LogMessage.h"

#include <QDir>
#include <QUrl>

const QString ModuleFilenameCompletions::kModulesFolder = QStringLiteral("modules");

QStringList moduleNamesInFolder(const QString& folder)
{
    QStringList names;
    const QDir dir(folder);
    if (!dir.exists())
        return names;
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& entry : entries) {
        const QString name = entry.section(u'/', -1);
        // Hidden files (".gitkeep", an editor's swap file) and backups ("name~") are no modules.
        if (name.isEmpty() || name.startsWith(u'.') || name.endsWith(u'~'))
            continue;
        const QUrl url(name, QUrl::StrictMode);
        if (!url.isValid() || !url.isRelative())
            continue;
        QString path = url.path(QUrl::FullyDecoded);
        const qsizetype dot = path.lastIndexOf(u'.');
        if (dot > 0)
            path.truncate(dot);
        if (!path.isEmpty())
            names.append(path);
    }
    return names;
}

ModuleFilenameCompletions::ModuleFilenameCompletions(const QString& projectPath,
                                                     const QString& refreshNotification)
    : ModuleFilenameCompletions([projectPath] { return projectPath; }, refreshNotification)
{
}

ModuleFilenameCompletions::ModuleFilenameCompletions(std::function<QString()> projectPath,
                                                     const QString& refreshNotification)
    : m_projectPath(std::move(projectPath))
{
    getModuleFileNames();
    m_observer = platform::NotificationCenter::defaultCenter().addObserver(
        refreshNotification, nullptr, [this](const platform::Notification&) { getModuleFileNames(); });
}

ModuleFilenameCompletions::~ModuleFilenameCompletions()
{
    LogMessage(QStringLiteral("memory"), 3, QStringLiteral("deinit"));
    platform::NotificationCenter::defaultCenter().removeObserver(m_observer);
}

void ModuleFilenameCompletions::getModuleFileNames()
{
    const QString folder = QDir(m_projectPath()).filePath(kModulesFolder);
    m_names.refresh([folder] {
        QList<Completion> completions;
        for (const QString& name : moduleNamesInFolder(folder))
            completions.append(Completion(name, AutocompleteType::Modules, std::nullopt,
                                          Completion::kModuleFileNameScore));
        return completions;
    });
}

QList<Completion> ModuleFilenameCompletions::getCompletions(CodeContext& context, const CodeScanner&,
                                                            const ImportedLayers&)
{
    if (context.contextType() == CodeContextType::BlockComment
        || context.contextType() == CodeContextType::LeadingDot)
        return {};
    return m_names.value();
}
