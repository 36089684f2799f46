#pragma once

#include "CodeTextView/KVAutoCompleteDelegate.h"
#include "completion/CompletionsProvider.h"

#include <QPointer>

#include <memory>
#include <vector>

class CodeTranspiler;
class CompletionSource;
class ImportedLayers;
class RBCodeEditViewController;

// Joins one editor to the completion engine: the editor's code view holds it as its completion
// delegate, and the popup's requests reach it through the text view. It owns the editor's
// sources (in the order of their priority: the code's types, module file names, the language's
// words, the library's words, the words in the code), the imported layer names and the
// provider, made on first use. Main thread only.
class AutocompleteDelegate : public KVAutoCompleteDelegate {
public:
    // The controller must have its document; the delegate keeps the controller weakly and reads
    // the document's project folder each time the project-derived lists are rebuilt.
    explicit AutocompleteDelegate(RBCodeEditViewController* codeEditViewController);
    ~AutocompleteDelegate() override;
    AutocompleteDelegate(const AutocompleteDelegate&) = delete;
    AutocompleteDelegate& operator=(const AutocompleteDelegate&) = delete;

    void transpilerIdle() {}
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
    void reset();

    QPointer<RBCodeEditViewController> m_viewController;
    CodeTranspiler* m_transpiler;
    std::unique_ptr<ImportedLayers> m_importedLayers;
    std::vector<std::unique_ptr<CompletionSource>> m_completionSources;
    QList<CompletionSource*> m_sourceOrder;
    std::unique_ptr<CompletionsProvider> m_completionsProvider;
    bool m_completing = false;
};
