#include "model/CompilerPosition.h"

#include "model/CodeLines.h"

LocationPtr editorLocationOfCompilerPosition(CodeLines& lines, qint64 line, qint64 column)
{
    auto result = Location::from();
    if (line < 0 || column < 0) {
        result->fromPosition(line, column);
        return result;
    }
    const QString code = lines.code();
    const qsizetype length = code.size();
    qsizetype at = !code.isEmpty() && code.at(0) == QChar(0xFEFF) ? 1 : 0;
    for (qint64 l = 0; l < line; ++l) {
        const qsizetype next = code.indexOf(QLatin1Char('\n'), at);
        if (next < 0)
            break; // past the last line: its start
        at = next + 1;
    }
    for (qint64 kept = 0; at < length && code.at(at) != QLatin1Char('\n'); ++at) {
        if (code.at(at) == QLatin1Char('\r'))
            continue;
        if (kept == column)
            break;
        ++kept;
    }
    const LineIndex index = lines.lineIndex(at);
    result->fromPosition(index.line, at - index.character);
    return result;
}
