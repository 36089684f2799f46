#pragma once

#include "preview/RBPreviewModuleBuilder.h"

#include <QString>

#include <memory>

class CSTaskManager;

// Bundles a project's "modules" folder into one script for the preview page, through the
// outside builder program ("make" in "ZelvorModuleBuilder"). A fingerprint of the module files,
// kept in a hidden file beside the bundle, spares the build while nothing changed, also across
// runs of the application.
//
// Main thread. A build blocks its caller while the builder runs, with the event loop turning so
// that the builder's output arrives; it ends after `buildTimeout` at the latest.
class RBZelvorModuleManager : public RBPreviewModuleBuilder {
public:
    explicit RBZelvorModuleManager(const QString& modulesPath);
    ~RBZelvorModuleManager() override;

    // Makes managers for the preview.
    static RBPreviewModuleBuilderFactory factory();

    QString modulesPath() const { return m_modulesPath; }

    // Builds `outputPath` when the modules changed since the last successful build. Answers
    // whether the bundle is up to date afterwards (built now, or unchanged).
    bool buildForPath(const QString& outputPath) override;
    // The message of the last build's failure; empty after a success. A build that was not
    // needed keeps the previous value.
    QString lastError() const override { return m_lastError; }
    void setLastError(const QString& error) { m_lastError = error; }

    // "<folder>/.<name>.hash" beside the output file.
    static QString hashPathForPath(const QString& outputPath);
    // "<md5>:<path>" of every ".coffee" and ".js" file below the folder, in path order, joined
    // without separator; empty for an empty or missing folder. Links to folders are not
    // followed, so a link loop ends.
    static QString hashForPath(const QString& folder);

    // The runner of the current or last build (null before the first).
    CSTaskManager* taskManager() const { return m_taskManager.get(); }

    // The builder script; the resource by default (tests put others in its place).
    QString builderScriptPath() const { return m_builderScriptPath; }
    void setBuilderScriptPath(const QString& path) { m_builderScriptPath = path; }
    int buildTimeout() const { return m_buildTimeoutMs; }
    void setBuildTimeout(int milliseconds) { m_buildTimeoutMs = milliseconds; }

private:
    bool runBuilder(const QString& outputPath);
    // Why the modules are not built: a module, the folder or the bundle's place leads out of
    // the project, or a module is a pipe, device or socket ("" when they may be built).
    QString modulesProblem(const QString& outputPath) const;

    QString m_modulesPath;
    QString m_lastError;
    QString m_builderScriptPath;
    int m_buildTimeoutMs = 120000;
    // Shared so that a build in progress keeps its runner even when the manager goes meanwhile.
    std::shared_ptr<CSTaskManager> m_taskManager;
    // Cleared when the manager goes, for the callbacks of a build in progress.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
