#pragma once

#include "document/RBDocumentEditor.h"

#include <QObject>
#include <QPointer>

class CodeTranspiler;
class KVCodeView;
class RBDocument;
class QWidget;

// The code pane's editor until the full editor controller (editor bar, delayed error display,
// snippets, plugins, layer dimming) takes its place: the code view, its compiler, the document's
// change count, and the marker of the latest error.
class InterimCodeEditor : public QObject, public RBDocumentEditor {
    Q_OBJECT
public:
    explicit InterimCodeEditor(RBDocument& document, QObject* parent = nullptr);
    ~InterimCodeEditor() override;

    QWidget* view() const;
    KVCodeView* codeView() const { return m_codeView.data(); }
    CodeTranspiler* transpiler() const { return m_transpiler; }
    void retranspile();

    // RBDocumentEditor
    QString content() const override;
    void setContent(const QString& text) override;
    void replaceAllText(const QString& text) override;

private:
    void textDidChange();

    QPointer<RBDocument> m_document;
    QPointer<KVCodeView> m_codeView;
    CodeTranspiler* m_transpiler;
    bool m_loading = false;
};
