#pragma once

#include "analysis/types/Type.h"
#include "model/AST_OrArray.h"
#include "model/JsonText.h"
#include "platform/StringExtras.h"
#include "platform/Timer.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CodeLines;
struct CompileReply;
class CodeTranspilerDelegate;
class Scope;
namespace platform {
class SerialQueue;
}
class V8Engine;

// Turns the editor's CoffeeScript into JavaScript, a syntax tree, a scope tree and source maps
// every time the text changes. Each editor owns one, with its own engine. A change waits
// kDebounceTime for the next one; one compile runs at a time and the newest text wins. The
// products of the last successful compile stay readable until the next success.
//
// A compile runs on two engines at once when the script allows it: one generates the code and
// its maps while the other builds the syntax tree and its scope from the same text.
//
// Per compile it posts, with itself as object and on the main thread: kTranspilationStart,
// then kTranspilationSuccessNotification or kTranspilationFailureNotification (the failure
// dictionary as user info), then kTranspilerIdleNotification when no newer text waits; each
// followed by the matching delegate call.
//
// The engine runs the resources "coffee-script" and "inferencer" (folder "ZelvorTranspiler"),
// which define Inferencer.cs2js and Inferencer.getGlobals. Main thread only.
class CodeTranspiler : public QObject {
    Q_OBJECT
public:
    static const QString kTranspilationStart;
    static const QString kTranspilationSuccessNotification;
    static const QString kTranspilationFailureNotification;
    static const QString kTranspilerIdleNotification;
    static constexpr double kDebounceTime = 0.025;
    // How long the transpiler must stay idle before its engine gives back the memory of its
    // compiles. Giving it back shrinks the engine's heap to a few megabytes, and the next few
    // compiles grow it again through dozens of collections, at two to three times their usual
    // time: so only once the user has left the code alone for a while, not in a pause between
    // two bursts of typing.
    static constexpr double kReleaseMemoryDelay = 60.0;
    static constexpr double kWholeTreeDelay = 0.25;
    // The compiler needs several hundred times the size of the text in memory, and the syntax
    // tree and types add as much again. Texts longer than kAnalysisSizeLimit characters compile
    // without them (so without completion and layer tracing); texts longer than
    // kCompileSizeLimit do not compile: the failure says so.
    static constexpr qsizetype kAnalysisSizeLimit = 500'000;
    static constexpr qsizetype kCompileSizeLimit = 2'000'000;
    // The failure record of a text too long to compile.
    static QVariantMap tooLargeFailure(qsizetype length);

    explicit CodeTranspiler(QObject* parent = nullptr);
    ~CodeTranspiler() override;

    // The last successful compile's products.
    const std::shared_ptr<CodeLines>& coffeeLines() const { return m_coffeeLines; }
    // Its JavaScript, behind the line that names the compile's identifier.
    const QString& javaScript() const { return m_js; }
    const std::optional<TypeTable>& globals() const { return m_globals; }
    const ASTNodePtr& ast() const { return m_ast; }
    const std::shared_ptr<Scope>& scope() const { return m_scope; }
    const QJsonObject& info() const { return m_info; }
    // Read from its text on the first call after each success.
    const QJsonObject& sourceMap() const;
    const QString& v3SourceMap() const { return m_v3SourceMap; }
    // Seconds from the request of the last successful compile to its products being built.
    double duration() const { return m_duration; }

    bool hasPendingCoffeeScript() const { return m_nextCoffeeLinesToEvaluate != nullptr; }
    std::int64_t lastId() const { return m_lastId; }
    std::int64_t lastSuccessfulId() const { return m_lastSuccessfulId; }
    // The newest started compile has not (yet) succeeded.
    bool isStale() const { return m_lastSuccessfulId < m_lastId; }
    bool isIdle() const { return m_isIdle; }

    CodeTranspilerDelegate* delegate() const;
    // Kept weakly when the delegate is a QObject; otherwise it must outlive the transpiler or
    // be reset before it goes.
    void setDelegate(CodeTranspilerDelegate* delegate);

