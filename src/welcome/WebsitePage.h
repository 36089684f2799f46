#pragma once

#include <QString>
#include <QUrl>

namespace welcome {

// The maker's web site of this build (CMake setting ZELVOR_WEBSITE_URL, the same one the Help
// menu's pages follow), without a trailing "/"; empty when the build names none.
QString websiteURL();

// The page at `path` on `site` (by default the build's), or an empty address when there is no
// site: the links of the welcome and about windows are hidden then.
QUrl websitePage(const QString& path, const QString& site = websiteURL());

} // namespace welcome
