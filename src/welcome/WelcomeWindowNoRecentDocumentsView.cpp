#include "welcome/WelcomeWindowNoRecentDocumentsView.h"

#include "platform/gui/ColorExtras.h"
#include "welcome/AntiAliasedLabel.h"
#include "welcome/DraggableImageView.h"
#include "welcome/SystemFont.h"
#include "welcome/WelcomeImages.h"

namespace welcome {

WelcomeWindowNoRecentDocumentsView::WelcomeWindowNoRecentDocumentsView(const QRect& frame, QWidget* parent)
    : QWidget(parent)
{
    setGeometry(frame);
    const int w = width();
    auto* icon = new DraggableImageView(QRect(0, 0, w, 22), this);
    icon->setImage(imageNamed(QStringLiteral("recents")));
    new AntiAliasedLabel(QRect(0, 31, w, 20), tr("No Recent Files"), systemFontOfSize(12),
                         platform::colorWithHexColorString(QStringLiteral("D2D2D3")), Qt::white, Qt::AlignHCenter, 0.0,
                         this);
}

} // namespace welcome
