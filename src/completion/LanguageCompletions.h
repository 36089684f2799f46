#pragma once

#include "completion/CompletionSource.h"

// Offers the words of the language from the word list "autocomplete" ("true" and "false" as
// boolean values, every other word as a keyword), except after a dot and in block comments.
// The list is read once per process, at the first request.
class LanguageCompletions : public CompletionSource {
public:
    static const QList<Completion>& completions();
    static Completion wordToCompletion(const QString& word);

    QList<Completion> getCompletions(CodeContext& context, const CodeScanner& scanner,
                                     const ImportedLayers& importedLayers) override;
};
