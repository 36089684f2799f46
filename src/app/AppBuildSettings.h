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
// The maker's build server of the prototyping library, without a trailing "/"; empty when the
// build names none (library updates then take the library this application ships).
QString libraryServerURL();
// The host of gist pages that "zelvor://" links name, and the address (scheme and host) of the
// service that serves their raw texts.
QString gistHost();
QString gistRawURL();

} // namespace AppBuildSettings
