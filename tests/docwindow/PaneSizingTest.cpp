// The pane sizing rules of the document window, as arithmetic.
#include "document/window/PaneSizing.h"

#include <gtest/gtest.h>

using namespace PaneSizing;

namespace {
Layout outer(double width, double first, double last)
{
    Layout layout;
    layout.split = Split::Outer;
    layout.width = width;
    layout.firstWidth = first;
    layout.lastWidth = last;
    return layout;
}

Layout inner(double width, double first, double last)
{
    Layout layout = outer(width, first, last);
    layout.split = Split::Inner;
    return layout;
}

// The outer divider as a drag leaves it: snapped, then held between the limits.
double drag(Split split, double proposed, double splitWidth, double editorSide, bool animating = false)
{
    const double snapped = constrainSplitPosition(split, proposed, editorSide, animating).position;
    return std::max(minimumPosition(split), std::min(snapped, maximumPosition(split, splitWidth)));
}
} // namespace

TEST(PaneSizing, DraggingTheDividersStopsAtTheLeastWidths)
{
    // The editor side keeps 540, the preview 200, the code 340; other split views are free.
    EXPECT_EQ(drag(Split::Outer, 300, 1200, 600), 540);
    EXPECT_EQ(drag(Split::Outer, 1150, 1200, 600), 1000);
    EXPECT_EQ(drag(Split::Outer, 700.8, 1200, 600), 700);
    EXPECT_EQ(drag(Split::Inner, 100, 800, 800), 340);
    EXPECT_EQ(minimumPosition(Split::Other), 0);
    EXPECT_EQ(maximumPosition(Split::Other, 900), 0);
    // The layer panel may close completely.
    EXPECT_EQ(maximumPosition(Split::Inner, 800), 800);
}

TEST(PaneSizing, TheLayerPanelSnapsShutOrToItsNarrowWidthNearTheEdge)
{
    const double side = 800;
    Snap snap = constrainSplitPosition(Split::Inner, side - 40, side, false);
    EXPECT_EQ(snap.position, 800);
    EXPECT_TRUE(snap.updateLayerPanelButton);
    snap = constrainSplitPosition(Split::Inner, side - 70, side, false);
    EXPECT_EQ(snap.position, 700);
    EXPECT_TRUE(snap.updateLayerPanelButton);
    snap = constrainSplitPosition(Split::Inner, side - 150.6, side, false);
    EXPECT_EQ(snap.position, 649);
    EXPECT_FALSE(snap.updateLayerPanelButton);
    // The edges of the bands: 50 away is the narrow panel, 100 away is left alone.
    EXPECT_EQ(constrainSplitPosition(Split::Inner, side - 50, side, false).position, 700);
    EXPECT_EQ(constrainSplitPosition(Split::Inner, side - 100, side, false).position, 700);
    EXPECT_FALSE(constrainSplitPosition(Split::Inner, side - 100, side, false).updateLayerPanelButton);
    // A fractional editor side closes to its whole width; the narrow panel keeps the fraction.
    EXPECT_EQ(constrainSplitPosition(Split::Inner, 780, 800.5, false).position, 800);
    EXPECT_EQ(constrainSplitPosition(Split::Inner, 730, 800.5, false).position, 700.5);
    // While the panel's own animation moves the divider nothing snaps, and the outer never does.
    EXPECT_EQ(constrainSplitPosition(Split::Inner, 790.7, side, true).position, 790);
    EXPECT_EQ(constrainSplitPosition(Split::Outer, 790.7, side, false).position, 790);
}

TEST(PaneSizing, ShrinkingTheOuterSplitProtectsTheEditorSideThenThePreview)
{
    // Both wide enough: both give.
    EXPECT_TRUE(shouldAdjustSizeOfPane(outer(990, 700, 300), Pane::First));
    EXPECT_TRUE(shouldAdjustSizeOfPane(outer(990, 700, 300), Pane::Last));
    // The preview at its least width: only the editor side gives.
    EXPECT_TRUE(shouldAdjustSizeOfPane(outer(890, 700, 200), Pane::First));
    EXPECT_FALSE(shouldAdjustSizeOfPane(outer(890, 700, 200), Pane::Last));
    // The editor side at its least width: only the preview gives.
    EXPECT_FALSE(shouldAdjustSizeOfPane(outer(830, 540, 300), Pane::First));
    EXPECT_TRUE(shouldAdjustSizeOfPane(outer(830, 540, 300), Pane::Last));
    // Growing: both take part.
    EXPECT_TRUE(shouldAdjustSizeOfPane(outer(1100, 540, 200), Pane::First));
    EXPECT_TRUE(shouldAdjustSizeOfPane(outer(1100, 540, 200), Pane::Last));
    // No first pane at all counts as a narrow editor side.
    Layout missing = outer(500, 0, 600);
    missing.hasFirst = false;
    EXPECT_FALSE(shouldAdjustSizeOfPane(missing, Pane::First));
    EXPECT_TRUE(shouldAdjustSizeOfPane(missing, Pane::Last));
}

