#include "CodeTextView/SyntaxColouring.h"

#include <QRegularExpression>

#include <vector>

namespace syntax {

namespace {

struct Pass {
    QString category;
    QRegularExpression regex;
    int group = 0;
};

QRegularExpression lineRegex(const QString& pattern)
{
    QRegularExpression re(pattern, QRegularExpression::UseUnicodePropertiesOption);
    re.optimize();
    return re;
}

// The passes over single lines, in their order; the comment pass comes after them.
const std::vector<Pass>& linePasses()
{
    static const std::vector<Pass> passes = {
        {"operator", lineRegex(R"([+/*-])")},
        {"comparator", lineRegex(R"(\b(is|isnt|not|and|or)(?=\b))")},
        {"comparator", lineRegex(R"([!=|<>&]{2}|[<>])")},
        {"number", lineRegex(R"(\b(\d+(\.\d+)?(e(\+|\-)?\d+)?(f|d)?|0x[\da-f]+)\b)")},
        {"boolean", lineRegex(R"(\b(true|false)\b)")},
        {"key", lineRegex(R"([0-9a-zA-Z_]+:)")},
        {"keyword",
         lineRegex(R"(\b(null|this|new|delete|typeof|in|instanceof|return|throw|break|continue|debugger|yield|if|else|switch|for|while|do|try|catch|finally|class|extends|super|undefined|then|unless|until|loop|of|by|when)(?=\b)|@)")},
        {"property", lineRegex(R"(\.[a-zA-Z_]{1}[a-zA-Z0-9_]*)")},
        {"comprehension", lineRegex(R"([\.]{2,3})")},
        {"function", lineRegex(R"([-|=]>)")},
        {"constructor", lineRegex(R"(\b(new)\s(\w*))")},
        {"string", lineRegex(R"(["].*?["]|['].*?['])")},
        {"regex", lineRegex(R"(/\^.*?/)")},
        {"format", lineRegex(R"(#[{].*?[}])")},
    };
    return passes;
}

const Pass& formatPass()
{
    return linePasses().back();
}

const QRegularExpression& blockStringRegex()
{
    static const QRegularExpression re(R"((["']{3}.*?["']{3})|(["']{3}.*))",
                                       QRegularExpression::DotMatchesEverythingOption);
    return re;
}

const QRegularExpression& blockCommentRegex()
{
    static const QRegularExpression re(R"(^###.*?###[^\n]*$)",
                                       QRegularExpression::DotMatchesEverythingOption
                                           | QRegularExpression::MultilineOption);
    return re;
}

// Matches of a whole-text pass that reach into [from, to).
QList<TextRange> blockMatches(const QString& text, const QRegularExpression& re, qsizetype from,
                              qsizetype to)
{
    QList<TextRange> found;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        const qsizetype start = m.capturedStart(0);
        const qsizetype end = m.capturedEnd(0);
        if (start >= to && start > from)
            break;
        if (end > from && start < to)
            found.append({start, end - start});
        else if (start == end && start == from)
            found.append({start, 0});
    }
    return found;
}

bool regexMayStartAfter(QStringView line, qsizetype slash)
{
    qsizetype i = slash - 1;
    while (i >= 0 && (line[i] == u' ' || line[i] == u'\t'))
        --i;
    if (i < 0)
        return true;
    const QChar prev = line[i];
    if (QStringView(u"([{,=:;!&|?+-*%<>~^").contains(prev))
        return true;
    if (!prev.isLetter())
        return false;
    qsizetype wordStart = i;
    while (wordStart > 0 && (line[wordStart - 1].isLetterOrNumber() || line[wordStart - 1] == u'_'))
        --wordStart;
    static const QStringList keywords = {"return", "typeof", "in", "of", "and", "or", "not",
                                         "is", "isnt", "if", "unless", "when", "then", "else",
                                         "throw", "while", "until"};
    return keywords.contains(line.mid(wordStart, i - wordStart + 1).toString());
}

// Skips a quoted string starting at `i`; answers the offset after its closing quote, or the
// line's end when it is not closed.
qsizetype skipString(QStringView line, qsizetype i)
{
    const QChar quote = line[i];
    for (qsizetype j = i + 1; j < line.size(); ++j) {
        if (line[j] == u'\\') {
            ++j;
            continue;
        }
        if (line[j] == quote)
            return j + 1;
    }
    return line.size();
}

// Skips a regular-expression literal at `i`; answers -1 when the slash is no literal.
qsizetype skipRegex(QStringView line, qsizetype i)
{
    if (i + 1 >= line.size() || line[i + 1] == u' ' || line[i + 1] == u'=' || line[i + 1] == u'/')
        return -1;
    if (!regexMayStartAfter(line, i))
        return -1;
    bool inClass = false;
    for (qsizetype j = i + 1; j < line.size(); ++j) {
        const QChar c = line[j];
        if (c == u'\\') {
            ++j;
        } else if (c == u'[') {
            inClass = true;
        } else if (c == u']') {
            inClass = false;
        } else if (c == u'/' && !inClass) {
            return j + 1;
        }
    }
    return -1;
}

} // namespace

