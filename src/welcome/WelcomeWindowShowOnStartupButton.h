#pragma once

#include "welcome/WelcomeCheckboxButton.h"

namespace welcome {

// The welcome screen's "show at start-up" checkbox. It keeps no state: the truth is the user
// default "WelcomeWindowShowOnStartup", and the window sets the box after each change.
class WelcomeWindowShowOnStartupButton : public WelcomeCheckboxButton {
    Q_OBJECT
public:
    WelcomeWindowShowOnStartupButton(const QRect& frame, const QString& title, QWidget* parent = nullptr);

    CheckboxState shownState() const { return checkboxState(); }
};

} // namespace welcome
