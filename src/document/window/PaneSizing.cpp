#include "document/window/PaneSizing.h"

#include <algorithm>
#include <cmath>

namespace PaneSizing {

double minimumPosition(Split split)
{
    switch (split) {
    case Split::Outer: return kEditorSideMinimum;
    case Split::Inner: return kCodeMinimum;
    case Split::Other: break;
    }
    return 0;
}

double maximumPosition(Split split, double boundsWidth)
{
    switch (split) {
    case Split::Outer: return boundsWidth - kPreviewMinimum;
    case Split::Inner: return boundsWidth;
    case Split::Other: break;
    }
    return 0;
}

Snap constrainSplitPosition(Split split, double proposed, double editorSideWidth, bool layerPanelAnimating)
{
    if (split == Split::Inner && !layerPanelAnimating) {
        const double distance = editorSideWidth - proposed;
        if (distance < kLayerPanelCloseDistance)
            return {std::floor(editorSideWidth), true};
        if (distance < kLayerPanelWidth)
            return {editorSideWidth - kLayerPanelWidth, true};
    }
    return {std::floor(proposed), false};
}

namespace {
// Every pane but `except` adjusts; `except` None lets every pane adjust.
bool allBut(Pane except, Pane pane)
{
    return pane != except;
}
} // namespace

bool shouldAdjustSizeOfPane(const Layout& layout, Pane pane)
{
    const double change = layout.width - (layout.firstWidth + layout.lastWidth);
    const bool growing = change >= 0;
    if (layout.split == Split::Inner) {
        if (growing)
            return allBut(layout.layerPanel == Pane::None ? Pane::Last : layout.layerPanel, pane);
        const double codeWidth = layout.code == Pane::First ? layout.firstWidth
                               : layout.code == Pane::Last  ? layout.lastWidth
                                                            : 0;
        if (layout.code != Pane::None && codeWidth > kCodeMinimum)
            return allBut(layout.layerPanel, pane);
        return allBut(layout.code, pane);
    }
    if (growing)
        return true;
    if (!layout.hasFirst || layout.firstWidth <= kEditorSideMinimum)
        return allBut(layout.editorSide, pane);
    if (layout.lastWidth > kPreviewMinimum)
        return true;
    return allBut(layout.preview, pane);
}

Resize resizeSubviews(const Layout& layout, double oldWidth, bool floored, double editorSideWidth,
                      bool layerPanelAnimating)
{
    const double first = layout.firstWidth;
    const double change = layout.width - oldWidth;
    double half = change / 2;
    if (std::fmod(std::trunc(change), 2.0) != 0) {
        if (floored)
            half += 1;
        floored = !floored;
    }
    double position = first;
    const bool firstAdjusts = shouldAdjustSizeOfPane(layout, Pane::First);
    if (firstAdjusts)
        position = shouldAdjustSizeOfPane(layout, Pane::Last) ? first + half : first + change;
    // One large change (a maximised or tiled window) can share more than a pane can give:
    // the least widths hold whatever the step, the editor side's first.
    if (layout.split != Split::Other) {
        position = std::min(position, maximumPosition(layout.split, layout.width));
        position = std::max(position, minimumPosition(layout.split));
    }
    return {constrainSplitPosition(layout.split, position, editorSideWidth, layerPanelAnimating).position, floored};
}

} // namespace PaneSizing
