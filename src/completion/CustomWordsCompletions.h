#pragma once

#include "completion/CompletionSource.h"

// Offers the common words of the prototyping library from the word list "words", once a word
// is being typed and outside block comments. The list is read once per process, at the first
// request.
class CustomWordsCompletions : public CompletionSource {
public:
    static const QList<Completion>& completions();
    static Completion wordToCompletion(const QString& word);

    QList<Completion> getCompletions(CodeContext& context, const CodeScanner& scanner,
                                     const ImportedLayers& importedLayers) override;
};
