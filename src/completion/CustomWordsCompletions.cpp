#include "completion/CustomWordsCompletions.h"

#include "analysis/context/CodeContext.h"
#include "completion/WordListLoader.h"

Completion CustomWordsCompletions::wordToCompletion(const QString& word)
{
    return Completion(word, AutocompleteType::Word, std::nullopt, Completion::kCustomWordScore);
}

const QList<Completion>& CustomWordsCompletions::completions()
{
    static const QList<Completion> list =
        loadLanguageCompletions(wordListPath(QStringLiteral("words")), wordToCompletion);
    return list;
}

QList<Completion> CustomWordsCompletions::getCompletions(CodeContext& context, const CodeScanner&,
                                                         const ImportedLayers&)
{
    if (context.entry().isEmpty() || context.contextType() == CodeContextType::BlockComment)
        return {};
    return completions();
}
