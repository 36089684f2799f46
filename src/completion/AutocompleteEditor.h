#pragma once

#include <QString>

#include <memory>

class CodeLines;
class CodeTranspiler;
class KVCodeView;
class QObject;

// What the completion bridge needs of the code editor it serves (the editor's controller
// implements it): the compiler front whose compiles it reads, the line index of the text as
// typed, the code view it completes in and the project it completes for.
class AutocompleteEditor {
public:
    virtual ~AutocompleteEditor() = default;
    // The editor as an object: its end ends every reference the bridge holds.
    virtual QObject* editorObject() = 0;
    virtual CodeTranspiler* completionTranspiler() const = 0;
    virtual std::shared_ptr<CodeLines> completionLines() const = 0;
    // Null once the window has destroyed the view.
    virtual KVCodeView* completionCodeView() const = 0;
    // The editor's document as an object (null without one) and its project folder.
    virtual QObject* completionDocument() const = 0;
    virtual QString completionProjectPath() const = 0;
};
