#pragma once

#include <QUrl>

// The Figma web service the Figma pane talks to: the build setting ZELVOR_FIGMA_HOST (a host
// name, reached over https). The integration belongs to whoever distributes the application,
// so a plain build names none and the pane says that Figma import is not set up.
namespace FigmaBuildSettings {
QUrl serviceUrl();
}
