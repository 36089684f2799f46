#include "welcome/WelcomeCheckboxButton.h"

#include "welcome/WelcomeImages.h"

namespace welcome {

WelcomeCheckboxButton::WelcomeCheckboxButton(const QRect& frame, const QString& title, const Style& style,
                                             QWidget* parent)
    : WelcomeTextButton(frame, title, style, parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCheckboxImage(imageNamed(imageName(m_state)));
}

void WelcomeCheckboxButton::setState(CheckboxState state)
{
    m_state = state;
    setCheckboxImage(imageNamed(imageName(state)));
}

} // namespace welcome
