#pragma once

#include <QPixmap>
#include <QString>

// The icons of the import panes, drawn at the screen's density: "icon-sketch-active",
// "icon-photoshop-active", "icon-figma-active" and their "-inactive" forms (greyed).
namespace importers {
QPixmap importerIconNamed(const QString& name, int points = 36, double devicePixelRatio = 2);
}
