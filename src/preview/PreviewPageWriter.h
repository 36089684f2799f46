#pragma once

#include <QString>

class QDir;

namespace preview {

// Writes the page the preview loads, ".temp.html" in the project folder, from the project's
// "index.html" rewritten by rewriteIndexPage with the fingerprints of the library files (only
// a project with modules needs a module bundle, so only then is a missing one worth a warning).
// Answers why there is no new page ("" when it was written); when the project's page cannot
// be read, the page as it was last written stays.
QString writePreviewPage(const QDir& project, bool hasModules);

} // namespace preview
