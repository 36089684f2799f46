#pragma once

#include <QString>
#include <QVariantMap>

// What a document needs of its code editor (the editor controller implements it).
class RBDocumentEditor {
public:
    virtual ~RBDocumentEditor() = default;
    // The program text as it stands in the editor.
    virtual QString content() const = 0;
    // Loads a program (opening a project).
    virtual void setContent(const QString& text) = 0;
    // Replaces the whole text as one edit (an outside change of "app.coffee").
    virtual void replaceAllText(const QString& text) = 0;
    // Inserts the rendering of a snippet at the top or the end of the code as one edit, unless
    // the code already holds the rendering of `ifNotContains` (when given). Answers whether it
    // inserted; an editor without snippets inserts nothing.
    virtual bool insertSnippetNamed(const QString& name, const QVariantMap& context, const QString& ifNotContains, bool onTop)
    {
        (void)name;
        (void)context;
        (void)ifNotContains;
        (void)onTop;
        return false;
    }
    // The same at a character offset of the code (clamped to it); away from the top, the
    // snippet stands on lines of its own after one empty line.
    virtual bool insertSnippetNamedAt(const QString& name, const QVariantMap& context, const QString& ifNotContains,
                                      qsizetype offset)
    {
        return offset <= 0 && insertSnippetNamed(name, context, ifNotContains, true);
    }
};
