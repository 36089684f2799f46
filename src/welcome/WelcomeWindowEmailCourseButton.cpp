#include "welcome/WelcomeWindowEmailCourseButton.h"

#include "platform/gui/ColorExtras.h"
#include "welcome/SystemFont.h"
#include "welcome/WelcomeImages.h"

namespace welcome {

namespace {
WelcomeTextButton::Style emailCourseStyle()
{
    WelcomeTextButton::Style style;
    style.titleColor = platform::colorWithHexColorString(QStringLiteral("62626B"));
    style.backgroundColor = platform::colorWithHexColorString(QStringLiteral("19191B"));
    style.font = systemFontOfSize(11, FontWeight::Light);
    style.alignment = Qt::AlignRight;
    style.kerning = 0.5;
    style.widthMargin = 26;
    style.checkboxFrame = QRect(0, 7, 14, 14);
    return style;
}
} // namespace

WelcomeWindowEmailCourseButton::WelcomeWindowEmailCourseButton(const QRect& frame, const QString& title,
                                                               QWidget* parent)
    : WelcomeTextButton(frame, title, emailCourseStyle(), parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCheckboxImage(imageNamed(imageName(CheckboxState::Unchecked)));
}

void WelcomeWindowEmailCourseButton::setState(CheckboxState state)
{
    m_state = state;
    setCheckboxImage(imageNamed(imageName(state)));
}

void WelcomeWindowEmailCourseButton::toggle()
{
    setState(welcome::toggle(m_state));
}

} // namespace welcome
