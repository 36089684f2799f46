#include "welcome/WelcomeWindowColumnButton.h"

#include "platform/gui/ColorExtras.h"
#include "welcome/SystemFont.h"
#include "platform/gui/Workspace.h"
#include "welcome/AntiAliasedLabel.h"
#include "welcome/NineSliceImageView.h"
#include "welcome/WelcomeImages.h"

#include <QMouseEvent>

#include <cmath>

namespace welcome {

namespace {
constexpr double kMargin = 28;
const QString kTextColor = QStringLiteral("62626B");
const QString kBackground = QStringLiteral("151517");
const QString kPressedBackground = QStringLiteral("0C0C0D");

QFont titleFont()
{
    return systemFontOfSize(11);
}
} // namespace

WelcomeWindowColumnButton::WelcomeWindowColumnButton(const QRect& frame, const QString& title, const QUrl& url,
                                                     QWidget* parent)
    : QWidget(parent)
    , m_url(url)
    , m_title(title)
{
    m_attTitle.text = title;
    m_attTitle.foreground = platform::colorWithHexColorString(kTextColor);
    m_attTitle.font = titleFont();
    m_attTitle.background = platform::colorWithHexColorString(kBackground);
    m_attTitle.alignment = Qt::AlignHCenter;
    setGeometry(frame.x(), frame.y(), buttonWidth(), frame.height());
    setCursor(Qt::PointingHandCursor);
    setToolTip(url.toString());

    m_imageView = new NineSliceImageView(rect(), imageNamed(imageName(m_state)), {1, 20, 1, 20}, this);
    m_textField = new AntiAliasedLabel(rect(), title, titleFont(), m_attTitle.foreground, m_attTitle.background,
                                       Qt::AlignHCenter, 0.0, this);
    m_textField2 = new AntiAliasedLabel(rect(), title, titleFont(), m_attTitle.foreground,
                                        platform::colorWithHexColorString(kPressedBackground), Qt::AlignHCenter,
                                        0.0, this);
    m_textField2->hide();
}

int WelcomeWindowColumnButton::buttonWidth() const
{
    return int(std::ceil(attributedTitleWidth(m_attTitle) + kMargin));
}

void WelcomeWindowColumnButton::setState(WelcomeWindowColumnButtonState state)
{
    if (state == m_state)
        return;
    m_state = state;
    m_imageView->setImage(imageNamed(imageName(state)));
    const bool active = state == WelcomeWindowColumnButtonState::Active;
    m_textField->setVisible(!active);
    m_textField2->setVisible(active);
}

void WelcomeWindowColumnButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return event->ignore();
    setState(WelcomeWindowColumnButtonState::Active);
}

void WelcomeWindowColumnButton::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        setState(locationInButton(event->position().toPoint()) ? WelcomeWindowColumnButtonState::Active
                                                               : WelcomeWindowColumnButtonState::Normal);
}

void WelcomeWindowColumnButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return event->ignore();
    setState(WelcomeWindowColumnButtonState::Normal);
    if (locationInButton(event->position().toPoint()))
        platform::Workspace::sharedWorkspace().openURL(m_url);
}

} // namespace welcome
