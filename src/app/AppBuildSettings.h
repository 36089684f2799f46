#pragma once

#include <QString>

// What the build says about this application (CMake settings).
namespace AppBuildSettings {

// The version of this build ("1.0.0").
QString version();
// The update feed's address; empty when the build names none (updates then come from the
// package that installed the application).
QString updateFeedURL();
// The maker's web site without a trailing "/", or empty.
QString websiteURL();
// Whether the distributor switched usage analytics off for every user of this build.
bool dataCollectionDisabled();

} // namespace AppBuildSettings
