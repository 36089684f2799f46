#pragma once

#include <QString>

namespace platform {

// The application's resources folder. Looked up in this order: the ZELVOR_RESOURCES
// environment variable, "resources" next to the executable (a build), then the installed
// share folder.
class Bundle {
public:
    static Bundle& main();

    QString resourcePath() const { return m_resourcePath; }

    // "name.type" inside the optional sub-folder, or an empty string when it does not exist.
    // An empty type looks for the bare name.
    QString pathForResource(const QString& name, const QString& type = QString(),
                            const QString& directory = QString()) const;

    // Re-reads the location (tests change ZELVOR_RESOURCES).
    void reload();

private:
    Bundle();
    QString m_resourcePath;
};

} // namespace platform
