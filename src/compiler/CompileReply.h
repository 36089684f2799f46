#pragma once

#include "model/AST_OrArray.h"
#include "model/JsonText.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringView>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <utility>

class Scope;

// A reply of Inferencer.cs2js, read from its JSON text. Reading a large program's reply takes
// long enough to be felt, so it is done on the engine's queue and only the result goes to the
// main thread.
//
// Either `failure` is set (the compiler's own error object, unchanged, or the record of a reply
// that is not a usable object) or the products are: a success must carry "js" and "v3SourceMap"
// as texts and "ast", "info" and "sourceMap" as objects; "scope" is optional.
//
// The text is checked whole and indexed rather than parsed into a document; the syntax tree's
// nodes read their part of the text when they are first asked.
struct CompileReply {
    std::optional<QVariantMap> failure;
    QString js;
    JsonText::Ref ast;
    // The tree of `ast`, its nodes made on first use: it is used on one thread only, the one it
    // is handed to.
    ASTNodePtr tree;
    QJsonObject info;
    // The line and column map stays JSON text (UTF-8) until someone looks a position up: it is a
    // third of the reply, and only a runtime error in the preview needs it. Empty when the reply
    // came in two halves: the map is then made from the version 3 map.
    QByteArray sourceMapJson;
    QString v3SourceMap;
    std::optional<QJsonObject> scope;
    // The scope tree made of `scope`, when the queue that read the reply made it, so that the
    // main thread need not.
    std::shared_ptr<Scope> scopeTree;

    static CompileReply read(const QByteArray& utf8);
    static CompileReply read(const QString& reply) { return read(reply.toUtf8()); }
    // A compile made in two halves by two engines at once (Inferencer.takeAnalysis, then
    // Inferencer.takeGenerated): the tree's half is read on its own engine's queue while the
    // other engine still generates code, then completed with the generated half, which has no
    // line map: its two texts, or, when it failed, its JSON reply. The compiler's error in the
    // generated half wins over anything of the tree's half.
    // `indexed`, when given, is that text with its index, made by its writer.
    // `others`, when given, are its members other than "ast", read from their own text (see
    // readOthers) while the tree was being written; they take the place of those in `indexed`.
    struct Others {
        QJsonObject info;
        std::optional<QJsonObject> scope;
    };
    static CompileReply readAnalysis(const QByteArray& utf8, std::shared_ptr<const JsonText> indexed = nullptr,
                                     std::optional<Others> others = std::nullopt);
    // The "info" and "scope" of a JSON object text of an analysis reply's other members;
    // nothing when it has no "info" object. The scope of a big program takes a tenth of the
    // time its tree takes to be written.
    static std::optional<Others> readOthers(const QByteArray& utf8);
    // The `new` nodes that the code generation needs to trace layers to their code, as JSON
    // text, from the first step of an analysis (Inferencer.analyzeFirst: {"creations": [...] or
    // null}); nothing when the step answered the compiler's error or no such object.
    static std::optional<QByteArray> readCreations(const QByteArray& utf8);
    static CompileReply withGenerated(QString js, QString v3SourceMap, CompileReply analysis);
    static CompileReply readGenerated(const QByteArray& utf8, CompileReply analysis);
    // The record of a reply that is not a usable object: {"lineNumber": "-1", "errorType":
    // "Transpiler", "message": "Returned invalid JSON string: " + reply}.
    static QVariantMap invalidReply(const QString& reply);
};

// The JSON object of the UTF-8 text, or nothing when it is not one.
std::optional<QJsonObject> jsonObjectFromUtf8(const QByteArray& utf8);
