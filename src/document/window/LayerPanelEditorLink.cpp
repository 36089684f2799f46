#include "document/window/LayerPanelEditorLink.h"

#include "editor/RBCodeEditViewController.h"

LayerPanelEditorLink::LayerPanelEditorLink(RBCodeEditViewController& editor, QObject* parent)
    : QObject(parent)
    , m_editor(&editor)
{
}

void LayerPanelEditorLink::highlightLayer(const QString& hash)
{
    if (m_editor)
        m_editor->highlightLayer(hash);
}

void LayerPanelEditorLink::unhighlightLayer()
{
    if (m_editor)
        m_editor->unhighlightLayer();
}

void LayerPanelEditorLink::scrollToNextHighlight(const QString& hash)
{
    if (m_editor)
        m_editor->scrollToNextHighlight(hash);
}
