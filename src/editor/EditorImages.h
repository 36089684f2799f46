#pragma once

#include <QBrush>
#include <QIcon>
#include <QImage>
#include <QString>

namespace editor {

// The small images of the editor bar, drawn in code at twice their size in points so that
// they stay sharp on high-density screens: "chrome-dark-mini-bar" (the bar's background
// strip), "icon-console", "icon-inspect-orange", "icon-layers-on", "icon-layers-off" and
// "icon-settings". An unknown name gives a null image.
QImage editorImageNamed(const QString& name);
QIcon editorIconNamed(const QString& name);

// The bar's background: the "chrome-dark-mini-bar" strip repeated along the bar.
QBrush miniBarBrush();

} // namespace editor
