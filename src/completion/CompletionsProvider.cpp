#include "completion/CompletionsProvider.h"

#include "analysis/context/CodeContextProvider.h"
#include "compiler/CodeTranspiler.h"
#include "completion/CompletionRanking.h"
#include "completion/CompletionSource.h"
#include "completion/ImportedLayers.h"
#include "model/CodeLines.h"

#include <QSet>

#include <algorithm>

CompletionsProvider::CompletionsProvider(const CodeTranspiler* transpiler, std::shared_ptr<CodeLines> clientLines,
                                         const ImportedLayers* importedLayers,
                                         QList<CompletionSource*> completionSources)
    : m_transpiler(transpiler), m_clientLines(std::move(clientLines)), m_importedLayers(importedLayers),
      m_completionSources(std::move(completionSources))
{
}

CompletionsProvider::~CompletionsProvider() = default;

void CompletionsProvider::clearCompletions()
{
    m_completions.reset();
    m_context.reset();
}

CompletionsProvider::TextRange CompletionsProvider::rangeForUserCompletionAt(TextRange selection,
                                                                           bool explicitRequest)
{
    clearCompletions();
    if (selection.length > 0 || selection.isNotFound() || selection.location < 0 || !m_clientLines)
        return kNotFoundRange;
    auto scanner = std::make_shared<const CodeScanner>(m_clientLines, selection.location);
    m_scanner = scanner;
    if (scanner->isComment() || scanner->afterNumber() || scanner->inWord() || scanner->inFrontOfWord()
        || (scanner->atLineStart() && !explicitRequest))
        return kNotFoundRange;

    CompileSnapshot snapshot;
    if (m_transpiler)
        snapshot = CompileSnapshot::of(*m_transpiler);
    CodeContextProvider contextProvider(snapshot, scanner);
    m_context = contextProvider.context();
    if (!m_context)
        return kNotFoundRange;
    if (scanner->entry())
        m_context->setEntry(scanner->entry()->text);
    const CompletionPlace place = completionPlaceAt(*scanner, m_context->contextType());
    if (place == CompletionPlace::Nowhere)
        return kNotFoundRange;

    QList<Completion> gathered;
    QSet<QString> seen;
    for (CompletionSource* source : m_completionSources) {
        if (!source || !m_importedLayers || !sourceOffersAt(source->kind(), place))
            continue;
        for (const Completion& completion : source->getCompletions(*m_context, *scanner, *m_importedLayers)) {
            if (seen.contains(completion.word))
                continue;
            seen.insert(completion.word);
            gathered.append(completion);
        }
    }
    // A typed word that is a whole candidate already may be all the user wants.
    if (scanner->entry()) {
        const QString& typed = scanner->entry()->text;
        if (std::any_of(gathered.cbegin(), gathered.cend(), [&](const Completion& c) { return c.text == typed; }))
            m_context->setFullEntryMatch(true);
    }
    m_completions = gathered;

    if (gathered.isEmpty())
        return kNotFoundRange;
    if (scanner->entry())
        return scanner->entry()->range;
    if (m_context->allowZeroLengthEntry() || explicitRequest)
        return TextRange{scanner->cursor(), 0};
    return kNotFoundRange;
}

CompletionsProvider::Fitting CompletionsProvider::completionsForPartialWordRange(TextRange range, qsizetype*)
{
    Fitting fitting{m_context, {}};
    if (!m_completions)
        return fitting;
    const QString code = m_clientLines ? m_clientLines->code() : QString();
    const qsizetype start = std::clamp<qsizetype>(range.isNotFound() ? code.size() : range.location, 0, code.size());
    const qsizetype end = std::clamp<qsizetype>(start + std::max<qsizetype>(range.length, 0), start, code.size());
    const QString typed = code.mid(start, end - start);
    if (m_context)
        m_context->setEntry(typed);

    const qsizetype typedLength = graphemeCount(typed);
    for (const Completion& gathered : *m_completions) {
        if (typed.isEmpty()) {
            fitting.completions.append(gathered);
            continue;
        }
        Completion candidate = gathered;
        if (graphemeCount(candidate.text) > typedLength && m_completionSelector.matchEntry(typed, candidate))
            fitting.completions.append(std::move(candidate));
    }
    sortCompletions(fitting.completions);
    return fitting;
}

void CompletionsProvider::sortCompletions(QList<Completion>& completions) const
{
    ::sortCompletions(completions, m_context ? m_context->expectedType() : nullptr);
}

bool tabAcceptsFirstCompletion(const CodeContext* context)
{
    if (!context)
        return true;
    if (context->fullEntryMatch())
        return false;
    return !context->entry().isEmpty();
}

bool preselectsFirstCompletion(const CodeContext* context, const QList<Completion>& ranked)
{
    if (ranked.isEmpty() || !tabAcceptsFirstCompletion(context))
        return false;
    if (!context)
        return true;
    const Completion& first = ranked.first();
    return first.isObjectKey || first.type == AutocompleteType::Constructor;
}
