#include "welcome/WelcomeWindowColumnView.h"

#include "platform/gui/ColorExtras.h"
#include "welcome/AntiAliasedLabel.h"
#include "welcome/DraggableImageView.h"
#include "welcome/Shuffle.h"
#include "welcome/SystemFont.h"
#include "welcome/WelcomeImages.h"
#include "welcome/WelcomeWindowColumnButton.h"

namespace welcome {

QStringList WelcomeWindowColumnView::avatarNames()
{
    return {QStringLiteral("Ada"), QStringLiteral("Bram"), QStringLiteral("Chiara"), QStringLiteral("Dmitri"),
            QStringLiteral("Elif")};
}

WelcomeWindowColumnView::WelcomeWindowColumnView(const QRect& frame, const QString& title, const QString& text,
                                                 const QString& buttonTitle, bool social, const QUrl& url,
                                                 QWidget* parent)
    : QWidget(parent)
{
    setGeometry(frame);
    const QColor background = platform::colorWithHexColorString(QStringLiteral("19191B"));
    const int w = width();
    new AntiAliasedLabel(QRect(0, 2, w, 22), title, systemFontOfSize(14, FontWeight::Light), Qt::white, background,
                         Qt::AlignLeft, 0.0, this);
    new AntiAliasedLabel(QRect(0, 25, w, 42), text, systemFontOfSize(12, FontWeight::Light),
                         platform::colorWithHexColorString(QStringLiteral("62626B")), background, Qt::AlignLeft, 0.0,
                         this);
    m_columnButton = new WelcomeWindowColumnButton(QRect(0, 76, 0, 24), buttonTitle, url, this);
    // Without a page to open (the build names no web site) the button has nothing to offer.
    m_columnButton->setVisible(url.isValid() && !url.isEmpty());
    if (!social)
        return;
    QStringList names = avatarNames();
    shuffle(names);
    for (int i = 0; i < 4 && i < names.size(); ++i) {
        auto* avatar = new DraggableImageView(QRect(i * 32, 76, 24, 24), this);
        avatar->setImage(imageNamed(names[i]));
        avatar->setCornerRadius(12);
        m_avatars.append(names[i]);
    }
    m_columnButton->move(m_columnButton->pos() + QPoint(128, 0));
}

} // namespace welcome
