#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QVariant>

class KVCodeTextView;
class RBDocument;
class RBDocumentWindow;
class RBLayerPanelViewController;
class RBWebViewController;
class RBZelvorViewController;

// Reaches into a document's window the way a user sees it: the code text view, the preview
// page and the error markers.
class WindowProbe {
public:
    explicit WindowProbe(RBDocument& document);

    RBDocumentWindow* window() const;
    RBZelvorViewController* preview() const;
    KVCodeTextView* textView() const;

    // The value of a script in the preview page (invalid when it did not answer in time).
    QVariant pageValue(const QString& script, int timeoutMs = 5000) const;
    // The layer panel beside the code, and the value of a script in its page.
    RBLayerPanelViewController* layerPanel() const;
    QVariant panelValue(const QString& script, int timeoutMs = 5000) const;
    // Types the text at the end of the code, key by key ("\n" is the Return key).
    void typeAtEnd(const QString& text) const;
    // The lines (from 1) of the error markers shown in the code.
    QList<int> errorLines() const;

private:
    static QVariant valueIn(RBWebViewController* page, const QString& script, int timeoutMs);
    QPointer<RBDocument> m_document;
};
