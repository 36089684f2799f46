#pragma once

// The sizing rules of the document window's two split views, as arithmetic over widths so that
// they are checked without a window. The outer split view puts the editor side (first pane)
// beside the preview (last pane); the inner one, inside the editor side, puts the code (first)
// beside the layer panel (last).
namespace PaneSizing {

enum class Split { Outer, Inner, Other };
enum class Pane { First, Last, None };

constexpr double kEditorSideMinimum = 540; // the outer first pane
constexpr double kPreviewMinimum = 200;    // the outer last pane
constexpr double kCodeMinimum = 340;       // the inner first pane
constexpr double kLayerPanelWidth = 100;   // the snapped width of a nearly closed layer panel
constexpr double kLayerPanelCloseDistance = 50;

// The least position of the divider (the proposed value plays no part).
double minimumPosition(Split split);
// The greatest position of the divider for a split view of this bounds width. For the inner
// split view the layer panel may close completely.
double maximumPosition(Split split, double boundsWidth);

struct Snap {
    double position = 0;
    // The editor's layer-panel button must show the panel's new state.
    bool updateLayerPanelButton = false;
};
// Where a proposed divider position lands. `editorSideWidth` is the width of the outer first
// pane (which holds the inner split view); near its right edge the layer panel snaps shut or
// to 100 wide, unless its own open/close animation is moving the divider.
Snap constrainSplitPosition(Split split, double proposed, double editorSideWidth, bool layerPanelAnimating);

// What a split view looks like while its size changes.
struct Layout {
    Split split = Split::Other;
    double width = 0;      // the split view's frame width
    double firstWidth = 0; // the first pane's width (0 when there is no first pane)
    double lastWidth = 0;  // the last pane's width
    bool hasFirst = true;
    // Which pane holds the view that a rule protects: the layer panel and the code editor (inner),
    // the editor side and the preview (outer).
    Pane layerPanel = Pane::Last;
    Pane code = Pane::First;
    Pane editorSide = Pane::First;
    Pane preview = Pane::Last;
};
// Whether a pane takes part in a size change of its split view.
bool shouldAdjustSizeOfPane(const Layout& layout, Pane pane);

struct Resize {
    double position = 0;   // the new divider position (the first pane's new width)
    bool floored = false;  // the new rounding state
};
// Shares a change of the split view's width between its panes. `floored` says which way the
// next odd change is rounded; successive odd changes alternate, so neither pane drifts.
Resize resizeSubviews(const Layout& layout, double oldWidth, bool floored, double editorSideWidth,
                      bool layerPanelAnimating);

} // namespace PaneSizing