TEST(PaneSizing, TheInnerSplitKeepsTheLayerPanelWidthUntilTheCodeIsNarrow)
{
    // Growing: the layer panel keeps its width (or the last pane, when no pane holds it).
    EXPECT_TRUE(shouldAdjustSizeOfPane(inner(900, 600, 200), Pane::First));
    EXPECT_FALSE(shouldAdjustSizeOfPane(inner(900, 600, 200), Pane::Last));
    Layout noPanel = inner(900, 600, 200);
    noPanel.layerPanel = Pane::None;
    EXPECT_FALSE(shouldAdjustSizeOfPane(noPanel, Pane::Last));
    // Shrinking with wide code: the code gives.
    EXPECT_TRUE(shouldAdjustSizeOfPane(inner(700, 600, 200), Pane::First));
    EXPECT_FALSE(shouldAdjustSizeOfPane(inner(700, 600, 200), Pane::Last));
    // Shrinking with the code at 340: the layer panel gives.
    EXPECT_FALSE(shouldAdjustSizeOfPane(inner(500, 340, 200), Pane::First));
    EXPECT_TRUE(shouldAdjustSizeOfPane(inner(500, 340, 200), Pane::Last));
    // Without a code editor in a pane, the layer panel's pane gives as well.
    Layout noCode = inner(700, 600, 200);
    noCode.code = Pane::None;
    EXPECT_TRUE(shouldAdjustSizeOfPane(noCode, Pane::First));
    EXPECT_TRUE(shouldAdjustSizeOfPane(noCode, Pane::Last));
}

TEST(PaneSizing, OddChangesAlternateWhichPaneGetsTheLargerHalf)
{
    // Widening twice by 5: the editor side grows by 2 then 3, the preview by 3 then 2.
    double first = 600, last = 400;
    bool floored = false;
    Resize r = resizeSubviews(outer(1005, first, last), 1000, floored, first, false);
    EXPECT_EQ(r.position, 602);
    EXPECT_TRUE(r.floored);
    first = r.position;
    last = 1005 - first;
    EXPECT_EQ(last, 403);
    r = resizeSubviews(outer(1010, first, last), 1005, r.floored, first, false);
    EXPECT_EQ(r.position, 605);
    EXPECT_FALSE(r.floored);
    EXPECT_EQ(1010 - r.position, 405);

    // An even change is shared evenly and leaves the rounding state.
    r = resizeSubviews(outer(1010, 600, 400), 1000, true, 600, false);
    EXPECT_EQ(r.position, 605);
    EXPECT_TRUE(r.floored);
}

TEST(PaneSizing, NarrowingTheWindowShrinksBothPanesThenOnlyOne)
{
    // Both wide: half each.
    Resize r = resizeSubviews(outer(980, 700, 300), 1000, false, 700, false);
    EXPECT_EQ(r.position, 690);
    // The preview at 200: the editor side takes the whole change.
    r = resizeSubviews(outer(880, 700, 200), 900, false, 700, false);
    EXPECT_EQ(r.position, 680);
    // The editor side at 540: it keeps its width, the preview shrinks.
    r = resizeSubviews(outer(820, 540, 300), 840, false, 540, false);
    EXPECT_EQ(r.position, 540);
}

TEST(PaneSizing, AClosedLayerPanelStaysClosedWhenTheEditorSideGrowsOrShrinks)
{
    // The inner split view fills the editor side, so its width is the editor side's.
    Resize r = resizeSubviews(inner(820, 800, 0), 800, false, 820, false);
    EXPECT_EQ(r.position, 820);
    r = resizeSubviews(inner(760, 800, 0), 800, false, 760, false);
    EXPECT_EQ(r.position, 760);
    // An open panel keeps its width while the code is wider than 340.
    r = resizeSubviews(inner(760, 600, 200), 800, false, 760, false);
    EXPECT_EQ(r.position, 560);
}

TEST(PaneSizing, OneLargeResizeStillKeepsTheLeastWidths)
{
    // 1280 with halves of 640 narrowed to 800 at once: half the change each would leave the
    // editor side 400 wide; it keeps 540 and the preview takes the rest.
    Resize r = resizeSubviews(outer(800, 640, 640), 1280, false, 640, false);
    EXPECT_EQ(r.position, 540);
    // Widened at once with the editor side at 540 and the preview at 200: halves, no limit hit.
    r = resizeSubviews(outer(1600, 540, 200), 740, false, 540, false);
    EXPECT_EQ(r.position, 970);
    // A preview left narrower than 200 gets its 200 back when only the editor side adjusts.
    r = resizeSubviews(outer(800, 900, 150), 1050, false, 900, false);
    EXPECT_EQ(r.position, 600);
    // Inside the editor side the code keeps 340 however far the side shrinks at once.
    r = resizeSubviews(inner(540, 900, 100), 1000, false, 540, false);
    EXPECT_EQ(r.position, 440);
    r = resizeSubviews(inner(540, 500, 500), 1000, false, 540, false);
    EXPECT_EQ(r.position, 340);
}
