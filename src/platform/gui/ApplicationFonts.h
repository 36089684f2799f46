#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Loads every font file (".ttf", ".otf") of the folder as an application font, so that the
// faces the windows ask for by name are there whatever the system has installed. Answers the
// families loaded; a file that cannot be loaded is logged and skipped.
QStringList loadApplicationFonts(const QString& folder);

} // namespace platform
