#include "compiler/CompileReply.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace {

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\n' || c == u'\r' || c == u'\t';
}

qsizetype skipSpace(QStringView s, qsizetype i)
{
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return i;
}

// One past the closing quote of the string whose opening quote is at i; -1 when unterminated.
qsizetype skipString(QStringView s, qsizetype i)
{
    for (++i; i < s.size(); ++i) {
        if (s[i] == u'\\')
            ++i;
        else if (s[i] == u'"')
            return i + 1;
    }
    return -1;
}

// One past the value that starts at i; -1 when it does not end in the text.
qsizetype skipValue(QStringView s, qsizetype i)
{
    if (i >= s.size())
        return -1;
    if (s[i] == u'"')
        return skipString(s, i);
    if (s[i] == u'{' || s[i] == u'[') {
        int depth = 0;
        while (i < s.size()) {
            const QChar c = s[i];
            if (c == u'"') {
                i = skipString(s, i);
                if (i < 0)
                    return -1;
                continue;
            }
            if (c == u'{' || c == u'[') {
                ++depth;
            } else if (c == u'}' || c == u']') {
                if (--depth == 0)
                    return i + 1;
            }
            ++i;
        }
        return -1;
    }
    const qsizetype start = i;
    while (i < s.size() && !isSpace(s[i]) && s[i] != u',' && s[i] != u'}' && s[i] != u']')
        ++i;
    return i > start ? i : -1;
}

} // namespace

std::optional<std::pair<qsizetype, qsizetype>> findTopLevelMember(QStringView json, QStringView key)
{
    qsizetype i = skipSpace(json, 0);
    if (i >= json.size() || json[i] != u'{')
        return std::nullopt;
    i = skipSpace(json, i + 1);
    if (i < json.size() && json[i] == u'}')
        return std::nullopt;
    while (i < json.size()) {
        if (json[i] != u'"')
            return std::nullopt;
        const qsizetype keyEnd = skipString(json, i);
        if (keyEnd < 0)
            return std::nullopt;
        const QStringView name = json.mid(i + 1, keyEnd - i - 2);
        i = skipSpace(json, keyEnd);
        if (i >= json.size() || json[i] != u':')
            return std::nullopt;
        i = skipSpace(json, i + 1);
        const qsizetype valueEnd = skipValue(json, i);
        if (valueEnd < 0)
            return std::nullopt;
        if (name == key)
            return std::make_pair(i, valueEnd);
        i = skipSpace(json, valueEnd);
        if (i >= json.size() || json[i] != u',')
            return std::nullopt;
        i = skipSpace(json, i + 1);
    }
    return std::nullopt;
}

std::optional<QJsonObject> jsonObjectFromUtf8(const QByteArray& utf8)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QVariantMap CompileReply::invalidReply(const QString& reply)
{
    return {{QStringLiteral("lineNumber"), QStringLiteral("-1")},
            {QStringLiteral("errorType"), QStringLiteral("Transpiler")},
            {QStringLiteral("message"), QStringLiteral("Returned invalid JSON string: ") + reply}};
}

CompileReply CompileReply::read(const QString& reply)
{
    CompileReply out;
    // The map is cut out of the text before the rest is read and kept aside as text; an empty
    // object holds its place so that the reply keeps its shape.
    QByteArray rest;
    const auto map = findTopLevelMember(reply, u"sourceMap");
    if (map && reply.at(map->first) == u'{') {
        const QStringView text(reply);
        out.sourceMapJson = text.mid(map->first, map->second - map->first).toUtf8();
        QString kept;
        kept.reserve(reply.size() - (map->second - map->first) + 2);
        kept.append(text.left(map->first)).append(QLatin1String("{}")).append(text.mid(map->second));
        rest = kept.toUtf8();
    } else {
        rest = reply.toUtf8();
    }

    const std::optional<QJsonObject> object = jsonObjectFromUtf8(rest);
    if (!object) {
        out.failure = invalidReply(reply);
        return out;
    }
    const QJsonValue error = object->value(QLatin1String("error"));
    if (error.isObject()) {
        out.failure = error.toObject().toVariantMap();
        return out;
    }
    const QJsonValue js = object->value(QLatin1String("js"));
    const QJsonValue ast = object->value(QLatin1String("ast"));
    const QJsonValue info = object->value(QLatin1String("info"));
    const QJsonValue v3SourceMap = object->value(QLatin1String("v3SourceMap"));
    if (!js.isString() || !ast.isObject() || !info.isObject() || !object->value(QLatin1String("sourceMap")).isObject()
        || !v3SourceMap.isString()) {
        // A success without its products breaks the script's contract: not a usable reply.
        out.failure = invalidReply(reply);
        return out;
    }
    out.js = js.toString();
    out.ast = ast;
    out.info = info.toObject();
    out.v3SourceMap = v3SourceMap.toString();
    const QJsonValue scope = object->value(QLatin1String("scope"));
    if (scope.isObject())
        out.scope = scope.toObject();
    if (out.sourceMapJson.isEmpty()) // the map was not cut out: it was read with the rest
        out.sourceMapJson = QJsonDocument(object->value(QLatin1String("sourceMap")).toObject()).toJson(QJsonDocument::Compact);
    return out;
}
