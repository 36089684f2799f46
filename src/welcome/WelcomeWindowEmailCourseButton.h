#pragma once

#include "welcome/CheckboxState.h"
#include "welcome/WelcomeTextButton.h"

namespace welcome {

// The sign-up screen's checkbox for the e-mail course; it keeps its own state, flipped by every
// click, and never takes the keyboard focus (tabbing between the fields skips it).
class WelcomeWindowEmailCourseButton : public WelcomeTextButton {
    Q_OBJECT
public:
    WelcomeWindowEmailCourseButton(const QRect& frame, const QString& title, QWidget* parent = nullptr);

    CheckboxState checkBoxState() const { return m_state; }
    void setState(CheckboxState state);
    void toggle();

private:
    CheckboxState m_state = CheckboxState::Unchecked;
};

} // namespace welcome
