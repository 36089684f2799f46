#include "platform/gui/RBRoundingValueTransformer.h"

#include <QLocale>

#include <cmath>

QString RBRoundingValueTransformer::transformedValue(const QVariant& value) const
{
    double number = value.toDouble();
    if (number < 0)
        number = 0;
    // Half-up on the decimal digit; a small bias absorbs binary error (0.25 is stored exactly,
    // 12.35 is not).
    const double rounded = std::floor(number * 10.0 + 0.5 + 1e-9) / 10.0;
    QLocale locale;
    QString text = locale.toString(rounded, 'f', 1);
    const QString zeroFraction = QString(locale.decimalPoint()) + locale.zeroDigit();
    if (text.endsWith(zeroFraction))
        text.chop(zeroFraction.size());
    return text;
}
