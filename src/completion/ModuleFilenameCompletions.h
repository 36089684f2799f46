#pragma once

#include "completion/BackgroundValue.h"
#include "completion/CompletionSource.h"
#include "platform/NotificationCenter.h"

#include <QStringList>

#include <functional>

// Offers the names of the project's module files (the entries of its "modules" folder, without
// their extensions), except after a dot and in block comments. The folder is listed off the
// main thread when the source is made and again at each refresh notification; the new list
// replaces the old one in one step, and a listing that ends after the source is gone is
// dropped. A folder that is gone, not a folder or cannot be read offers nothing.
class ModuleFilenameCompletions : public CompletionSource {
public:
    static const QString kModulesFolder; // "modules"

    // Lists the folder now (in the background) and again whenever `refreshNotification` is
    // posted (by any object). Each listing asks for the project's folder anew: a project saved
    // under another name lists its new folder.
    ModuleFilenameCompletions(std::function<QString()> projectPath, const QString& refreshNotification);
    ModuleFilenameCompletions(const QString& projectPath, const QString& refreshNotification);
    ~ModuleFilenameCompletions() override;
    ModuleFilenameCompletions(const ModuleFilenameCompletions&) = delete;
    ModuleFilenameCompletions& operator=(const ModuleFilenameCompletions&) = delete;

    // Lists the folder again, in the background.
    void getModuleFileNames();
    const QList<Completion>& moduleFileNames() const { return m_names.value(); }
    bool isListing() const { return m_names.isRefreshing(); }

    QList<Completion> getCompletions(CodeContext& context, const CodeScanner& scanner,
                                     const ImportedLayers& importedLayers) override;
    CompletionSourceKind kind() const override { return CompletionSourceKind::FileNames; }

private:
    std::function<QString()> m_projectPath;
    BackgroundValue<QList<Completion>> m_names;
    platform::NotificationCenter::Token m_observer = 0;
};

// The module names of a folder, in listing order: each entry's name without its last
// extension (percent escapes decoded). Hidden entries (a leading "."), backups (a trailing "~") and names that are no
// valid relative URL (such as names holding a blank) are left out. Empty when the folder does
// not exist or cannot be listed.
QStringList moduleNamesInFolder(const QString& folder);
