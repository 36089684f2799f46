#pragma once

#include <QString>
#include <QVariantMap>

// What the preview's drop handling needs of the document's code editor: its text, a snippet
// insertion (rendered by the editor from the resource folder "Snippets", as one undoable edit
// that runs the usual compile) and the insertion point.
class RBPreviewDropEditor {
public:
    virtual ~RBPreviewDropEditor() = default;
    virtual QString content() const = 0;
    // At offset 0 when `onTop`, else after a line feed at the end of the text.
    virtual void insertSnippetNamed(const QString& name, const QVariantMap& context, bool onTop) = 0;
    // Puts the caret at a UTF-16 offset of the text.
    virtual void setInsertionPoint(qsizetype offset) = 0;
};
