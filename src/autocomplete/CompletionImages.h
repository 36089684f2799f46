#pragma once

#include <QImage>
#include <QString>

namespace autocomplete {

// The popup's small images, drawn in code at twice their size in points: the type icons
// ("icon-ac-array" ... "icon-ac-layer", each also "-active") and the documentation link
// ("icon-docs-link", "icon-docs-link-active", and "-large" variants of both). An unknown name
// gives a null image.
QImage completionImageNamed(const QString& name);

} // namespace autocomplete
