#pragma once

class QWidget;
class RBSplitView;

// What a document needs of its window and toolbar (the document window implements it).
class RBDocumentWindowInterface {
public:
    virtual ~RBDocumentWindowInterface() = default;
    virtual QWidget* window() const = 0;
    virtual void setDevicePickerEnabled(bool enabled) = 0;
    virtual void setHandsEnabled(bool enabled) = 0;
    virtual void setOrientationEnabled(bool enabled) = 0;
    virtual void setDeviceScaleEnabled(bool enabled) = 0;
    // Shows the entry of DeviceScaleMenu::entries() at this index as chosen.
    virtual void selectDeviceScaleEntry(int index) = 0;
    // The editor side beside the preview, and the code beside the layer panel (none until the
    // window has them).
    virtual RBSplitView* splitView() const { return nullptr; }
    virtual RBSplitView* codeEditSplitView() const { return nullptr; }
};
