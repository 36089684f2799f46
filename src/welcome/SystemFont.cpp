#include "welcome/SystemFont.h"

#include <QStringList>

namespace welcome {

QFont systemFontOfSize(double pointSize, FontWeight weight)
{
    QFont font;
    // Of the common Linux faces only DejaVu Sans has a real extra-light cut: the thin title
    // face prefers it over a heavier look-alike of Helvetica.
    if (weight == FontWeight::Ultralight)
        font.setFamilies({QStringLiteral("Helvetica Neue"), QStringLiteral("DejaVu Sans"),
                          QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans")});
    else
        font.setFamilies({QStringLiteral("Helvetica Neue"), QStringLiteral("Nimbus Sans"),
                          QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(qMax(1, qRound(pointSize)));
    font.setWeight(weight == FontWeight::Light ? QFont::Light : QFont::ExtraLight);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QFont systemFontOfSize(double pointSize)
{
    QFont font;
    font.setPixelSize(qMax(1, qRound(pointSize)));
    return font;
}

double fontSizeInPoints(const QFont& font)
{
    return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
}

} // namespace welcome
