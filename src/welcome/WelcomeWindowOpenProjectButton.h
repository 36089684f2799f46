#pragma once

#include "welcome/WelcomeTextButton.h"

namespace welcome {

// The plain text button of the recent-projects sidebar ("Open prototype...").
class WelcomeWindowOpenProjectButton : public WelcomeTextButton {
    Q_OBJECT
public:
    WelcomeWindowOpenProjectButton(const QRect& frame, const QString& title, QWidget* parent = nullptr);
};

} // namespace welcome
