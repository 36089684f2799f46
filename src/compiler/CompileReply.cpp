#include "compiler/CompileReply.h"

#include <QJsonDocument>
#include <QJsonParseError>

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

CompileReply CompileReply::read(const QByteArray& utf8)
{
    CompileReply out;
    const std::shared_ptr<const JsonText> text = JsonText::make(utf8);
    if (!text || !text->isObject(text->root())) {
        out.failure = invalidReply(QString::fromUtf8(utf8));
        return out;
    }
    JsonText::Span error, js, ast, info, sourceMap, v3SourceMap, scope;
    text->forEachMember(text->root(), [&](const QString& name, JsonText::Span value) {
        if (name == QLatin1String("error"))
            error = value;
        else if (name == QLatin1String("js"))
            js = value;
        else if (name == QLatin1String("ast"))
            ast = value;
        else if (name == QLatin1String("info"))
            info = value;
        else if (name == QLatin1String("sourceMap"))
            sourceMap = value;
        else if (name == QLatin1String("v3SourceMap"))
            v3SourceMap = value;
        else if (name == QLatin1String("scope"))
            scope = value;
        return true;
    });
    if (text->isObject(error)) {
        out.failure = text->value(error).toObject().toVariantMap();
        return out;
    }
    if (!text->isString(js) || !text->isObject(ast) || !text->isObject(info) || !text->isObject(sourceMap)
        || !text->isString(v3SourceMap)) {
        // A success without its products breaks the script's contract: not a usable reply.
        out.failure = invalidReply(QString::fromUtf8(utf8));
        return out;
    }
    out.js = text->string(js);
    out.ast = JsonText::Ref{text, ast};
    out.info = text->value(info).toObject();
    // The line and column map stays text until someone looks a position up: it is a third of
    // the reply, and only a runtime error in the preview needs it.
    out.sourceMapJson = text->bytes(sourceMap).toByteArray();
    out.v3SourceMap = text->string(v3SourceMap);
    if (text->isObject(scope))
        out.scope = text->value(scope).toObject();
    return out;
}
