#pragma once

#include "welcome/CheckboxState.h"
#include "welcome/WelcomeTextButton.h"

namespace welcome {

// The welcome screen's "show at start-up" checkbox. It keeps no state: the truth is the user
// default "WelcomeWindowShowOnStartup", and the window sets the box after each change.
class WelcomeWindowShowOnStartupButton : public WelcomeTextButton {
    Q_OBJECT
public:
    WelcomeWindowShowOnStartupButton(const QRect& frame, const QString& title, QWidget* parent = nullptr);

    void setState(CheckboxState state);
    CheckboxState shownState() const { return m_shown; }

private:
    CheckboxState m_shown = CheckboxState::Unchecked;
};

} // namespace welcome
