#pragma once

#include <QColor>
#include <QString>

#include <optional>

// The colours and icons of the completion list's rows, by the item's type name.
namespace autocomplete {

// The type's colour (the selected row's bar and the type text of the selected row); invalid
// for a type outside the table.
QColor colorFromType(const QString& type);
// A used object key's bar: white turns grey, any other colour loses 0.3 of its brightness.
QColor darkerColor(const QColor& color);
// The width of the selected row's type bar for the editor's font size.
int typeBarWidth(std::optional<double> fontSize);
// The name of a type's icon ("icon-ac-layer", "icon-ac-layer-active"); empty for types without
// one. Type names are compared exactly.
QString imageNameForType(const QString& type, bool active);

} // namespace autocomplete
