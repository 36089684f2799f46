#include "welcome/WelcomeWindowEmailCourseButton.h"

#include "platform/gui/ColorExtras.h"
#include "welcome/SystemFont.h"

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
    : WelcomeCheckboxButton(frame, title, emailCourseStyle(), parent)
{
}

void WelcomeWindowEmailCourseButton::toggle()
{
    setState(welcome::toggle(checkboxState()));
}

} // namespace welcome
