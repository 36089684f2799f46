#include "welcome/WelcomeWindowShowOnStartupButton.h"

#include "platform/gui/ColorExtras.h"
#include "welcome/SystemFont.h"

namespace welcome {

namespace {
WelcomeTextButton::Style showOnStartupStyle()
{
    WelcomeTextButton::Style style;
    style.titleColor = platform::colorWithHexColorString(QStringLiteral("62626B"));
    style.backgroundColor = platform::colorWithHexColorString(QStringLiteral("151517"));
    style.font = systemFontOfSize(11, FontWeight::Light);
    style.alignment = Qt::AlignRight;
    style.widthMargin = 23;
    style.checkboxFrame = QRect(1, 6, 14, 14);
    return style;
}
} // namespace

WelcomeWindowShowOnStartupButton::WelcomeWindowShowOnStartupButton(const QRect& frame, const QString& title,
                                                                   QWidget* parent)
    : WelcomeCheckboxButton(frame, title, showOnStartupStyle(), parent)
{
}

} // namespace welcome
