#include "platform/gui/ColorExtras.h"

#include "platform/StringExtras.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace platform {

namespace {
// The integer scanner's reading of hexadecimal text; saturates instead of overflowing.
quint32 scanHex(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    if (i + 1 < n && text.at(i) == QLatin1Char('0') && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        // "0x" only counts as a prefix when a digit follows; else the "0" is the number.
        if (i + 2 < n && isxdigit(text.at(i + 2).toLatin1()))
            i += 2;
    }
    quint64 value = 0;
    for (; i < n; ++i) {
        const char c = text.at(i).toLatin1();
        if (!isxdigit(static_cast<unsigned char>(c)) || text.at(i).unicode() > 0x7f)
            break;
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        value = value * 16 + quint64(digit);
        if (value > 0xFFFFFFFFull)
            return 0xFFFFFFFFu;
    }
    return quint32(value);
}

int stableHash(const QString& text)
{
    // Any fixed hash will do; the first four MD5 bytes keep it the same across runs.
    const QByteArray digest = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5);
    return int((quint32(quint8(digest[0])) << 24 | quint32(quint8(digest[1])) << 16
                | quint32(quint8(digest[2])) << 8 | quint32(quint8(digest[3]))) & 0x7fffffff);
}
} // namespace

QColor colorWithHexColorString(const QString& hex)
{
    const QString digits = hex.size() == 7 ? hex.mid(1) : hex;
    const quint32 value = scanHex(digits);
    QColor color;
    color.setRgbF(float(((value >> 16) & 0xFF) / 255.0), float(((value >> 8) & 0xFF) / 255.0),
                  float((value & 0xFF) / 255.0), 1.0f);
    return color;
}

QColor randomColorWithAlpha(double alpha)
{
    auto component = [] { return float((QRandomGenerator::global()->generate() % 255) / 255.0); };
    QColor color;
    color.setRgbF(component(), component(), component(), float(alpha));
    return color;
}

QColor randomColorWithSeed(const QString& seed, double alpha)
{
    const QString h = MD5String(MD5String(seed));
    QColor color;
    color.setRgbF(float((stableHash(QStringLiteral("R") + h) % 255) / 255.0),
                  float((stableHash(QStringLiteral("G") + h) % 255) / 255.0),
                  float((stableHash(QStringLiteral("B") + h) % 255) / 255.0), float(alpha));
    return color;
}

} // namespace platform
