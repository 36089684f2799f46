#include "completion/WordsInCodeCompletions.h"

#include "analysis/context/CodeContext.h"
#include "compiler/CodeTranspiler.h"
#include "model/CodeLines.h"

#include <QRegularExpression>

QList<Completion> wordsInCodeCompletions(const QHash<QString, qint64>& words)
{
    static const QRegularExpression wordsToExclude(QStringLiteral("\\d+px"));
    QList<Completion> completions;
    completions.reserve(words.size());
    for (auto it = words.constBegin(); it != words.constEnd(); ++it) {
        const QString& word = it.key();
        if (word.size() < 2 || wordsToExclude.match(word).hasMatch())
            continue;
        completions.append(Completion(word, AutocompleteType::Word, std::nullopt, Completion::kUserCodeScore));
    }
    return completions;
}

QList<Completion> WordsInCodeCompletions::getCompletions(CodeContext& context, const CodeScanner&,
                                                         const ImportedLayers&)
{
    if (context.contextType() == CodeContextType::BlockComment || !m_transpiler)
        return {};
    const auto& lines = m_transpiler->coffeeLines();
    if (!lines)
        return {};
    return wordsInCodeCompletions(lines->words());
}
