#pragma once

#include "completion/CaseInsensitivePrefixMatcher.h"
#include "completion/Completion.h"
#include "platform/StringExtras.h"

#include <QList>

#include <memory>
#include <optional>

class CodeContext;
class CodeLines;
class CodeScanner;
class CodeTranspiler;
class CompletionSource;
class ImportedLayers;

// The completion engine's front for one editor. The popup asks it first for the range of the
// word to complete at the cursor, which scans the text, works out the cursor's code context and
// gathers the candidates of all sources once (the first source to offer a word keeps it); then,
// as the typed word grows, for the candidates that fit it, ranked. Main thread only.
class CompletionsProvider {
public:
    using TextRange = platform::TextRange;
    static constexpr TextRange kNotFoundRange{TextRange::kNotFound, 0};

    // What fits the typed text: the context of the last range request (null when there was
    // none) and the fitting candidates, ranked.
    struct Fitting {
        std::shared_ptr<CodeContext> context;
        QList<Completion> completions;
    };

    // The transpiler, lines, layers and sources must outlive the provider.
    CompletionsProvider(const CodeTranspiler* transpiler, std::shared_ptr<CodeLines> clientLines,
                        const ImportedLayers* importedLayers, QList<CompletionSource*> completionSources);
    ~CompletionsProvider();

    bool hasCompletions() const { return m_completions && !m_completions->isEmpty(); }
    void clearCompletions();
    const std::optional<QList<Completion>>& completions() const { return m_completions; }
    const std::shared_ptr<CodeContext>& context() const { return m_context; }
    const std::shared_ptr<const CodeScanner>& scanner() const { return m_scanner; }

    // The range of the word to complete for the selection, or kNotFoundRange when there is
    // nothing to complete there (a selection, a comment, a number, a string that names no
    // module, inside or before a word, at a line's start, no candidates); gathers the
    // candidates of the sources that offer words at that place (sourceOffersAt). A request the
    // user made (rather than typing) also completes at a line's start and with nothing typed.
    TextRange rangeForUserCompletionAt(TextRange selection, bool explicitRequest = false);
    // The gathered candidates that fit the text typed over `range` (clipped to the text), ranked.
    // The index is not used.
    Fitting completionsForPartialWordRange(TextRange range, qsizetype* indexOfSelectedItem = nullptr);
    void sortCompletions(QList<Completion>& completions) const;

private:
    const CodeTranspiler* m_transpiler;
    std::shared_ptr<CodeLines> m_clientLines;
    const ImportedLayers* m_importedLayers;
    QList<CompletionSource*> m_completionSources;
    std::optional<QList<Completion>> m_completions;
    std::shared_ptr<CodeContext> m_context;
    std::shared_ptr<const CodeScanner> m_scanner;
    CaseInsensitivePrefixMatcher m_completionSelector;
};

// Whether Tab takes the first row when none is selected: yes without a context; no when the
// typed text is a whole candidate already (the user may want just that) or nothing is typed
// yet (after a dot or a blank); yes once something is typed.
bool tabAcceptsFirstCompletion(const CodeContext* context);
// Whether the popup preselects its first row, which Return then inserts: where Tab would take
// it, and only when the engine is sure of it (a member, a key or a constructor); a word of the
// fallback sources waits for the arrow keys, so Return ends the line.
bool preselectsFirstCompletion(const CodeContext* context, const QList<Completion>& ranked);
