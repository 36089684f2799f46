#pragma once

class QWidget;

// What a document needs of its window and toolbar (the document window implements it).
class RBDocumentWindow {
public:
    virtual ~RBDocumentWindow() = default;
    virtual QWidget* window() const = 0;
    virtual void setDevicePickerEnabled(bool enabled) = 0;
    virtual void setHandsEnabled(bool enabled) = 0;
    virtual void setOrientationEnabled(bool enabled) = 0;
    virtual void setDeviceScaleEnabled(bool enabled) = 0;
    // Shows the entry of DeviceScaleMenu::entries() at this index as chosen.
    virtual void selectDeviceScaleEntry(int index) = 0;
};
