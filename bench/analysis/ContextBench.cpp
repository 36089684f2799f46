// What a completion request costs before any completion is gathered, on the 1,000-line program
// compiled by the real compiler and inference script, at 500 caret positions spread over it:
//   code scanner p95 ms    the scanner alone (caret line, word around the caret, comment test)
//   code context p95 ms    the scanner and the context provider together: classification, the
//                          node before the caret, its type and scope, the expected type
//   code context max ms    the slowest of those requests
//   code context long line ms
//                          one request at the end of a 100,000-character line (a word, then
//                          blanks before the caret), against the same compile
#include "analysis/Scope.h"
#include "analysis/context/CodeContextProvider.h"
#include "compiler/V8Wrapper.h"
#include "model/AST.h"
#include "model/CodeLines.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QJsonObject parse(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(fraction * double(values.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("ZELVOR_RESOURCES"))
        qputenv("ZELVOR_RESOURCES", ZELVOR_SOURCE_DIR "/resources");
    const auto script = [](const char* name) {
        return readText(platform::Bundle::main().pathForResource(QString::fromLatin1(name), QStringLiteral("js"),
                                                                 QStringLiteral("ZelvorTranspiler")));
    };
    const QString program = readText(QStringLiteral(ZELVOR_SOURCE_DIR "/tests/fixtures/compiler/app1000.coffee"));
    const QString compiler = script("coffee-script");
    const QString inferencer = script("inferencer");
    if (program.isEmpty() || compiler.isEmpty() || inferencer.isEmpty()) {
        std::fprintf(stderr, "compiler scripts or the program are missing; build first\n");
        return 1;
    }

    std::FILE* sink = std::fopen("/dev/null", "w");
    V8Wrapper v8(sink ? sink : stdout);
    v8.evaluate(compiler);
    v8.evaluate(inferencer);
    const TypeTable globals = Type::fromDictionaryToMembers(parse(v8.invoke("getGlobals", "Inferencer", "[]")));
    const QJsonArray args{program, QJsonObject{{"sourceMap", true}},
                          QJsonObject{{"returnScope", true}, {"returnAST", true}, {"returnGlobals", false}}};
    const QJsonObject reply = parse(v8.invoke("cs2js", "Inferencer", QJsonDocument(args).toJson(QJsonDocument::Compact)));
    if (reply.contains("error")) {
        std::fprintf(stderr, "the program does not compile\n");
        return 1;
    }
    CompileSnapshot snapshot;
    snapshot.ast = AST::create(reply.value("ast"));
    snapshot.ast->readWhole();
    snapshot.scope = Scope::create(reply.value("scope").toObject(), nullptr, globals);
    snapshot.coffeeLines = std::make_shared<CodeLines>(program);
    // The editor's own index of the same text, built as the editor keeps it.
    const auto editor = std::make_shared<CodeLines>(program);
    editor->lineIndex(0);

    constexpr int kPositions = 500;
    std::vector<double> scanner;
    std::vector<double> context;
    QElapsedTimer timer;
    for (int round = 0; round < 2; ++round) { // the first round warms caches and the one-time tables
        scanner.clear();
        context.clear();
        for (int i = 0; i < kPositions; ++i) {
            const qint64 cursor = qint64(program.size()) * i / kPositions;
            timer.start();
            auto scan = std::make_shared<const CodeScanner>(editor, cursor);
            scanner.push_back(timer.nsecsElapsed() / 1e6);
            timer.start();
            auto scanned = std::make_shared<const CodeScanner>(editor, cursor);
            const auto found = CodeContextProvider(snapshot, scanned).context();
            context.push_back(timer.nsecsElapsed() / 1e6);
            if (!found)
                return 1;
        }
    }
    std::printf("code scanner p95 ms: %.3f\n", percentile(scanner, 0.95));
    std::printf("code context p95 ms: %.3f\n", percentile(context, 0.95));
    std::printf("code context max ms: %.3f\n", percentile(context, 1.0));

    const QString longLine = program + QString(50000, QLatin1Char('w')) + QString(50000, QLatin1Char(' '));
    const auto longLines = std::make_shared<CodeLines>(longLine);
    longLines->lineIndex(0);
    timer.start();
    const auto atEnd = CodeContextProvider(snapshot, std::make_shared<const CodeScanner>(longLines, longLine.size())).context();
    std::printf("code context long line ms: %.1f\n", timer.nsecsElapsed() / 1e6);
    if (!atEnd)
        return 1;
    return 0;
}
