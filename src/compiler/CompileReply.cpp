#include "compiler/CompileReply.h"

#include "model/AST.h"

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

namespace {

struct Members {
    JsonText::Span error, js, ast, info, sourceMap, v3SourceMap, scope, creations;
};

Members membersOf(const JsonText& text)
{
    Members m;
    text.forEachMember(text.root(), [&](const QString& name, JsonText::Span value) {
        if (name == QLatin1String("error"))
            m.error = value;
        else if (name == QLatin1String("js"))
            m.js = value;
        else if (name == QLatin1String("ast"))
            m.ast = value;
        else if (name == QLatin1String("info"))
            m.info = value;
        else if (name == QLatin1String("sourceMap"))
            m.sourceMap = value;
        else if (name == QLatin1String("v3SourceMap"))
            m.v3SourceMap = value;
        else if (name == QLatin1String("scope"))
            m.scope = value;
        else if (name == QLatin1String("creations"))
            m.creations = value;
        return true;
    });
    return m;
}

using Text = std::shared_ptr<const JsonText>;

// The text indexed, or nothing when it is not a JSON object.
Text objectText(const QByteArray& utf8)
{
    Text text = JsonText::make(utf8);
    return text && text->isObject(text->root()) ? text : nullptr;
}

// The compiler's error, when the reply is one.
bool takeError(const JsonText& text, const Members& m, CompileReply& out)
{
    if (!text.isObject(m.error))
        return false;
    out.failure = text.value(m.error).toObject().toVariantMap();
    return true;
}

// The "info" object and the "scope" (when it is an object) of a reply.
CompileReply::Others othersOf(const JsonText& text, const Members& m)
{
    CompileReply::Others out{text.value(m.info).toObject(), std::nullopt};
    if (text.isObject(m.scope))
        out.scope = text.value(m.scope).toObject();
    return out;
}

// The tree's half: "ast" and "info" objects, "scope" optional. A success without its products
// breaks the script's contract: not a usable reply.
void takeAnalysis(const Text& text, const QByteArray& utf8, CompileReply& out,
                  std::optional<CompileReply::Others> others = std::nullopt)
{
    if (!text) {
        out.failure = CompileReply::invalidReply(QString::fromUtf8(utf8));
        return;
    }
    const Members m = membersOf(*text);
    if (takeError(*text, m, out))
        return;
    if (!text->isObject(m.ast) || !text->isObject(m.info)) {
        out.failure = CompileReply::invalidReply(QString::fromUtf8(utf8));
        return;
    }
    out.ast = JsonText::Ref{text, m.ast};
    out.tree = AST::create(out.ast);
    CompileReply::Others read = others ? std::move(*others) : othersOf(*text, m);
    out.info = std::move(read.info);
    out.scope = std::move(read.scope);
}

// The generated half: "js" and "v3SourceMap" texts, and the "sourceMap" object unless the
// half comes alone (its readers then make it from the version 3 map).
CompileReply takeGenerated(const Text& text, const QByteArray& utf8, CompileReply out, bool withLineMap)
{
    if (!text) {
        out.failure = CompileReply::invalidReply(QString::fromUtf8(utf8));
        return out;
    }
    const Members m = membersOf(*text);
    if (takeError(*text, m, out) || out.failure)
        return out;
    if (!text->isString(m.js) || !text->isString(m.v3SourceMap) || (withLineMap && !text->isObject(m.sourceMap))) {
        out.failure = CompileReply::invalidReply(QString::fromUtf8(utf8));
        return out;
    }
    out.js = text->string(m.js);
    // The line and column map stays text until someone looks a position up: it is a third of
    // the reply, and only a runtime error in the preview needs it.
    if (text->isObject(m.sourceMap))
        out.sourceMapJson = text->bytes(m.sourceMap).toByteArray();
    out.v3SourceMap = text->string(m.v3SourceMap);
    return out;
}

} // namespace

CompileReply CompileReply::read(const QByteArray& utf8)
{
    const Text text = objectText(utf8);
    CompileReply out;
    takeAnalysis(text, utf8, out);
    return takeGenerated(text, utf8, std::move(out), true);
}

CompileReply CompileReply::readAnalysis(const QByteArray& utf8, std::shared_ptr<const JsonText> indexed,
                                        std::optional<Others> others)
{
    CompileReply out;
    if (indexed && indexed->isObject(indexed->root()))
        takeAnalysis(std::move(indexed), utf8, out, std::move(others));
    else
        takeAnalysis(objectText(utf8), utf8, out);
    return out;
}

std::optional<CompileReply::Others> CompileReply::readOthers(const QByteArray& utf8)
{
    const Text text = objectText(utf8);
    if (!text)
        return std::nullopt;
    const Members m = membersOf(*text);
    if (!text->isObject(m.info))
        return std::nullopt;
    return othersOf(*text, m);
}

std::optional<QByteArray> CompileReply::readCreations(const QByteArray& utf8)
{
    const Text text = objectText(utf8);
    if (!text)
        return std::nullopt;
    const Members m = membersOf(*text);
    if (!m.error.isEmpty() || m.creations.isEmpty() || !(text->isArray(m.creations) || text->kind(m.creations) == 'n'))
        return std::nullopt;
    return text->bytes(m.creations).toByteArray();
}

CompileReply CompileReply::withGenerated(QString js, QString v3SourceMap, CompileReply analysis)
{
    if (!analysis.failure) {
        analysis.js = std::move(js);
        analysis.v3SourceMap = std::move(v3SourceMap);
    }
    return analysis;
}

CompileReply CompileReply::readGenerated(const QByteArray& utf8, CompileReply analysis)
{
    return takeGenerated(objectText(utf8), utf8, std::move(analysis), false);
}
