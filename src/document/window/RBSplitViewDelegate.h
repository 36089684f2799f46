#pragma once

#include <QSize>

class RBSplitView;
class QWidget;

// Decides the limits of a split view while its divider is dragged and how a change of its size
// is shared between its panes. Without a delegate the divider moves freely and the first pane
// keeps its width.
class RBSplitViewDelegate {
public:
    virtual ~RBSplitViewDelegate() = default;
    virtual double constrainMinCoordinate(RBSplitView* splitView, double proposed, int dividerIndex) = 0;
    virtual double constrainMaxCoordinate(RBSplitView* splitView, double proposed, int dividerIndex) = 0;
    virtual double constrainSplitPosition(RBSplitView* splitView, double proposed, int dividerIndex) = 0;
    virtual bool shouldAdjustSizeOfSubview(RBSplitView* splitView, QWidget* pane) = 0;
    // Lays the panes out for the split view's new size (the platform's own sharing when false).
    virtual bool resizeSubviewsWithOldSize(RBSplitView* splitView, QSize oldSize) = 0;
};
