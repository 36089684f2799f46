#pragma once

#include "welcome/WelcomeCheckboxButton.h"

namespace welcome {

// The sign-up screen's checkbox for the e-mail course; it keeps its own state, flipped by every
// click.
class WelcomeWindowEmailCourseButton : public WelcomeCheckboxButton {
    Q_OBJECT
public:
    WelcomeWindowEmailCourseButton(const QRect& frame, const QString& title, QWidget* parent = nullptr);

    CheckboxState checkBoxState() const { return checkboxState(); }
    void toggle();
};

} // namespace welcome
