#pragma once

#include <QColor>

class QApplication;

// The colour of selections in windows that are not active: "36363A" at 40 % opacity, in every
// view of the application, instead of the desktop theme's.
class RBColor {
public:
    static QColor secondarySelectedControlColor();
    // Puts it into the application's palette.
    static void install(QApplication& application);
};
