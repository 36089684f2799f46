#pragma once

#include <QString>

// What the build says about sharing and mirroring (CMake settings, none with a default: the
// services and the companion viewer apps belong to whoever distributes the application).
namespace ShareBuildSettings {

// The share service's upload address; empty when the build names none (nothing is shared).
QString shareServiceURL();

// A companion viewer app offered in the mirror menu: its name and store page.
struct ViewerApp {
    QString name;
    QString storeURL;
    bool isSet() const { return !name.isEmpty() && !storeURL.isEmpty(); }
};
// The setting's "Name|https://store-page" form; anything else (no name, no web address) is unset.
ViewerApp viewerAppFromSetting(const QString& setting);

ViewerApp androidViewerApp();
ViewerApp iosViewerApp();
ViewerApp secondIosViewerApp();
// The page that explains mirroring to devices, or empty.
QString mirrorHelpURL();

} // namespace ShareBuildSettings
