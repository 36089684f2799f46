#pragma once

#include <QString>

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
};
