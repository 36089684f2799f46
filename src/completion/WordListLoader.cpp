#include "completion/WordListLoader.h"

#include "platform/Bundle.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

QList<Completion> loadLanguageCompletions(const QString& path,
                                          const std::function<Completion(const QString&)>& wordToCompletion)
{
    QList<Completion> completions;
    if (path.isEmpty())
        return completions;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return completions;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(file.readAll());
    if (decoder.hasError())
        return completions;

    static const QRegularExpression lineEnds(QStringLiteral("\r\n|[\n\r\\x{0085}\\x{2028}\\x{2029}]"));
    static const QRegularExpression word(QStringLiteral("\\w+"),
                                         QRegularExpression::ExtendedPatternSyntaxOption
                                             | QRegularExpression::UseUnicodePropertiesOption);
    for (const QString& line : text.split(lineEnds)) {
        if (line.trimmed().startsWith(u'#'))
            continue;
        auto matches = word.globalMatch(line);
        while (matches.hasNext())
            completions.append(wordToCompletion(matches.next().captured().trimmed()));
    }
    return completions;
}

QString wordListPath(const QString& name)
{
    return platform::Bundle::main().pathForResource(name, QStringLiteral("txt"),
                                                    QStringLiteral("Syntax Definitions"));
}
