#pragma once

#include <QString>

// What the layer panel asks of the code editor: dim all code but a layer's, end the dimming,
// and bring a layer's code into sight (or blink when it has none).
class RBLayerPanelEditor {
public:
    virtual ~RBLayerPanelEditor() = default;
    virtual void highlightLayer(const QString& hash) = 0;
    virtual void unhighlightLayer() = 0;
    virtual void scrollToNextHighlight(const QString& hash) = 0;
};
