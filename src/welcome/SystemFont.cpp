#include "welcome/SystemFont.h"

#include <QStringList>

namespace welcome {

QFont systemFontOfSize(double pointSize, FontWeight weight)
{
    QFont font;
    font.setFamilies({QStringLiteral("Helvetica Neue"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(pointSize);
    font.setWeight(weight == FontWeight::Light ? QFont::Light : QFont::ExtraLight);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace welcome
