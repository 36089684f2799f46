#pragma once

#include <QString>

class ProjectConfig;
class QObject;

// What the code editor, its settings and the scale pop-up need of their project document (the
// document implements it).
class RBEditorDocument {
public:
    virtual ~RBEditorDocument() = default;
    // The document as an object: its state updates are posted with it, and its end ends every
    // reference the editor holds.
    virtual QObject* documentObject() = 0;
    // The project folder.
    virtual QString projectPath() const = 0;
    // The project settings, read and written in place.
    virtual ProjectConfig& config() = 0;
    // The user changed the program; `stillModified` is false when the edit brought the text back
    // to its saved state, which clears the document's unsaved mark.
    virtual void programEdited(bool stillModified) = 0;
    // Shows or hides the developer tools of the preview page.
    virtual void toggleInspector() = 0;
};
