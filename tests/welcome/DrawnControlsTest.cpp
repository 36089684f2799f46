#include "MouseEvents.h"

#include "platform/Bundle.h"
#include "welcome/AntiAliasedLabel.h"
#include "welcome/DraggableImageView.h"
#include "welcome/ImageMouseOverButton.h"
#include "welcome/NineSliceImageView.h"
#include "welcome/SimpleButton.h"
#include "welcome/SystemFont.h"
#include "welcome/WelcomeImages.h"

#include <QPainter>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace welcome;

TEST(Modulate, InterpolatesClampsAndPassesShortListsThrough)
{
    EXPECT_NEAR(modulate(24, {12, 36}, {0.4, 0.9}, true), 0.65, 1e-9);
    EXPECT_NEAR(modulate(6, {12, 36}, {0.4, 0.9}, true), 0.4, 1e-9);
    EXPECT_NEAR(modulate(48, {12, 36}, {0.4, 0.9}, true), 0.9, 1e-9);
    EXPECT_NEAR(modulate(48, {12, 36}, {0.4, 0.9}, false), 1.15, 1e-9);
    // A falling target range clamps between its smaller and larger end.
    EXPECT_NEAR(modulate(100, {0, 10}, {1, 0}, true), 0, 1e-9);
    EXPECT_EQ(modulate(7, {12}, {0.4, 0.9}, true), 7);
    EXPECT_EQ(modulate(7, {12, 36}, {}, true), 7);
    // An empty source range would divide by zero: the value passes through.
    EXPECT_EQ(modulate(7, {12, 12}, {0.4, 0.9}, true), 7);
}

TEST(AntiAliasedLabel, LetterSpacingFollowsThePointSizeUnlessGiven)
{
    AntiAliasedLabel small(QRect(0, 0, 100, 20), "Hi", systemFontOfSize(13, FontWeight::Light), Qt::white,
                           Qt::black);
    EXPECT_NEAR(small.attributedTitle().kerning, 0.4 + 0.5 / 24, 1e-6);
    EXPECT_NEAR(small.attributedTitle().maximumLineHeight, 13 * 1.3, 1e-6);
    EXPECT_EQ(small.attributedTitle().alignment, Qt::AlignHCenter);

    AntiAliasedLabel big(QRect(0, 0, 100, 40), "Hi", systemFontOfSize(32, FontWeight::Ultralight), Qt::white,
                         Qt::black, Qt::AlignLeft, 1.0);
    EXPECT_EQ(big.attributedTitle().kerning, 1.0);
    EXPECT_EQ(big.attributedTitle().alignment, Qt::AlignLeft);
    EXPECT_EQ(big.font().weight(), QFont::ExtraLight);

    big.setTitle("", Qt::red);
    EXPECT_TRUE(big.attributedTitle().isEmpty());
}

namespace {

class ClickCounter : public QWidget {
public:
    int presses = 0;
    int releases = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void mouseReleaseEvent(QMouseEvent*) override { ++releases; }
};

} // namespace

TEST(AntiAliasedLabel, ClicksReachTheViewBehind)
{
    ClickCounter behind;
    behind.resize(200, 100);
    auto* label = new AntiAliasedLabel(QRect(10, 10, 100, 30), "Click", systemFontOfSize(12, FontWeight::Light),
                                       Qt::black, Qt::white, Qt::AlignHCenter, std::nullopt, &behind);
    clickWidget(label, QPoint(5, 5));
    EXPECT_EQ(behind.presses, 1);
    EXPECT_EQ(behind.releases, 1);
}

TEST(SimpleButton, PressedColoursShowOnlyWhilePressed)
{
    SimpleButton button(QRect(0, 0, 120, 40));
    button.setTitle("Skip");
    button.setBackgroundColor(QColor("#19191B"), SimpleButtonState::Normal);
    button.setTitleColor(QColor("#62626B"), SimpleButtonState::Normal);
    EXPECT_EQ(button.layerBackgroundColor(), QColor("#19191B"));

    button.setBackgroundColor(QColor("#28AFFA"), SimpleButtonState::Pressed);
    button.setTitleColor(Qt::white, SimpleButtonState::Pressed);
    EXPECT_EQ(button.layerBackgroundColor(), QColor("#19191B"));
    EXPECT_EQ(button.attributedTitle().foreground, QColor("#62626B"));

    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    sendMouse(&button, QEvent::MouseButtonPress, QPoint(10, 10));
    EXPECT_EQ(button.buttonState(), SimpleButtonState::Pressed);
    EXPECT_EQ(button.layerBackgroundColor(), QColor("#28AFFA"));
    EXPECT_EQ(button.attributedTitle().foreground, QColor(Qt::white));

    // Released outside: back to normal colours and nothing sent.
    sendMouse(&button, QEvent::MouseButtonRelease, QPoint(300, 10));
    EXPECT_EQ(button.buttonState(), SimpleButtonState::Normal);
    EXPECT_EQ(button.layerBackgroundColor(), QColor("#19191B"));
    EXPECT_EQ(button.attributedTitle().foreground, QColor("#62626B"));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_NEAR(button.attributedTitle().kerning, 0.4, 1e-9);
}

