#pragma once

// The application's two compiler scripts in one engine, with the library's type descriptions
// plus those of tests/fixtures/analysis/golden/extra-globals.json. Made once per test program:
// loading the compiler takes a while.

#include "analysis/types/Type.h"
#include "compiler/V8Wrapper.h"
#include "platform/Bundle.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace testsupport {

class InferenceEngine {
public:
    static InferenceEngine& shared()
    {
        static InferenceEngine engine;
        return engine;
    }

    // The reply of Inferencer.cs2js with the syntax tree and the scope tree.
    QJsonObject cs2js(const QString& code)
    {
        const QJsonArray args{code, QJsonObject{{"sourceMap", true}},
                              QJsonObject{{"returnScope", true}, {"returnAST", true}, {"returnGlobals", false}}};
        return parse(v8.invoke("cs2js", "Inferencer", QJsonDocument(args).toJson(QJsonDocument::Compact)));
    }

    TypeTable globals;

private:
    static QJsonObject parse(const QString& text) { return QJsonDocument::fromJson(text.toUtf8()).object(); }

    InferenceEngine()
        : sink(std::tmpfile())
        , v8(sink ? sink : stdout)
    {
        for (const char* name : {"coffee-script", "inferencer"})
            v8.evaluate(readFile(platform::Bundle::main().pathForResource(
                QString::fromLatin1(name), QStringLiteral("js"), QStringLiteral("ZelvorTranspiler"))));
        v8.evaluate(QStringLiteral("(function(){ var g = Inferencer.getGlobals(), extra = %1;"
                                   " for (var k in extra) g[k] = extra[k]; Inferencer.setGlobals(g); })()")
                        .arg(readFile(fixturePath(QStringLiteral("analysis/golden/extra-globals.json")))));
        globals = Type::fromDictionaryToMembers(parse(v8.invoke("getGlobals", "Inferencer", "[]")));
    }

    std::FILE* sink;
    V8Wrapper v8;
};

} // namespace testsupport
