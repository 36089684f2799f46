// Dragging and spring curves of the prototyping library, in a real web engine. Drags are fed as
// pointer events at the layer's element and the window, as a mouse in the preview would.
#include "RuntimePage.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonObject iphone6s()
{
    return QJsonObject{{"deviceType", "apple-iphone-6s-silver"}, {"deviceScale", ""}, {"contentScale", ""},
                       {"orientation", ""}, {"selectedHand", ""}};
}

class LibraryMotion : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(page.load()) << "the page did not load"; }

    // One pointer event: "down" at the layer's element, "move" and "up" at the window.
    void pointer(const char* kind, double x, double y)
    {
        const QString target = QString::fromLatin1(kind) == "down" ? "window.d._element" : "window";
        page.eval(QStringLiteral("%1.dispatchEvent(new PointerEvent('pointer%2', {clientX: %3, clientY: %4, "
                                 "bubbles: true, cancelable: true}))").arg(target, kind).arg(x).arg(y));
    }

    QJsonArray position() { return page.eval("[window.d.x, window.d.y]").toArray(); }

    RuntimePage page{iphone6s()};
};

} // namespace

TEST_F(LibraryMotion, ADraggedLayerFollowsThePointerInContentPixels)
{
    page.run(RuntimePage::compile(
        "window.d = new Layer x: 100, y: 100, width: 200, height: 200\n"
        "window.seen = []\n"
        "for name in [Events.DragStart, Events.DragMove, Events.DragEnd]\n"
        "  do (name) -> d.on name, -> window.seen.push name\n"));
    const double scale = page.eval("Zelvor.Device.screenToContentScale()").toDouble();
    ASSERT_GT(scale, 0);

    // Not draggable yet: the pointer moves nothing.
    pointer("down", 50, 50);
    pointer("move", 80, 90);
    pointer("up", 80, 90);
    EXPECT_EQ(position(), (QJsonArray{100, 100}));
    EXPECT_TRUE(page.eval("window.seen").toArray().isEmpty());

    page.eval("window.d.draggable.enabled = true");
    pointer("down", 50, 50);
    pointer("move", 60, 70);
    pointer("move", 80, 90);
    EXPECT_DOUBLE_EQ(position()[0].toDouble(), 100 + 30 * scale);
    EXPECT_DOUBLE_EQ(position()[1].toDouble(), 100 + 40 * scale);
    EXPECT_TRUE(page.eval("window.d.draggable.isDragging").toBool());
    pointer("up", 80, 90);
    EXPECT_FALSE(page.eval("window.d.draggable.isDragging").toBool());
    EXPECT_EQ(page.eval("window.seen").toArray(), (QJsonArray{"dragstart", "dragmove", "dragmove", "dragend"}));

    // After the pointer is up the layer stays where it was dropped.
    const QJsonArray dropped = position();
    pointer("move", 300, 300);
    EXPECT_EQ(position(), dropped);
}

TEST_F(LibraryMotion, DragsKeepToTheirDirectionAndConstraints)
{
    page.run(RuntimePage::compile("window.d = new Layer x: 100, y: 100, width: 100, height: 100\n"
                                  "d.draggable.enabled = true\n"
                                  "d.draggable.vertical = false\n"
                                  "d.draggable.constraints = {x: 0, y: 0, width: 300, height: 300}\n"));
    pointer("down", 10, 10);
    pointer("move", 2000, 2000);  // far right and down: x stops at the constraint's edge
    EXPECT_EQ(position(), (QJsonArray{200, 100}));
    pointer("move", -2000, 10);
    EXPECT_EQ(position(), (QJsonArray{0, 100}));
    pointer("up", -2000, 10);

    // A new program ends a drag that was under way: the old window listeners go with it.
    pointer("down", 10, 10);
    page.run(RuntimePage::compile("window.d = new Layer x: 5, y: 5\n"));
    pointer("move", 500, 500);
    EXPECT_EQ(position(), (QJsonArray{5, 5}));
    EXPECT_EQ(page.eval("ZelvorStudio.runtime.domListeners.length").toInt(), 0);
}

TEST_F(LibraryMotion, SpringCurvesSettleAtTheTargetWithTheirOwnDuration)
{
    // Sample each curve's progress as the animation computes it.
    page.run(RuntimePage::compile(
        "window.sample = (curve) ->\n"
        "  a = new Animation layer: (new Layer), properties: {x: 100}, curve: curve, time: 30\n"
        "  a.start()\n"
        "  c = a._curve\n"
        "  a.stop()\n"
        "  values = (c.value(i / 120) for i in [0..Math.ceil(c.duration * 120)])\n"
        "  {duration: c.duration, max: Math.max(values...), min: Math.min(values...), end: c.value(c.duration)}\n"));
    const auto curve = [&](const char* text) { return page.eval(QStringLiteral("sample('%1')").arg(text)).toObject(); };

    // A soft spring overshoots and comes back; a heavily damped one never passes the target.
    const QJsonObject bouncy = curve("spring(400, 10, 0)");
    EXPECT_GT(bouncy["max"].toDouble(), 1.2);
    EXPECT_EQ(bouncy["end"].toDouble(), 1);
    const QJsonObject damped = curve("spring(100, 40, 0)");
    EXPECT_LE(damped["max"].toDouble(), 1.0);
    EXPECT_GE(damped["min"].toDouble(), 0.0);
    // The spring, not the given time, says how long it lasts.
    EXPECT_LT(bouncy["duration"].toDouble(), 10);
    EXPECT_GT(bouncy["duration"].toDouble(), 0.5);
    // A stiffer spring settles sooner.
    EXPECT_LT(curve("spring(900, 60, 0)")["duration"].toDouble(), damped["duration"].toDouble());

    // A very stiff spring, or one given nonsense, still settles near the target instead of
    // swinging ever wider.
    for (const char* text : {"spring(20000, 50, 0)", "spring(1000000, 5, 0)", "spring(-5, -1, 0)", "spring(abc)"}) {
        const QJsonObject c = curve(text);
        EXPECT_LT(c["max"].toDouble(), 2.0) << text;
        EXPECT_GT(c["min"].toDouble(), -1.0) << text;
        EXPECT_EQ(c["end"].toDouble(), 1) << text;
    }
}

TEST_F(LibraryMotion, ASpringAnimationEndsOnTheTargetValue)
{
    page.run(RuntimePage::compile(
        "window.s = new Layer x: 0\n"
        "s.animate properties: {x: 200}, curve: 'spring(400, 10, 0)'\n"
        "s.on Events.AnimationEnd, -> window.ended = s.x\n"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return page.eval("window.ended").isDouble(); }, 10000));
    EXPECT_EQ(page.eval("window.ended").toDouble(), 200);
}
