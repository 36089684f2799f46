#include "preview/RuntimeErrorArguments.h"

#include <QRegularExpression>
#include <QStringList>

namespace preview {

QVariantMap runtimeErrorArguments(const QVariantMap& evaluationError)
{
    QString message = evaluationError.value(QStringLiteral("message")).toString();
    const QString name = evaluationError.value(QStringLiteral("name")).toString();
    // The page's own reports read "TypeError: ..."; say the same for errors found here.
    if (!name.isEmpty() && name != QLatin1String("Error") && !message.startsWith(name))
        message = name + QStringLiteral(": ") + message;

    static const QRegularExpression frame(QStringLiteral("(?:\\(|@|at )([^()\\s]*?):(\\d+):(\\d+)\\)?\\s*$"));
    static const QRegularExpression program(QStringLiteral("(^|/)app\\.js$"));
    const QStringList lines = evaluationError.value(QStringLiteral("stack")).toString().split(QLatin1Char('\n'));
    QVariantMap arguments{{QStringLiteral("message"), message}};
    std::optional<QRegularExpressionMatch> first;
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = frame.match(line);
        if (!match.hasMatch())
            continue;
        if (!first)
            first = match;
        if (program.match(match.captured(1)).hasMatch()) {
            arguments.insert(QStringLiteral("lineNumber"), match.captured(2).toLongLong());
            arguments.insert(QStringLiteral("colNumber"), match.captured(3).toLongLong());
            arguments.insert(QStringLiteral("type"), QStringLiteral("coffeescript"));
            return arguments;
        }
    }
    if (first) {
        arguments.insert(QStringLiteral("lineNumber"), first->captured(2).toLongLong());
        arguments.insert(QStringLiteral("colNumber"), first->captured(3).toLongLong());
    } else {
        arguments.insert(QStringLiteral("lineNumber"), evaluationError.value(QStringLiteral("line"), 0));
        arguments.insert(QStringLiteral("colNumber"), evaluationError.value(QStringLiteral("column"), 0));
    }
    arguments.insert(QStringLiteral("type"), QStringLiteral("javascript"));
    return arguments;
}

} // namespace preview
