// Speed and memory of the embedded compiler:
//   engine cold start ms       a new engine with both compiler scripts loaded, first in the process
//   engine warm start ms       the same for a further engine (median)
//   engine resident memory MB  what one such engine adds to the process after a few compiles
//   engine idle memory MB      the same once the engine has given back memory, as it does when
//                              its transpiler has been idle for a while
//   transpiler resident memory MB
//                              what one editor's compiler front adds after a few compiles: its
//                              engines (two when a compile runs in two halves) and its products
//   compile embedded/node ms   a 1,000-line program through the compiler front, warm, median of 20:
//                              arguments to JSON, cs2js in the engine, the reply parsed, the tree
//                              root and the scope tree built (CodeTranspiler::duration); against
//                              Node running the same package
// The last line is the ratio.
//   compile embedded compiler only ms
//                              CoffeeScript.compile alone in the embedded engine, the same call
//                              Node makes: the floor of the embedded compile, which shows how much
//                              of the ratio is the engine itself and how much the front's own work
//   compile embedded one engine ms
//                              the whole cs2js round trip in one engine, reply read as the front
//                              reads it: what a compile costs when it is not split over two engines
//   compile after a 3 s pause ms
//                              the next compile after the editor was left alone for 3 s
//   compile work ratio embedded/node
//                              the processor time of the process (every thread: both engines,
//                              the deferred read of the whole tree, the front, the collectors)
//                              from each compile's request to its quiet end, against the
//                              processor time Node spends on its one compile (median of 20 each)
//   inference overhead         what scope and type inference add to the time a user waits for a
//                              compile on the application's path (the front, compiling in two
//                              halves), against code generation alone in one engine, its reply
//                              read as the front reads it (medians), in percent
//   inference overhead in one engine
//                              the same with inference and generation in one engine (median of
//                              15 each, taking turns)
//   compile big program ms     the slower of two generated programs, 4,000 layer definitions and
//                              4,000 plain object assignments, through the compiler front (median
//                              of 5 each: single runs of such compiles spread widely), each timed
//                              compile straight after an untimed one
//   compile big program ratio embedded/node
//                              the larger of the two against the unpatched package in Node, which
//                              compiles such programs in quadratic time (median of 3 each, taking
//                              turns with the front, each after an untimed one of its own); each
//                              program's own lines come before these
//   quit while compiling ms    destroying a compiler front (as quitting does) one second into the
//                              compile of a program just below the size limit
#include "compiler/CodeTranspiler.h"
#include "compiler/CompileReply.h"
#include "compiler/V8Wrapper.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString script(const QString& name)
{
    return readText(platform::Bundle::main().pathForResource(name, QStringLiteral("js"), QStringLiteral("ZelvorTranspiler")));
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A program of `count` statements made by `statement` from the statement's number.
QString generatedProgram(int count, const std::function<QString(int)>& statement)
{
    QString text;
    for (int n = 0; n < count; ++n)
        text += statement(n) + QLatin1Char('\n');
    return text;
}

// The next line the peer writes, without its line break; empty when none comes in `timeoutMs`.
QByteArray peerLine(QProcess& peer, int timeoutMs)
{
    while (!peer.canReadLine())
        if (!peer.waitForReadyRead(timeoutMs))
            return {};
    return peer.readLine().trimmed();
}

// Compiles `text` through the front and waits for its reply, sleeping as the application's
// event loop does (a busy wait would take the processor from the engine's thread), at most
// `timeoutMs`: whether it compiled.
bool compileThrough(CodeTranspiler& transpiler, const QString& text, int timeoutMs)
{
    const std::int64_t before = transpiler.lastSuccessfulId();
    transpiler.transpileFromString(text);
    QDeadlineTimer deadline(timeoutMs);
    while (!(transpiler.isIdle() && transpiler.lastSuccessfulId() > before) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return transpiler.lastSuccessfulId() > before;
}

double residentMB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Processor time of the whole process so far, every thread, in milliseconds.
double processCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Lets the event loop run until the process has used no processor time for a while (the
// deferred work of a compile has ended), at most `limitMs`.
void settle(int limitMs = 3000)
{
    QDeadlineTimer deadline(limitMs);
    double last = processCpuMs();
    while (!deadline.hasExpired()) {
        // A blocking wait: a loop of processEvents would spin and count its own time.
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
        const double now = processCpuMs();
        if (now - last < 1.0)
            return;
        last = now;
    }
}

std::unique_ptr<V8Wrapper> startEngine(std::FILE* sink, const QString& compiler, const QString& inferencer)
{
    auto v8 = std::make_unique<V8Wrapper>(sink);
    v8->evaluate(compiler);
    v8->evaluate(inferencer);
    v8->invoke(QStringLiteral("getGlobals"), QStringLiteral("Inferencer"), QStringLiteral("[]"));
    return v8;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString compiler = script(QStringLiteral("coffee-script"));
    const QString inferencer = script(QStringLiteral("inferencer"));
    const QString program = readText(QStringLiteral(ZELVOR_SOURCE_DIR "/tests/fixtures/compiler/app1000.coffee"));
    if (compiler.isEmpty() || inferencer.isEmpty() || program.isEmpty()) {
        std::fprintf(stderr, "compiler scripts or the program are missing; build first\n");
        return 1;
    }
    std::FILE* sink = std::fopen("/dev/null", "w");

    QElapsedTimer timer;
    timer.start();
    auto engine = startEngine(sink, compiler, inferencer);
    std::printf("engine cold start ms: %.1f\n", timer.nsecsElapsed() / 1e6);

    std::vector<double> starts;
    for (int i = 0; i < 5; ++i) {
        timer.restart();
        auto other = startEngine(sink, compiler, inferencer);
        starts.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("engine warm start ms: %.1f\n", median(starts));

    const QByteArray arguments = QJsonDocument(QJsonArray{
        program, QJsonObject{{QStringLiteral("sourceMap"), true}},
        QJsonObject{{QStringLiteral("returnScope"), true}, {QStringLiteral("returnAST"), true},
                    {QStringLiteral("returnGlobals"), false}}}).toJson(QJsonDocument::Compact);
    // The round trip the compiler front makes: arguments encoded, compiled, reply decoded.
    auto roundTrip = [&](V8Wrapper& v8) {
        const QString reply = v8.invoke(QStringLiteral("cs2js"), QStringLiteral("Inferencer"), QString::fromUtf8(arguments));
        return QJsonDocument::fromJson(reply.toUtf8()).object();
    };

    const double before = residentMB();
    {
        auto measured = startEngine(sink, compiler, inferencer);
        for (int i = 0; i < 3; ++i)
            roundTrip(*measured);
        std::printf("engine resident memory MB: %.1f\n", residentMB() - before);
        measured->releaseMemory();
        std::printf("engine idle memory MB: %.1f\n", residentMB() - before);
    }

    // The compiler front, as an editor drives it: each compile waits for the previous one.
    const double beforeTranspiler = residentMB();
    CodeTranspiler transpiler;
    auto compileOnce = [&](int n) {
        return compileThrough(transpiler, program + QStringLiteral("\n# run %1\n").arg(n), 60000);
    };
    QProcess node;
    node.start(QStringLiteral("node"), {QStringLiteral(ZELVOR_SOURCE_DIR "/bench/compiler/node_compile.js"),
                                        QStringLiteral(ZELVOR_SOURCE_DIR "/tools/coffee-script/node_modules/coffee-script"),
                                        QStringLiteral(ZELVOR_SOURCE_DIR "/tests/fixtures/compiler/app1000.coffee")});
    auto nodeLine = [&] { return peerLine(node, 60000); };
    // A timed answer of Node: the wall time, then the processor time, of one compile.
    auto nodeTimes = [&](std::vector<double>& wall, std::vector<double>& cpu) {
        const QList<QByteArray> fields = nodeLine().split(' ');
        wall.push_back(fields.value(0).toDouble());
        cpu.push_back(fields.value(1).toDouble());
    };
    if (!node.waitForStarted() || nodeLine() != "ready") {
        std::fprintf(stderr, "node failed: %s\n", node.readAllStandardError().constData());
        return 1;
    }
    for (int i = 0; i < 5; ++i)
        compileOnce(i);
    std::printf("transpiler resident memory MB: %.1f\n", residentMB() - beforeTranspiler);
    // The two sides take turns, so that both see the same load of the machine.
    // The compiler alone, called in the bench's own engine with the program already inside it.
    engine->evaluate(QStringLiteral("var benchProgram = %1[0]; var BenchCompiler = {compile: function () { CoffeeScript.compile(benchProgram, {sourceMap: true}); return 1; }};")
                         .arg(QString::fromUtf8(QJsonDocument(QJsonArray{program}).toJson(QJsonDocument::Compact))));
    for (int i = 0; i < 5; ++i)
        engine->invoke(QStringLiteral("compile"), QStringLiteral("BenchCompiler"), QStringLiteral("[]"));
    std::vector<double> embedded, nodeWall, nodeCpu, embeddedCpu, compilerOnly, oneEngine, generateOnly;
    // Code generation alone, its reply read as the front reads it: a compile without inference.
    const QByteArray generateArguments = QJsonDocument(QJsonArray{
        program, QJsonObject{{QStringLiteral("sourceMap"), true}},
        QJsonObject{{QStringLiteral("returnScope"), false}, {QStringLiteral("returnAST"), false},
                    {QStringLiteral("returnGlobals"), false}}}).toJson(QJsonDocument::Compact);
    for (int i = 0; i < 20; ++i) {
        settle();
        const double cpuBefore = processCpuMs();
        if (!compileOnce(100 + i)) {
            std::fprintf(stderr, "the program did not compile\n");
            return 1;
        }
        // Until the deferred read of the whole tree on the analysis engine has ended too.
        settle();
        embeddedCpu.push_back(processCpuMs() - cpuBefore);
        embedded.push_back(transpiler.duration() * 1000.0);
        timer.restart();
        CompileReply::read(engine->invokeUtf8(QStringLiteral("cs2js"), QStringLiteral("Inferencer"), QString::fromUtf8(generateArguments)));
        generateOnly.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        engine->invoke(QStringLiteral("compile"), QStringLiteral("BenchCompiler"), QStringLiteral("[]"));
        compilerOnly.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        CompileReply::read(engine->invokeUtf8(QStringLiteral("cs2js"), QStringLiteral("Inferencer"), QString::fromUtf8(arguments)));
        oneEngine.push_back(timer.nsecsElapsed() / 1e6);
        node.write("go\n");
        nodeTimes(nodeWall, nodeCpu);
    }
    node.closeWriteChannel();
    node.waitForFinished(10000);
    const double embeddedMs = median(embedded);
    const double nodeMs = median(nodeWall);
    std::printf("compile embedded ms: %.1f\n", embeddedMs);
    std::printf("compile node ms: %.1f\n", nodeMs);
    std::printf("compile embedded compiler only ms: %.1f\n", median(compilerOnly));
    std::printf("compile embedded one engine ms: %.1f\n", median(oneEngine));
    std::printf("compile embedded generation only ms: %.1f\n", median(generateOnly));
    std::printf("compile embedded processor ms: %.1f\n", median(embeddedCpu));
    std::printf("compile node processor ms: %.1f\n", median(nodeCpu));
    std::printf("compile work ratio embedded/node: %.2f\n", median(nodeCpu) > 0 ? median(embeddedCpu) / median(nodeCpu) : 0.0);
    std::printf("inference overhead: %.0f%%\n",
                median(generateOnly) > 0 ? (embeddedMs - median(generateOnly)) / median(generateOnly) * 100.0 : 0.0);

    // A pause in typing, as between two thoughts: the next compile should find the engine as warm.
    {
        QDeadlineTimer pause(3000);
        while (!pause.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (compileOnce(200))
            std::printf("compile after a 3 s pause ms: %.1f\n", transpiler.duration() * 1000.0);
    }

    // Inference on and off in the same engine, each reply decoded as the front decodes it.
    auto compileWithScope = [&](bool inferred) {
        const QByteArray args = QJsonDocument(QJsonArray{
            program, QJsonObject{{QStringLiteral("sourceMap"), true}},
            QJsonObject{{QStringLiteral("returnScope"), inferred}, {QStringLiteral("returnAST"), true},
                        {QStringLiteral("returnGlobals"), false}}}).toJson(QJsonDocument::Compact);
        timer.restart();
        const QString reply = engine->invoke(QStringLiteral("cs2js"), QStringLiteral("Inferencer"), QString::fromUtf8(args));
        QJsonDocument::fromJson(reply.toUtf8());
        return timer.nsecsElapsed() / 1e6;
    };
    std::vector<double> withInference, withoutInference;
    for (int i = 0; i < 3; ++i)
        compileWithScope(i % 2 == 0);
    for (int i = 0; i < 15; ++i) {
        withInference.push_back(compileWithScope(true));
        withoutInference.push_back(compileWithScope(false));
    }
    const double bare = median(withoutInference);
    std::printf("inference overhead in one engine: %.0f%%\n", bare > 0 ? (median(withInference) - bare) / bare * 100.0 : 0.0);

    // Big programs: the front against the unpatched compiler in Node, one program at a time.
    {
        const QList<QString> bigPrograms{
            generatedProgram(4000, [](int n) {
                return QStringLiteral("p%1 = new Layer x: %2, y: %3, width: 5, height: 5, backgroundColor: \"#e33\"")
                    .arg(n).arg(n % 300).arg(n % 500);
            }),
            generatedProgram(4000, [](int n) {
                return QStringLiteral("o%1 = {name: \"n%1\", value: %1, nested: {a: 1, b: [1, 2, 3]}}").arg(n);
            })};
        const char* const names[] = {"layer", "object"};
        QTemporaryDir folder;
        double slowest = 0, ratio = 0;
        for (int i = 0; i < bigPrograms.size(); ++i) {
            const QString file = folder.filePath(QStringLiteral("big%1.coffee").arg(i));
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly) || out.write(bigPrograms[i].toUtf8()) < 0)
                return 1;
            out.close();
            // The peer compiles between the front's compiles, so that a spell of load on the
            // machine weighs on both sides alike.
            QProcess peer;
            peer.start(QStringLiteral("node"), {QStringLiteral(ZELVOR_SOURCE_DIR "/bench/compiler/node_compile.js"),
                                                QStringLiteral(ZELVOR_SOURCE_DIR "/tools/coffee-script/node_modules/coffee-script"),
                                                file, QStringLiteral("0")});
            peerLine(peer, 60000); // "ready"
            // A process that has been idle for seconds runs a third slower for the next second or
            // more on a virtual machine (a plain Python loop shows the same), and each side waits
            // while the other compiles: so each side's timed compile comes straight after an untimed
            // one of its own, and neither is measured coming out of idle.
            auto compileBig = [&](const QString& mark) { return compileThrough(transpiler, bigPrograms[i] + mark, 600000); };
            auto peerCompile = [&] {
                peer.write("go\n");
                return peerLine(peer, 600000).split(' ').value(0).toDouble();
            };
            std::vector<double> times, nodeTimes;
            for (int run = 0; run < 5; ++run) {
                if (!compileBig(QStringLiteral("# lead-in %1\n").arg(run)) || !compileBig(QStringLiteral("# run %1\n").arg(run))) {
                    std::fprintf(stderr, "the big program did not compile\n");
                    return 1;
                }
                times.push_back(transpiler.duration() * 1000.0);
                if (run % 2 == 1 || run == 4) { // three turns of the peer: one compile takes seconds
                    peerCompile();
                    const double nodeMs = peerCompile();
                    if (nodeMs > 0)
                        nodeTimes.push_back(nodeMs);
                }
            }
            peer.closeWriteChannel();
            peer.waitForFinished(10000);
            const double nodeBig = median(nodeTimes);
            std::printf("compile big %s program ms: %.1f\n", names[i], median(times));
            std::printf("compile big %s program node ms: %.1f\n", names[i], nodeBig);
            slowest = std::max(slowest, median(times));
            if (nodeBig > 0)
                ratio = std::max(ratio, median(times) / nodeBig);
        }
        std::printf("compile big program ms: %.1f\n", slowest);
        std::printf("compile big program ratio embedded/node: %.3f\n", ratio);
    }

    {
        auto busy = std::make_unique<CodeTranspiler>();
        busy->transpileFromString(generatedProgram(40000, [](int n) {
            return QStringLiteral("p%1 = new Layer x: %1, width: 5, height: 5").arg(n);
        }).left(CodeTranspiler::kCompileSizeLimit));
        QDeadlineTimer started(1000);
        while (!started.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        timer.restart();
        busy.reset();
        std::printf("quit while compiling ms: %.1f\n", timer.nsecsElapsed() / 1e6);
    }
    std::printf("compile ratio embedded/node: %.2f\n", nodeMs > 0 ? embeddedMs / nodeMs : 0.0);
    std::fclose(sink);
    return 0;
}
