#include "compiler/CodeTranspiler.h"

#include "analysis/Scope.h"
#include "analysis/TypeFromAST.h"

#include "compiler/CodeTranspilerDelegate.h"
#include "compiler/CompileReply.h"
#include "compiler/V8Engine.h"
#include "model/AST.h"
#include "model/CodeLines.h"
#include "model/SourceMap.h"
#include "platform/Bundle.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/SerialQueue.h"


#include <QFile>

#include <cstdio>
#include <future>
#include <utility>

const QString CodeTranspiler::kTranspilationStart = QStringLiteral("kNotifyIdCodeTranspilerStart");
const QString CodeTranspiler::kTranspilationSuccessNotification = QStringLiteral("kNotifyIdCodeTranspilerTranspileSuccess");
const QString CodeTranspiler::kTranspilationFailureNotification = QStringLiteral("kNotifyIdCodeTranspilerTranspileFailure");
const QString CodeTranspiler::kTranspilerIdleNotification = QStringLiteral("kNotifyIdCodeTranspilerIdle");

namespace {

CodeTranspiler::CompileTimeTracker& compileTimeTracker()
{
    static CodeTranspiler::CompileTimeTracker tracker;
    return tracker;
}

// The scope tree of a compile, its root carrying the global types.
std::shared_ptr<Scope> makeScope(const std::optional<QJsonObject>& json, const std::optional<TypeTable>& globals)
{
    return Scope::create(json, nullptr, globals);
}

// The reply with its scope tree made, on the queue that read it.
CompileReply withScopeTree(CompileReply reply, const std::optional<TypeTable>& globals)
{
    if (!reply.failure)
        reply.scopeTree = makeScope(reply.scope, globals);
    return reply;
}

const QString kInferencer = QStringLiteral("Inferencer");

// Whether the loaded script can make a compile in two halves (see compileInTwo).
const QString kSplitsCompilesProbe = QStringLiteral(
    "typeof Inferencer === 'object' && Inferencer !== null && ['analyzeFirst', 'takeAnalysisParts', 'generate', 'takeGenerated']"
    ".every(function (name) { return typeof Inferencer[name] === 'function'; })");

// The analysis engine's part of a compile made in two halves: the tree and its scope. The `new`
// nodes that the compiler engine needs for its layer table are handed over (`creations`, "null"
// when there are none) as soon as inference has found them, so that the table is made while the
// tree is still being written out as JSON.
CompileReply analyzeInTwoSteps(V8Wrapper* v8, const QString& arguments, std::promise<QByteArray>& creations)
{
    const QByteArray first = V8Engine::invokeOn(v8, QStringLiteral("analyzeFirst"), kInferencer, arguments);
    const std::optional<QByteArray> found = CompileReply::readCreations(first);
    creations.set_value(found.value_or(QByteArrayLiteral("null")));
    if (!found) // the compiler's error, or an engine that failed
        return CompileReply::readAnalysis(first);
    std::shared_ptr<const JsonText> indexed;
    // The scope is read beside the writing of the tree.
    std::future<std::optional<CompileReply::Others>> others;
    const QByteArray reply = V8Engine::invokeForAnalysisOn(
        v8, QStringLiteral("takeAnalysisParts"), kInferencer, QStringLiteral("[]"), indexed, [&others](const QByteArray& text) {
            others = std::async(std::launch::async, [text] { return CompileReply::readOthers(text); });
        });
    return CompileReply::readAnalysis(reply, std::move(indexed), others.valid() ? others.get() : std::nullopt);
}

// What a future of the other engine gives, or `otherwise` when its work was dropped (the
// engine went first).
template <typename T>
T valueOr(const std::shared_future<T>& future, T otherwise)
{
    try {
        return future.get();
    } catch (const std::future_error&) {
        return otherwise;
    }
}

// The compiler engine's part of a compile made in two halves: it generates the code while the
// analysis engine builds the tree and its scope (`analysis`), makes the layer table once the
// `creations` are known, then joins the two.
CompileReply compileInTwo(V8Wrapper* v8, const QString& generateArguments, const std::shared_future<QByteArray>& creations,
                          const std::shared_future<CompileReply>& analysis)
{
    const QByteArray started = V8Engine::invokeOn(v8, QStringLiteral("generate"), kInferencer, generateArguments);
    if (started != "true") // the compiler's error, or an engine that failed
        return CompileReply::readGenerated(started, CompileReply());
    const QByteArray found = valueOr(creations, QByteArrayLiteral("null"));
    QByteArray failed;
    const std::optional<QStringList> texts = V8Engine::invokeForTextsOn(v8, QStringLiteral("takeGenerated"), kInferencer,
                                                                        QString::fromUtf8("[" + found + "]"), failed);
    CompileReply dropped;
    dropped.failure = CompileReply::invalidReply(QString());
    CompileReply tree = valueOr(analysis, std::move(dropped));
    if (texts && texts->size() == 2)
        return CompileReply::withGenerated(texts->at(0), texts->at(1), std::move(tree));
    return CompileReply::readGenerated(failed, std::move(tree));
}

} // namespace

