#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringView>
#include <QVariantMap>

#include <optional>
#include <utility>

// A reply of Inferencer.cs2js, read from its JSON text. Reading a large program's reply takes
// long enough to be felt, so it is done on the engine's queue and only the result goes to the
// main thread.
//
// Either `failure` is set (the compiler's own error object, unchanged, or the record of a reply
// that is not a usable object) or the products are: a success must carry "js" and "v3SourceMap"
// as texts and "ast", "info" and "sourceMap" as objects; "scope" is optional.
struct CompileReply {
    std::optional<QVariantMap> failure;
    QString js;
    QJsonValue ast;
    QJsonObject info;
    // The line and column map stays JSON text (UTF-8) until someone looks a position up: it is a
    // third of the reply, and only a runtime error in the preview needs it.
    QByteArray sourceMapJson;
    QString v3SourceMap;
    std::optional<QJsonObject> scope;

    static CompileReply read(const QString& reply);
    // The record of a reply that is not a usable object: {"lineNumber": "-1", "errorType":
    // "Transpiler", "message": "Returned invalid JSON string: " + reply}.
    static QVariantMap invalidReply(const QString& reply);
};

// The JSON object of the UTF-8 text, or nothing when it is not one.
std::optional<QJsonObject> jsonObjectFromUtf8(const QByteArray& utf8);

// Where the value of the member `key` of the top-level object of the JSON text starts and ends
// (one past its last character); nothing when the text is not an object that has the member
// with its name written without escapes. Reads only the structure, not the values.
std::optional<std::pair<qsizetype, qsizetype>> findTopLevelMember(QStringView json, QStringView key);
