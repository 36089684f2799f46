#pragma once

#include <QImage>
#include <QString>

namespace welcome {

// An image of the application by name ("close", "checkBox", "AppIcon"...), from the welcome
// images of the resources folder. A null image when none has that name.
QImage imageNamed(const QString& name);

} // namespace welcome