const QStringList& categories()
{
    static const QStringList names = {"comment", "string", "regex", "format", "number",
                                      "keyword", "boolean", "constructor", "key", "property",
                                      "comprehension", "function", "comparator", "operator"};
    return names;
}

qsizetype lineCommentStart(QStringView line)
{
    qsizetype i = 0;
    while (i < line.size()) {
        const QChar c = line[i];
        if (c == u'#')
            return i;
        if (c == u'"' || c == u'\'') {
            i = skipString(line, i);
            continue;
        }
        if (c == u'/') {
            const qsizetype after = skipRegex(line, i);
            if (after > 0) {
                i = after;
                continue;
            }
        }
        ++i;
    }
    return -1;
}

ColouredRange colourRange(const QString& text, TextRange requested)
{
    const qsizetype n = text.size();
    const qsizetype from = qBound<qsizetype>(0, requested.location, n);
    const qsizetype to = qBound<qsizetype>(from, requested.end(), n);

    // Block strings and block comments are found in the whole text; each one that reaches into
    // the range is coloured as a whole, also where it runs past the range.
    QList<TextRange> blockStrings;
    QList<TextRange> blockComments;
    if (text.contains(QLatin1String("'''")) || text.contains(QLatin1String("\"\"\"")))
        blockStrings = blockMatches(text, blockStringRegex(), from, to);
    if (text.contains(QLatin1String("###")))
        blockComments = blockMatches(text, blockCommentRegex(), from, to);
    qsizetype start = from;
    qsizetype end = to;
    for (const auto& list : {blockStrings, blockComments}) {
        for (const TextRange& r : list) {
            start = qMin(start, r.location);
            end = qMax(end, r.end());
        }
    }

    std::vector<qint8> colour(size_t(end - start), -1);
    auto paint = [&](qsizetype location, qsizetype length, qint8 category) {
        const qsizetype a = qMax(location, start);
        const qsizetype b = qMin(location + length, end);
        for (qsizetype i = a; i < b; ++i)
            colour[size_t(i - start)] = category;
    };
    const QStringList& names = categories();
    const QStringView range = QStringView(text).mid(from, to - from);
    auto runPass = [&](const Pass& pass) {
        const qint8 category = qint8(names.indexOf(pass.category));
        auto it = pass.regex.globalMatch(range);
        while (it.hasNext()) {
            const auto m = it.next();
            if (m.capturedStart(pass.group) >= 0)
                paint(from + m.capturedStart(pass.group), m.capturedLength(pass.group), category);
        }
    };
    for (const Pass& pass : linePasses())
        runPass(pass);

    const qint8 comment = qint8(names.indexOf("comment"));
    qsizetype lineStart = 0;
    while (lineStart < range.size()) {
        qsizetype lineEnd = range.indexOf(u'\n', lineStart);
        if (lineEnd < 0)
            lineEnd = range.size();
        const qsizetype at = lineCommentStart(range.mid(lineStart, lineEnd - lineStart));
        if (at >= 0)
            paint(from + lineStart + at, lineEnd - lineStart - at, comment);
        lineStart = lineEnd + 1;
    }

    if (!blockStrings.isEmpty()) {
        const qint8 string = qint8(names.indexOf("string"));
        for (const TextRange& r : blockStrings)
            paint(r.location, r.length, string);
        runPass(formatPass());
    }
    for (const TextRange& r : blockComments)
        paint(r.location, r.length, comment);

    ColouredRange result;
    result.range = {start, end - start};
    qsizetype i = 0;
    const qsizetype count = end - start;
    while (i < count) {
        const qint8 c = colour[size_t(i)];
        qsizetype j = i + 1;
        while (j < count && colour[size_t(j)] == c)
            ++j;
        if (c >= 0)
            result.spans.append({start + i, j - i, names.at(c)});
        i = j;
    }
    return result;
}

} // namespace syntax
