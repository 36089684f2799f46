#pragma once
#include <QString>
#include <functional>
#include <memory>

// The module builder as the preview uses it: it bundles the project's "modules" folder into
// one script before each reload and keeps the last build error, which the preview reports in
// place of the page's runtime errors while it stands.
class RBPreviewModuleBuilder {
public:
    virtual ~RBPreviewModuleBuilder() = default;
    // Builds the bundle into `outputPath`, synchronously.
    virtual bool buildForPath(const QString& outputPath) = 0;
    // The message of the last failed build; empty when the last build succeeded.
    virtual QString lastError() const = 0;
};

// Makes the builder for a project's "modules" folder.
using RBPreviewModuleBuilderFactory = std::function<std::unique_ptr<RBPreviewModuleBuilder>(const QString& modulesFolder)>;