CodeTranspiler::CodeTranspiler(QObject* parent)
    : QObject(parent)
    , m_v8(V8Engine::newInstance())
    , m_analysisV8(std::make_unique<V8Engine>(nullptr))
    , m_treeQueue(std::make_unique<platform::SerialQueue>(QStringLiteral("CodeTranspilerTreeQueue")))
    , m_wantedTree(std::make_shared<std::atomic<std::int64_t>>(-1))
    , m_cs2jsOptions{{QStringLiteral("sourceMap"), true}}
    , m_cs2jsOptionsEx{{QStringLiteral("returnScope"), true},
                       {QStringLiteral("returnAST"), true},
                       {QStringLiteral("returnGlobals"), false}}
    , m_ast(AST_OrArray::create())
    , m_scope(makeScope(std::nullopt, std::nullopt))
{
    m_evaluationStartedAt.start();
    loadBundledJS(QStringLiteral("coffee-script"));
    loadBundledJS(QStringLiteral("inferencer"));
    loadGlobals();
    QPointer<CodeTranspiler> self(this);
    // Loading the scripts leaves the young generation half full: the first compile, which a
    // new window waits for, starts with it empty.
    collectBetweenCompiles();
    m_v8->evaluateScript(kSplitsCompilesProbe, [self](const QString& result) {
        if (self)
            self->m_compilesInTwo = result == QLatin1String("true");
    });
}

CodeTranspiler::~CodeTranspiler()
{
    m_wantedTree->store(-1);
}

CodeTranspilerDelegate* CodeTranspiler::delegate() const
{
    if (m_delegateIsQObject && !m_delegateGuard)
        return nullptr;
    return m_delegate;
}

void CodeTranspiler::setDelegate(CodeTranspilerDelegate* delegate)
{
    m_delegate = delegate;
    QObject* object = dynamic_cast<QObject*>(delegate);
    m_delegateIsQObject = object != nullptr;
    m_delegateGuard = object;
}

void CodeTranspiler::setCompileTimeTracker(CompileTimeTracker tracker)
{
    compileTimeTracker() = std::move(tracker);
}

