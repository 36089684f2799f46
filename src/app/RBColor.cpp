#include "app/RBColor.h"

#include "platform/gui/ColorExtras.h"

#include <QApplication>
#include <QPalette>

QColor RBColor::secondarySelectedControlColor()
{
    QColor color = platform::colorWithHexColorString(QStringLiteral("36363A"));
    color.setAlphaF(0.4);
    return color;
}

void RBColor::install(QApplication& application)
{
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, secondarySelectedControlColor());
    QApplication::setPalette(palette);
}