    void transpileFromString(const QString& code);
    void transpileFromLines(const CodeLines& lines);

    void loadBundledJS(const QString& name);
    QVariantMap loadGlobals();
    // The timer's target: starts a compile of the waiting text unless one is in flight.
    void debouncedTranspile();
    void postNotification(const QString& name, const QVariantMap& info = {});

    // The inferred type at the start of the range, as display text; "?" when unknown.
    QString getTypeStringAt(platform::TextRange range);

    // Where compile times go (the application routes them to its analytics): the event name
    // "app|compile|time" and the duration in milliseconds. Empty by default.
    using CompileTimeTracker = std::function<void(const QString& event, float milliseconds)>;
    static void setCompileTimeTracker(CompileTimeTracker tracker);

    // The reply text as a JSON object, or nothing when it is not UTF-8 JSON of an object.
    static std::optional<QJsonObject> jsonStringToObject(const QString& reply);

private:
    void transpilationCallback(CompileReply reply);
    // The editor's search by type hash visits every node of the tree, and the first search
    // makes them: a tree of its own is read whole on the tree queue, then takes the place of the
    // one the compile delivered (whose nodes are made as they are asked), unless a later compile
    // has delivered another meanwhile. Started once the front has been idle for kWholeTreeDelay,
    // not while the next compile runs: while typing in a big program each tree would be read
    // for nothing, beside the compile, which needs the processor and memory the reading takes.
    void readTreeWhole();
    // Lets go of a tree on the tree queue: taking a large one apart takes as long as reading it.
    void releaseTree(ASTNodePtr tree);
    void handleGlobals(const QString& reply);
    // Queued behind each compile on both engines: the young generation is collected while it
    // holds little but the garbage of the compile that ended (see V8Wrapper::
    // collectYoungGeneration), off the time a user waits for a compile.
    void collectBetweenCompiles();
    QString prefixId(const QString& js) const;
    static void trackCompileTime(double seconds);

    std::unique_ptr<V8Engine> m_v8;
    // A second engine, quiet, that builds the syntax tree and its scope while the first one
    // generates the code, when the script can split a compile (Inferencer.analyzeFirst and
    // Inferencer.takeAnalysisParts).
    std::unique_ptr<V8Engine> m_analysisV8;
    bool m_compilesInTwo = false;
    // Reads trees whole and takes them apart, beside the engines: on the analysis engine's queue
    // the next compile's analysis waited for the last one's tree, half a second on big programs.
    std::unique_ptr<platform::SerialQueue> m_treeQueue;
    // The compile whose tree is wanted whole; a read queued for an older one is skipped, and
    // none is wanted (-1) once the front goes.
    std::shared_ptr<std::atomic<std::int64_t>> m_wantedTree;
    QElapsedTimer m_evaluationStartedAt;
    std::unique_ptr<CodeLines> m_currentlyEvaluatingCoffeeLines;
    std::unique_ptr<CodeLines> m_nextCoffeeLinesToEvaluate;
    platform::Timer m_debounceTimer;
    platform::Timer m_releaseMemoryTimer;
    platform::Timer m_wholeTreeTimer;
    // The tree of the last successful compile until it has been read whole.
    JsonText::Ref m_treeToReadWhole;
    QVariantMap m_cs2jsOptions;
    QVariantMap m_cs2jsOptionsEx;
    std::optional<TypeTable> m_globals;
    std::shared_ptr<CodeLines> m_coffeeLines;
    QString m_js;
    ASTNodePtr m_ast;
    std::shared_ptr<Scope> m_scope;
    QJsonObject m_info;
    QByteArray m_sourceMapJson;
    mutable std::optional<QJsonObject> m_sourceMap;
    QString m_v3SourceMap;
    double m_duration = 0;
    std::int64_t m_lastSuccessfulId = -1;
    std::int64_t m_lastId = -1;
    bool m_isIdle = true;
    CodeTranspilerDelegate* m_delegate = nullptr;
    QPointer<QObject> m_delegateGuard;
    bool m_delegateIsQObject = false;
};
