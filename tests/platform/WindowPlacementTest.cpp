#include "platform/gui/WindowPlacement.h"

#include <QList>

#include <gtest/gtest.h>

TEST(WindowPlacement, WindowsFitTheFreeAreaAndCentreOnTheirOwner)
{
    struct Case { const char* name; QSize preferred; QRect available; QRect owner; QRect expected; };
    const QList<Case> cases{
        {"small screen", {1280, 800}, {0, 0, 800, 572}, {}, {0, 0, 800, 572}},
        {"scaled 2560x1440 with a panel", {1280, 800}, {0, 28, 1280, 692}, {}, {0, 28, 1280, 692}},
        {"room to spare", {640, 420}, {0, 0, 1920, 1080}, {}, {640, 330, 640, 420}},
        {"on its owner", {640, 420}, {0, 0, 1920, 1080}, {100, 100, 1000, 700}, {280, 240, 640, 420}},
        {"owner near the edge", {640, 420}, {0, 0, 1920, 1080}, {1700, 900, 400, 300}, {1280, 660, 640, 420}},
        {"second screen", {900, 600}, {1920, 0, 1280, 1024}, {}, {2110, 212, 900, 600}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::placedWindowRect(c.preferred, c.available, c.owner), c.expected) << c.name;
}

TEST(WindowPlacement, NewWindowsCascadeOffTheCornersOfOthersWithinTheArea)
{
    struct Case { const char* name; QRect rect; QList<QPoint> taken; QRect available; QPoint expected; };
    const QRect screen(0, 0, 1920, 1080);
    const QList<Case> cases{
        {"nothing there", {100, 100, 800, 600}, {}, screen, {100, 100}},
        {"another window elsewhere", {100, 100, 800, 600}, {{500, 300}}, screen, {100, 100}},
        {"one on the same corner", {100, 100, 800, 600}, {{100, 100}}, screen, {124, 124}},
        {"a few pixels off still counts", {100, 100, 800, 600}, {{102, 99}}, screen, {124, 124}},
        {"a pile of them", {100, 100, 800, 600}, {{100, 100}, {124, 124}, {148, 148}}, screen, {172, 172}},
        {"at the edge it starts again at the corner", {1100, 460, 800, 600}, {{1100, 460}}, screen, {0, 0}},
        {"every place taken: it stays", {0, 0, 1920, 1080}, {{0, 0}}, screen, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::cascadedWindowRect(c.rect, c.taken, c.available).topLeft(), c.expected) << c.name;
}
