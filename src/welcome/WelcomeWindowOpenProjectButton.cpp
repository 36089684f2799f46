#include "welcome/WelcomeWindowOpenProjectButton.h"

#include "welcome/SystemFont.h"

namespace welcome {

namespace {
WelcomeTextButton::Style openProjectStyle()
{
    WelcomeTextButton::Style style;
    style.titleColor = Qt::black;
    style.backgroundColor = Qt::white;
    style.font = systemFontOfSize(12);
    style.alignment = Qt::AlignHCenter;
    style.widthMargin = 10;
    return style;
}
} // namespace

WelcomeWindowOpenProjectButton::WelcomeWindowOpenProjectButton(const QRect& frame, const QString& title,
                                                               QWidget* parent)
    : WelcomeTextButton(frame, title, openProjectStyle(), parent)
{
    setFocusPolicy(Qt::NoFocus);
}

} // namespace welcome
