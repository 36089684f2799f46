#pragma once

class QWidget;

namespace welcome {

// Lets the window manager move the widget's window with the pointer (a press on a window
// background that can move the window). Answers false where the platform cannot.
bool moveWindowByDragging(QWidget* widget);

} // namespace welcome
