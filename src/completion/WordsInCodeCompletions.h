#pragma once

#include "completion/CompletionSource.h"

#include <QHash>

class CodeTranspiler;

// Offers the words of the last successfully compiled text (two characters or more, no pixel
// measures such as "12px"), outside block comments. Follows the compiles, not the typing.
class WordsInCodeCompletions : public CompletionSource {
public:
    explicit WordsInCodeCompletions(const CodeTranspiler* transpiler) : m_transpiler(transpiler) {}

    QList<Completion> getCompletions(CodeContext& context, const CodeScanner& scanner,
                                     const ImportedLayers& importedLayers) override;

private:
    const CodeTranspiler* m_transpiler;
};

// The records of the words of a word table, in the table's order, skipping words shorter than
// two characters and words that hold digits followed by "px".
QList<Completion> wordsInCodeCompletions(const QHash<QString, qint64>& words);
