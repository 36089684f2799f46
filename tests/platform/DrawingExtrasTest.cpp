#include "platform/gui/BezierPath.h"
#include "platform/gui/ImageExtras.h"
#include "platform/gui/RBRoundingValueTransformer.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace platform;

namespace {
// A 10x10 image whose rows tell where they came from: corners red, edges green, centre blue,
// and the centre's outer rows (the two rows at its top and bottom that are never sampled) white.
QImage slicedSource()
{
    QImage image(10, 10, QImage::Format_ARGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool edgeX = x < 2 || x >= 8, edgeY = y < 2 || y >= 8;
            QColor c = edgeX && edgeY ? Qt::red : (edgeX || edgeY) ? Qt::green : Qt::blue;
            if (!edgeX && !edgeY && (y < 4 || y >= 6))
                c = Qt::white;
            image.setPixelColor(x, y, c);
        }
    return image;
}
} // namespace

TEST(DrawingExtras, NineSliceKeepsCornersAndStretchesTheMiddle)
{
    QImage canvas(40, 30, QImage::Format_ARGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        drawInRectWithCapInsets(painter, slicedSource(), QRectF(0, 0, 40, 30), TMEdgeInsetsMake(2, 2, 2, 2));
    }
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(39, 29), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(20, 0), QColor(Qt::green));
    EXPECT_EQ(canvas.pixelColor(0, 15), QColor(Qt::green));
    // The centre samples only the image's middle shrunk by 2 at top and bottom: pure blue.
    EXPECT_EQ(canvas.pixelColor(20, 15), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(20, 3), QColor(Qt::blue));
}

TEST(DrawingExtras, ScaledImagesAndClosedPaths)
{
    QImage source(4, 4, QImage::Format_ARGB32);
    source.fill(Qt::red);
    const QImage scaled = imageWithSize(source, QSize(16, 8));
    EXPECT_EQ(scaled.size(), QSize(16, 8));
    EXPECT_EQ(scaled.pixelColor(15, 7), QColor(Qt::red));

    EXPECT_FALSE(quartzPath({}).has_value());
    const auto open = quartzPath({{BezierElement::MoveTo, {QPointF(0, 0)}}, {BezierElement::LineTo, {QPointF(10, 0)}},
                                  {BezierElement::LineTo, {QPointF(10, 10)}}});
    ASSERT_TRUE(open.has_value());
    // Closing adds the line back to the start.
    EXPECT_EQ(open->elementCount(), 4);
    EXPECT_EQ(QPointF(open->elementAt(3)), QPointF(0, 0));
}

TEST(DrawingExtras, RoundingTransformerRoundsHalfUpToOneDigit)
{
    QLocale::setDefault(QLocale::c());
    RBRoundingValueTransformer transformer;
    EXPECT_EQ(transformer.transformedValue(12.34), QStringLiteral("12.3"));
    EXPECT_EQ(transformer.transformedValue(0.25), QStringLiteral("0.3"));
    EXPECT_EQ(transformer.transformedValue(5), QStringLiteral("5"));
    EXPECT_EQ(transformer.transformedValue(-3), QStringLiteral("0"));
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(transformer.transformedValue(12.34), QStringLiteral("12,3"));
    QLocale::setDefault(QLocale::c());
}
