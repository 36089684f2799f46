#pragma once

#include <QString>

namespace platform { class UserDefaults; }

// What the importers remember in the user's defaults: the output scale chosen per design file,
// the design file chosen per pane, and the pane that last imported.
namespace importers {

// The stored scale of the design file, or 1 when none is stored (or the stored one is no
// positive number).
double scaleForPath(platform::UserDefaults& defaults, const QString& path);
void saveScale(platform::UserDefaults& defaults, double scale, const QString& path);

// The design file the user chose in the pane of this identifier ("" when none).
QString designFileForPane(platform::UserDefaults& defaults, const QString& identifier);
void setDesignFileForPane(platform::UserDefaults& defaults, const QString& identifier, const QString& path);

} // namespace importers
