#pragma once
#include "preview/RBLayerPanelEditor.h"

#include <QObject>
#include <QPointer>

class RBCodeEditViewController;

// Hands the layer panel's requests to the document's code editor, which may go first.
class LayerPanelEditorLink : public QObject, public RBLayerPanelEditor {
    Q_OBJECT
public:
    explicit LayerPanelEditorLink(RBCodeEditViewController& editor, QObject* parent = nullptr);

    void highlightLayer(const QString& hash) override;
    void unhighlightLayer() override;
    void scrollToNextHighlight(const QString& hash) override;

private:
    QPointer<RBCodeEditViewController> m_editor;
};