TEST(SimpleButton, DraggingOutAndBackTogglesAndSendsOnce)
{
    SimpleButton button(QRect(0, 0, 120, 40));
    button.setBackgroundColor(Qt::black, SimpleButtonState::Normal);
    button.setBackgroundColor(Qt::blue, SimpleButtonState::Pressed);
    QSignalSpy clicks(&button, &QAbstractButton::clicked);

    sendMouse(&button, QEvent::MouseButtonPress, QPoint(10, 10));
    sendMouse(&button, QEvent::MouseMove, QPoint(200, 10));
    EXPECT_EQ(button.buttonState(), SimpleButtonState::Normal);
    EXPECT_EQ(button.layerBackgroundColor(), QColor(Qt::black));
    sendMouse(&button, QEvent::MouseMove, QPoint(20, 20));
    EXPECT_EQ(button.buttonState(), SimpleButtonState::Pressed);
    EXPECT_EQ(button.layerBackgroundColor(), QColor(Qt::blue));
    sendMouse(&button, QEvent::MouseButtonRelease, QPoint(20, 20));
    EXPECT_EQ(clicks.count(), 1);

    // Clearing the pressed colour keeps the face as it is when pressed.
    button.setBackgroundColor(std::nullopt, SimpleButtonState::Pressed);
    sendMouse(&button, QEvent::MouseButtonPress, QPoint(10, 10));
    EXPECT_EQ(button.layerBackgroundColor(), QColor(Qt::black));
    // A font of none is ignored.
    const QFont before = button.titleFont();
    button.setTitleFont(std::nullopt);
    EXPECT_EQ(button.titleFont(), before);
}

TEST(ImageMouseOverButton, ShowsTheActiveImageWhileHeldInside)
{
    ImageMouseOverButton button(QRect(0, 0, 30, 30), "close", "closeActive");
    ASSERT_FALSE(button.shownImage().isNull());
    const QImage normal = button.shownImage();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);

    sendMouse(&button, QEvent::MouseButtonPress, QPoint(5, 5));
    EXPECT_TRUE(button.isShowingActiveImage());
    EXPECT_NE(button.shownImage(), normal);
    sendMouse(&button, QEvent::MouseMove, QPoint(50, 5));
    EXPECT_FALSE(button.isShowingActiveImage());
    sendMouse(&button, QEvent::MouseMove, QPoint(6, 6));
    EXPECT_TRUE(button.isShowingActiveImage());
    sendMouse(&button, QEvent::MouseButtonRelease, QPoint(6, 6));
    EXPECT_FALSE(button.isShowingActiveImage());
    EXPECT_EQ(clicks.count(), 1);

    sendMouse(&button, QEvent::MouseButtonPress, QPoint(5, 5));
    sendMouse(&button, QEvent::MouseButtonRelease, QPoint(50, 50));
    EXPECT_EQ(clicks.count(), 1);

    // A missing image is drawn empty instead of failing.
    ImageMouseOverButton broken(QRect(0, 0, 30, 30), "no-such-image", "closeActive");
    EXPECT_TRUE(broken.shownImage().isNull());
    broken.grab();
}

TEST(NineSliceImageView, CornersKeepTheirSizeWhenStretched)
{
    // A 30 × 30 image: red 10-point border, blue centre.
    QImage image(30, 30, QImage::Format_ARGB32);
    image.fill(Qt::red);
    {
        QPainter painter(&image);
        painter.fillRect(10, 10, 10, 10, Qt::blue);
    }
    NineSliceImageView view(QRect(0, 0, 200, 100), image, platform::TMEdgeInsetsMake(10, 10, 10, 10));
    const QImage drawn = view.grab().toImage();
    EXPECT_EQ(QColor(drawn.pixel(5, 5)), QColor(Qt::red));
    EXPECT_EQ(QColor(drawn.pixel(195, 95)), QColor(Qt::red));
    EXPECT_EQ(QColor(drawn.pixel(100, 50)), QColor(Qt::blue));
    EXPECT_EQ(QColor(drawn.pixel(5, 50)), QColor(Qt::red));
}

TEST(DraggableImageView, ClipsToItsCornerRadius)
{
    QImage square(24, 24, QImage::Format_ARGB32);
    square.fill(Qt::green);
    DraggableImageView view(QRect(0, 0, 24, 24));
    EXPECT_TRUE(view.mouseDownCanMoveWindow());
    view.setImage(square);
    view.setCornerRadius(12);
    QImage drawn(24, 24, QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    view.render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qAlpha(drawn.pixel(0, 0)), 0);
    EXPECT_EQ(QColor(drawn.pixel(12, 12)), QColor(Qt::green));
}

TEST(WelcomeImages, EveryNamedImageShips)
{
    platform::Bundle::main().reload();
    const QStringList names = {"AppIcon", "close", "closeActive", "icon-new", "recents", "recentsActive",
                               "checkBox", "checkBoxChecked", "columnButton", "columnButtonActive",
                               "welcome-window-copy", "Animate", "Drag", "Scroll", "Page", "Ada", "Bram",
                               "Chiara", "Dmitri", "Elif"};
    for (const QString& name : names) {
        const QImage image = imageNamed(name);
        EXPECT_FALSE(image.isNull()) << name.toStdString();
    }
    EXPECT_EQ(imageNamed("checkBox").deviceIndependentSize(), QSizeF(14, 14));
    EXPECT_EQ(imageNamed("recents").deviceIndependentSize(), QSizeF(46, 42));
    EXPECT_TRUE(imageNamed("nothing-by-this-name").isNull());
}
