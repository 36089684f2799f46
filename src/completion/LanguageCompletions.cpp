#include "completion/LanguageCompletions.h"

#include "analysis/context/CodeContext.h"
#include "analysis/types/Literal.h"
#include "completion/WordListLoader.h"

Completion LanguageCompletions::wordToCompletion(const QString& word)
{
    if (word == u"true" || word == u"false")
        return Completion(word, AutocompleteType::Boolean, std::nullopt, Completion::kResolvedTypeScore,
                          std::make_shared<Literal>(QStringLiteral("@Boolean")));
    return Completion(word, AutocompleteType::Language, std::nullopt, Completion::kLanguageScore);
}

const QList<Completion>& LanguageCompletions::completions()
{
    static const QList<Completion> list =
        loadLanguageCompletions(wordListPath(QStringLiteral("autocomplete")), wordToCompletion);
    return list;
}

QList<Completion> LanguageCompletions::getCompletions(CodeContext& context, const CodeScanner&,
                                                      const ImportedLayers&)
{
    if (context.contextType() == CodeContextType::BlockComment
        || context.contextType() == CodeContextType::LeadingDot)
        return {};
    return completions();
}
