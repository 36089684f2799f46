#include "platform/gui/ColorExtras.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {
void expectRgb(const QColor& color, int r, int g, int b)
{
    EXPECT_EQ(color.red(), r);
    EXPECT_EQ(color.green(), g);
    EXPECT_EQ(color.blue(), b);
    EXPECT_DOUBLE_EQ(color.alphaF(), 1.0);
}
} // namespace

TEST(ColorExtras, HexStringsAsTheIntegerScannerReadsThem)
{
    expectRgb(colorWithHexColorString(QStringLiteral("FFC22C")), 0xFF, 0xC2, 0x2C);
    EXPECT_EQ(colorWithHexColorString(QStringLiteral("#FFC22C")), colorWithHexColorString(QStringLiteral("FFC22C")));
    expectRgb(colorWithHexColorString(QStringLiteral("36363a")), 0x36, 0x36, 0x3A);
    expectRgb(colorWithHexColorString(QString()), 0, 0, 0);
    expectRgb(colorWithHexColorString(QStringLiteral("0xFF0000")), 255, 0, 0);
    expectRgb(colorWithHexColorString(QStringLiteral("FFF")), 0, 15, 255);
    expectRgb(colorWithHexColorString(QStringLiteral("  12zz")), 0, 0, 0x12); // stops at the first non-hex
    expectRgb(colorWithHexColorString(QStringLiteral("zzzzzz")), 0, 0, 0);
    // Seven characters lose the first whatever it is; longer texts keep their low 24 bits.
    expectRgb(colorWithHexColorString(QStringLiteral("x00FF00")), 0, 255, 0);
    expectRgb(colorWithHexColorString(QStringLiteral("FFFFFFFFFFFFFFFFFFFF")), 255, 255, 255);
    expectRgb(colorWithHexColorString(QStringLiteral("é00ff")), 0, 0, 0);
}

TEST(ColorExtras, RandomColours)
{
    for (int i = 0; i < 200; ++i) {
        const QColor c = randomColorWithAlpha(0.5);
        EXPECT_LE(c.red(), 254);
        EXPECT_LE(c.green(), 254);
        EXPECT_LE(c.blue(), 254);
        EXPECT_NEAR(c.alphaF(), 0.5, 0.01);
    }
    EXPECT_EQ(randomColorWithSeed(QStringLiteral("Layer"), 1.0), randomColorWithSeed(QStringLiteral("Layer"), 1.0));
    EXPECT_NE(randomColorWithSeed(QStringLiteral("Layer"), 1.0), randomColorWithSeed(QStringLiteral("Other"), 1.0));
}
