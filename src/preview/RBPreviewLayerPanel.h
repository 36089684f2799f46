#pragma once

class RBWebViewController;
class RBZelvorViewController;

// The layer panel as the preview sees it: a page to which the preview page's "ui:" messages
// are forwarded.
class RBPreviewLayerPanel {
public:
    virtual ~RBPreviewLayerPanel() = default;
    virtual RBWebViewController* webViewController() const = 0;
    virtual void setZelvorViewController(RBZelvorViewController* controller) = 0;
};
