#include "platform/gui/CSSpinningProgressIndicator.h"
#include "support/TestSupport.h"

#include <QMouseEvent>
#include <QVariantAnimation>
#include <QTest>

#include <gtest/gtest.h>

namespace {
// Remembers whether a click got through to it.
class ClickCounter : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};
} // namespace

TEST(Spinner, KeepsOneLayerAndOneTurningWhateverIsCalled)
{
    ClickCounter parent;
    parent.resize(40, 40);
    auto* spinner = new CSSpinningProgressIndicator(QRect(7, 6, 12, 12), &parent);
    parent.show();
    // The turning animations that really exist, not the spinner's own count of them.
    auto turnings = [spinner] { return spinner->findChildren<QVariantAnimation*>().size(); };
    ASSERT_EQ(turnings(), 1);
    spinner->setup();
    spinner->setHidden(true);
    spinner->setHidden(false);
    spinner->setup();
    EXPECT_EQ(turnings(), 1);

    // The layer keeps the size the widget had when it was made.
    spinner->resize(30, 30);
    spinner->setup();
    EXPECT_EQ(spinner->imageLayerRect(), QRect(0, 0, 12, 12));

    // It turns clockwise and draws its image inside the layer.
    EXPECT_TRUE(testsupport::waitUntil([&] { return spinner->rotation() < 0; }, 3000));
    EXPECT_GE(spinner->rotation(), -360.0);
    const QImage shot = spinner->grab().toImage();
    int drawn = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            drawn += qAlpha(shot.pixel(x, y)) > 0 ? 1 : 0;
    EXPECT_GT(drawn, 0);

    // A click on it does not reach what lies below.
    QTest::mouseClick(spinner, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(parent.presses, 0);
}
