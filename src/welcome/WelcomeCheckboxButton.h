#pragma once

#include "welcome/CheckboxState.h"
#include "welcome/WelcomeTextButton.h"

namespace welcome {

// A text button of the welcome window that shows a checkbox image for its state. It never takes
// the keyboard focus (tabbing between the fields skips it).
class WelcomeCheckboxButton : public WelcomeTextButton {
    Q_OBJECT
public:
    WelcomeCheckboxButton(const QRect& frame, const QString& title, const Style& style, QWidget* parent = nullptr);

    CheckboxState checkboxState() const { return m_state; }
    void setState(CheckboxState state);

private:
    CheckboxState m_state = CheckboxState::Unchecked;
};

} // namespace welcome