void CodeTranspiler::loadBundledJS(const QString& name)
{
    const QString path = platform::Bundle::main().pathForResource(name, QStringLiteral("js"), QStringLiteral("ZelvorTranspiler"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes) // not UTF-8
        return;
    m_analysisV8->evaluateScript(text);
    m_v8->evaluateScript(text, [name](const QString&) {
        const QByteArray line = QStringLiteral("Loaded bundled JavaScript file '%1'\n").arg(name).toUtf8();
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
    });
}

QVariantMap CodeTranspiler::loadGlobals()
{
    QPointer<CodeTranspiler> self(this);
    m_v8->invokeMethod(kInferencer, QStringLiteral("getGlobals"), {}, [self](const QString& reply) {
        if (self)
            self->handleGlobals(reply);
    });
    return {};
}

void CodeTranspiler::handleGlobals(const QString& reply)
{
    const std::optional<QJsonObject> object = jsonStringToObject(reply);
    if (!object) {
        // Without the library's types the editor still compiles; only completion knows less.
        platform::Log::error(QStringLiteral("CodeTranspiler"),
                             QStringLiteral("Failed to load TypeInferencer globals: the inference script answered %1")
                                 .arg(reply.isEmpty() ? QStringLiteral("nothing") : QStringLiteral("no object: ") + reply.left(200)));
        return;
    }
    m_globals = Type::fromDictionaryToMembers(*object);
}

void CodeTranspiler::transpileFromString(const QString& code)
{
    transpileFromLines(CodeLines(code, true));
}

void CodeTranspiler::transpileFromLines(const CodeLines& lines)
{
    // Its state is unguarded: requests and replies both run on the main thread.
    ZELVOR_ASSERT_MAIN_THREAD();
    m_nextCoffeeLinesToEvaluate = std::make_unique<CodeLines>(lines);
    m_isIdle = false;
    m_releaseMemoryTimer.stop();
    // A read that has not begun waits for the next pause.
    m_wholeTreeTimer.stop();
    m_wantedTree->store(-1);
    m_debounceTimer.start(kDebounceTime, [this] { debouncedTranspile(); });
}

void CodeTranspiler::debouncedTranspile()
{
    if (m_currentlyEvaluatingCoffeeLines || !m_nextCoffeeLinesToEvaluate)
        return;
    m_lastId += 1;
    postNotification(kTranspilationStart);
    if (CodeTranspilerDelegate* d = delegate())
        d->transpilationStart(this, m_lastId);

    m_currentlyEvaluatingCoffeeLines = std::move(m_nextCoffeeLinesToEvaluate);
    const QString code = m_currentlyEvaluatingCoffeeLines->code();
    m_evaluationStartedAt.restart();
    QPointer<CodeTranspiler> self(this);
    auto done = [self](CompileReply reply) {
        if (self)
            self->transpilationCallback(std::move(reply));
    };
    if (code.size() > kCompileSizeLimit) {
        // Answered on the next turn of the event loop, as every compile is.
        auto tooLarge = std::make_shared<CompileReply>();
        tooLarge->failure = tooLargeFailure(code.size());
        platform::dispatchMain([self, tooLarge] {
            if (self)
                self->transpilationCallback(std::move(*tooLarge));
        });
        return;
    }
    if (code.size() > kAnalysisSizeLimit) {
        const QVariantMap withoutAnalysis{{QStringLiteral("returnScope"), false},
                                          {QStringLiteral("returnAST"), false},
                                          {QStringLiteral("returnGlobals"), false}};
        m_v8->invokeMethod<CompileReply>(kInferencer, QStringLiteral("cs2js"), {code, m_cs2jsOptions, withoutAnalysis},
                                          [](const QByteArray& reply) { return CompileReply::read(reply); }, std::move(done));
        collectBetweenCompiles();
        return;
    }
    if (m_compilesInTwo) {
        const QString analyzeArguments = V8Engine::anyArrayToJSONString({code, m_cs2jsOptions, m_cs2jsOptionsEx});
        // Dropped unkept when the analysis engine goes first: the compiler engine then reads a
        // broken promise, not a wait without end.
        auto creations = std::make_shared<std::promise<QByteArray>>();
        std::shared_future<QByteArray> creationsFound = creations->get_future().share();
        std::shared_future<CompileReply> analysis = m_analysisV8->runForFuture<CompileReply>(
            [analyzeArguments, globals = m_globals, creations](V8Wrapper* v8) {
                return withScopeTree(analyzeInTwoSteps(v8, analyzeArguments, *creations), globals);
            });
        const QString generateArguments = V8Engine::anyArrayToJSONString({code, m_cs2jsOptions});
        m_v8->run<CompileReply>(
            [generateArguments, creationsFound, analysis](V8Wrapper* v8) {
                return compileInTwo(v8, generateArguments, creationsFound, analysis);
            },
            std::move(done));
        collectBetweenCompiles();
        return;
    }
    m_v8->invokeMethod<CompileReply>(kInferencer, QStringLiteral("cs2js"), {code, m_cs2jsOptions, m_cs2jsOptionsEx},
                                      [globals = m_globals](const QByteArray& reply) { return withScopeTree(CompileReply::read(reply), globals); },
                                      std::move(done));
    collectBetweenCompiles();
}

void CodeTranspiler::collectBetweenCompiles()
{
    m_v8->collectYoungGeneration();
    m_analysisV8->collectYoungGeneration();
}

QVariantMap CodeTranspiler::tooLargeFailure(qsizetype length)
{
    const QString message = QStringLiteral("The program is too large to compile: %1 MB of text, the most is %2 MB")
                                .arg(double(length) / 1e6, 0, 'f', 1)
                                .arg(double(kCompileSizeLimit) / 1e6, 0, 'f', 0);
    return {{QStringLiteral("message"), message},
            {QStringLiteral("errorType"), QStringLiteral("Transpiler")},
            {QStringLiteral("location"), QVariantMap{{QStringLiteral("first_line"), 0}, {QStringLiteral("first_column"), 0}}}};
}

std::optional<QJsonObject> CodeTranspiler::jsonStringToObject(const QString& reply)
{
    return jsonObjectFromUtf8(reply.toUtf8());
}

const QJsonObject& CodeTranspiler::sourceMap() const
{
    if (!m_sourceMap)
        m_sourceMap = m_sourceMapJson.isEmpty() ? SourceMap::fromV3(m_v3SourceMap.toUtf8())
                                                : jsonObjectFromUtf8(m_sourceMapJson).value_or(QJsonObject());
    return *m_sourceMap;
}

QString CodeTranspiler::prefixId(const QString& js) const
{
    return QStringLiteral("window.__zelvorClientCodeId = ") + QString::number(m_lastId) + QLatin1Char(';') + js;
}

void CodeTranspiler::trackCompileTime(double seconds)
{
    if (const CompileTimeTracker& tracker = compileTimeTracker())
        tracker(QStringLiteral("app|compile|time"), float(seconds * 1000.0));
}

void CodeTranspiler::readTreeWhole()
{
    if (m_treeToReadWhole.isNull())
        return;
    const std::int64_t id = m_lastSuccessfulId;
    m_wantedTree->store(id);
    QPointer<CodeTranspiler> self(this);
    m_treeQueue->async([self, tree = m_treeToReadWhole, id, wanted = m_wantedTree] {
        if (wanted->load() != id)
            return;
        auto whole = std::make_shared<ASTNodePtr>(AST::create(tree));
        (*whole)->readWhole();
        platform::dispatchMain(self, [self, id, whole] {
            // Unless a later compile has replaced the tree meanwhile.
            if (id == self->m_lastSuccessfulId) {
                *whole = std::exchange(self->m_ast, std::move(*whole));
                self->m_treeToReadWhole = {};
            }
            self->releaseTree(std::move(*whole));
        });
    });
}

void CodeTranspiler::releaseTree(ASTNodePtr tree)
{
    m_treeQueue->release(std::move(tree));
}

void CodeTranspiler::transpilationCallback(CompileReply reply)
{
    // The tree that goes (the replaced one, or the new one of a failed compile) is taken apart
    // on the tree queue.
    releaseTree(reply.failure ? std::move(reply.tree) : std::exchange(m_ast, std::move(reply.tree)));
    if (!reply.failure) {
        m_lastSuccessfulId = m_lastId;
        m_treeToReadWhole = reply.ast;
        m_js = prefixId(reply.js);
        m_info = std::move(reply.info);
        m_sourceMapJson = std::move(reply.sourceMapJson);
        m_sourceMap.reset();
        m_v3SourceMap = std::move(reply.v3SourceMap);
        m_coffeeLines = std::shared_ptr<CodeLines>(std::move(m_currentlyEvaluatingCoffeeLines));
        // The globals may have come in while this compile ran.
        m_scope = reply.scopeTree && (reply.scopeTree->globals() || !m_globals) ? std::move(reply.scopeTree)
                                                                                : makeScope(reply.scope, m_globals);
        m_duration = m_evaluationStartedAt.nsecsElapsed() / 1e9;
        trackCompileTime(m_duration);
        postNotification(kTranspilationSuccessNotification);
        if (CodeTranspilerDelegate* d = delegate())
            d->transpilationComplete(this);
        m_currentlyEvaluatingCoffeeLines.reset();
    } else {
        m_currentlyEvaluatingCoffeeLines.reset();
        postNotification(kTranspilationFailureNotification, *reply.failure);
        if (CodeTranspilerDelegate* d = delegate())
            d->transpilationFailed(this, *reply.failure);
    }

    if (m_nextCoffeeLinesToEvaluate) {
        std::unique_ptr<CodeLines> next = std::move(m_nextCoffeeLinesToEvaluate);
        transpileFromLines(*next);
    } else {
        m_isIdle = true;
        if (!m_treeToReadWhole.isNull())
            m_wholeTreeTimer.start(kWholeTreeDelay, [this] { readTreeWhole(); });
        QPointer<CodeTranspiler> self(this);
        m_releaseMemoryTimer.start(kReleaseMemoryDelay, [self] {
            if (self) {
                self->m_v8->releaseMemory();
                self->m_analysisV8->releaseMemory();
            }
        });
        postNotification(kTranspilerIdleNotification);
        if (CodeTranspilerDelegate* d = delegate())
            d->transpilerIdle(this);
    }
}

void CodeTranspiler::postNotification(const QString& name, const QVariantMap& info)
{
    platform::NotificationCenter::defaultCenter().post(name, this, info);
}

QString CodeTranspiler::getTypeStringAt(platform::TextRange range)
{
    if (!m_coffeeLines || !m_ast || !m_scope)
        return QStringLiteral("?");
    return typeStringAt(*m_coffeeLines, m_ast, *m_scope, qint64(range.location));
}
