#pragma once

// Reads tests/fixtures/analysis/code-contexts.txt: programs, caret positions and what the code
// context there must be (the file's head describes the format). Shared by the analysis and the
// completion tests.

#include "analysis/context/CompileSnapshot.h"
#include "model/AST.h"
#include "support/InferenceEngine.h"
#include "support/TestSupport.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <ostream>

namespace testsupport {

struct CodeContextCase {
    QString name;
    // The text of the last successful compile; absent when nothing has compiled yet.
    std::optional<QString> compiled;
    // The editor's text at the request, without the caret mark, and the caret's offset in it.
    QString text;
    qint64 cursor = 0;
    // Expectation key to its value ("context" -> "LeadingDot").
    QMap<QString, QString> expect;
};

// Tests name a case by its name.
inline void PrintTo(const CodeContextCase& c, std::ostream* out)
{
    *out << c.name.toStdString();
}

inline QList<CodeContextCase> readCodeContextCases()
{
    static const QChar kCaret(0x2038);
    QList<CodeContextCase> cases;
    QList<bool> compiledAsText;
    const QStringList lines = readFile(fixturePath(QStringLiteral("analysis/code-contexts.txt"))).split(QLatin1Char('\n'));
    QString section;
    QStringList body;
    const auto closeSection = [&] {
        if (cases.isEmpty() || section.isEmpty())
            return;
        CodeContextCase& c = cases.last();
        const QString text = body.join(QLatin1Char('\n'));
        if (section == QLatin1String("compiled")) {
            c.compiled = text;
        } else if (section == QLatin1String("text")) {
            c.cursor = text.indexOf(kCaret);
            c.text = QString(text).remove(kCaret);
        } else if (section == QLatin1String("expect")) {
            for (const QString& line : body)
                if (!line.trimmed().isEmpty())
                    c.expect.insert(line.section(QLatin1Char(' '), 0, 0), line.section(QLatin1Char(' '), 1));
        }
        body.clear();
    };
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("=== "))) {
            closeSection();
            section.clear();
            cases.append(CodeContextCase{line.mid(4).trimmed(), std::nullopt, QString(), 0, {}});
            compiledAsText.append(false);
        } else if (line.startsWith(QLatin1String("--- "))) {
            closeSection();
            section = line.mid(4).trimmed();
            if (section == QLatin1String("compiled as text")) {
                section.clear();
                if (!cases.isEmpty())
                    compiledAsText.last() = true;
            }
        } else if (!section.isEmpty()) {
            body.append(line);
        }
    }
    closeSection();
    for (qsizetype i = 0; i < cases.size(); ++i)
        if (compiledAsText[i])
            cases[i].compiled = cases[i].text;
    return cases;
}

// What the compiler front holds after compiling `compiled` with the real engine: before any
// successful compile (no text, or a text that does not compile) an empty tree, an empty root
// scope and no compiled text. `error` receives the compile error's message, if any.
inline CompileSnapshot compileSnapshot(const std::optional<QString>& compiled, QString* error = nullptr)
{
    InferenceEngine& engine = InferenceEngine::shared();
    CompileSnapshot snapshot{AST_OrArray::create(), Scope::create(std::nullopt, nullptr, engine.globals), nullptr};
    if (!compiled)
        return snapshot;
    const QJsonObject reply = engine.cs2js(*compiled);
    if (reply.contains(QLatin1String("error"))) {
        if (error)
            *error = reply.value(QLatin1String("error")).toObject().value(QLatin1String("message")).toString();
        return snapshot;
    }
    snapshot.ast = AST::create(reply.value(QLatin1String("ast")));
    snapshot.scope = Scope::create(reply.value(QLatin1String("scope")).toObject(), nullptr, engine.globals);
    snapshot.coffeeLines = std::make_shared<CodeLines>(*compiled);
    return snapshot;
}

} // namespace testsupport
