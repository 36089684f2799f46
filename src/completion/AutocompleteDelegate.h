#pragma once

#include "CodeTextView/KVAutoCompleteDelegate.h"
#include "completion/AutocompleteEditor.h"
#include "completion/CompletionsProvider.h"
#include "platform/AttachedInterface.h"

#include <memory>
#include <optional>
#include <vector>

class CodeTranspiler;
class CompletionSource;
class ImportedLayers;

// Joins one editor to the completion engine: the editor's code view holds it as its completion
// delegate, and the popup's requests reach it through the text view. It owns the editor's
// sources (in the order of their priority: the code's types, module file names, the language's
// words, the library's words, the words in the code), the imported layer names and the
// provider, made on first use. Main thread only.
class AutocompleteDelegate : public KVAutoCompleteDelegate {
public:
    // The editor must have its document; the delegate keeps the editor weakly and reads the
    // project folder each time the project-derived lists are rebuilt.
    explicit AutocompleteDelegate(AutocompleteEditor* editor);
    ~AutocompleteDelegate() override;
    AutocompleteDelegate(const AutocompleteDelegate&) = delete;
    AutocompleteDelegate& operator=(const AutocompleteDelegate&) = delete;

    void transpilerIdle() {}
    // A compile succeeded: its types may answer where the last request, made before it, found
    // nothing (members of a variable just written). Asks again when the caret and the text are
    // still those of that request, in the editor that has the focus, and refreshes a popup it
    // opened that is still showing.
    void compileSucceeded();
    // A compile failed. A text whose only fault is the dot just typed after a name ("box.")
    // never compiles, so the variables written just before it would stay unknown until the
    // member is typed: the text without that dot is compiled instead, once per edit.
    void compileFailed();
    // The caret moved: once it leaves such a dot, the text as it stands is compiled again, so
    // that its error shows and the preview runs what is written.
    void selectionChanged();
    bool isCompleting() const { return m_completing; }
    const ImportedLayers& importedLayers() const { return *m_importedLayers; }
    const QList<CompletionSource*>& completionSources() const { return m_sourceOrder; }
    CompletionsProvider& completionsProvider();

    // --- KVAutoCompleteDelegate
    void complete(QObject* sender) override;
    platform::TextRange rangeForUserCompletion() override;
    KVAutoCompletionSet completionsForPartialWordRange(platform::TextRange range, qsizetype* index) override;
    void insertCompletion(const QString& word, platform::TextRange range, qsizetype movement, bool isFinal) override;

private:
    // The last request: where the caret stood, the text's revision and whether it offered rows.
    struct Request {
        qsizetype cursor = -1;
        int revision = -1;
        bool answered = false;
    };

    void reset();

    platform::AttachedInterface<AutocompleteEditor> m_editor;
    CodeTranspiler* m_transpiler;
    std::unique_ptr<ImportedLayers> m_importedLayers;
    std::vector<std::unique_ptr<CompletionSource>> m_completionSources;
    QList<CompletionSource*> m_sourceOrder;
    std::unique_ptr<CompletionsProvider> m_completionsProvider;
    std::optional<Request> m_lastRequest;
    int m_compiledWithoutDot = -1; // the text revision compiled without its dot
    qsizetype m_droppedDot = -1;   // where that dot stands while its compile is the last one
    bool m_completing = false;
};
