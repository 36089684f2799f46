#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <future>
#include <memory>
#include <optional>

namespace platform {
class SerialQueue;
}
class JsonText;
class V8Wrapper;

// One V8Wrapper behind a serial queue of its own, so that all engine work runs off the main
// thread, in the order queued. Results come back to callbacks on the main thread, in the
// order their jobs finished. Every open editor's compiler has its own engine.
//
// Destroying the engine stops the script that runs, drops the jobs that have not started and
// disposes the isolate: quitting never waits for a compile, however long. The callbacks of
// jobs that ran still arrive on the main thread, so a callback must not assume its owner lives.
class V8Engine {
public:
    using Callback = std::function<void(const QString& result)>;

    // `out` is where the engine's own lines go (see V8Wrapper); null drops them.
    explicit V8Engine(std::FILE* out = stdout);
    ~V8Engine();
    V8Engine(const V8Engine&) = delete;
    V8Engine& operator=(const V8Engine&) = delete;

    static std::unique_ptr<V8Engine> newInstance();

    // Runs the script in the engine; the callback (optional) gets its JSON result text.
    void evaluateScript(const QString& script, Callback callback = {});
    // Calls global[object][method] with the arguments, which travel as one JSON array.
    void invokeMethod(const QString& object, const QString& method, const QVariantList& arguments,
                      Callback callback = {});

    // The same call, with the reading of the result text (as UTF-8) done on the engine's queue:
    // a large reply is then read without holding up the main thread. `callback` (main thread)
    // gets what `decode` made of the result text.
    template <typename T>
    void invokeMethod(const QString& object, const QString& method, const QVariantList& arguments,
                      std::function<T(const QByteArray& result)> decode, std::function<void(T)> callback)
    {
        const QString json = anyArrayToJSONString(arguments);
        run<T>([object, method, json, decode = std::move(decode)](V8Wrapper* v8) { return decode(invokeOn(v8, method, object, json)); },
               std::move(callback));
    }

    // Runs `work` on the engine's queue, with the wrapper (null when the engine failed to start);
    // `callback` (main thread) gets what it answers.
    template <typename T>
    void run(std::function<T(V8Wrapper*)> work, std::function<void(T)> callback)
    {
        queueWork([work = std::move(work), callback = std::move(callback)](V8Wrapper* v8) {
            auto value = std::make_shared<T>(work(v8));
            return std::function<void()>([callback, value] { callback(std::move(*value)); });
        });
    }

    // The same, with what `work` answers kept in a future instead: for the work of another
    // engine, which waits for it on its own queue.
    template <typename T>
    std::shared_future<T> runForFuture(std::function<T(V8Wrapper*)> work)
    {
        auto promise = std::make_shared<std::promise<T>>();
        std::shared_future<T> future = promise->get_future().share();
        queueWork([work = std::move(work), promise](V8Wrapper* v8) {
            promise->set_value(work(v8));
            return std::function<void()>();
        });
        return future;
    }

    // Calls global[object][method] with the arguments given as JSON text; answers the result
    // as UTF-8 JSON text, or nothing. For work that runs on the queue.
    static QByteArray invokeOn(V8Wrapper* v8, const QString& method, const QString& object, const QString& json);
    // The same for a method that answers a compile's analysis (see V8Wrapper::invokeForAnalysis).
    static QByteArray invokeForAnalysisOn(V8Wrapper* v8, const QString& method, const QString& object, const QString& json,
                                          std::shared_ptr<const JsonText>& indexed,
                                          const std::function<void(const QByteArray&)>& othersRead = {});
    // The same for a method that answers texts (see V8Wrapper::invokeForTexts).
    static std::optional<QStringList> invokeForTextsOn(V8Wrapper* v8, const QString& method, const QString& object,
                                                       const QString& json, QByteArray& otherReply);

    // Queues V8Wrapper::releaseMemory (after the jobs already queued).
    void releaseMemory();
    // Queues V8Wrapper::collectYoungGeneration (after the jobs already queued).
    void collectYoungGeneration();

    // "V8EngineQueue_" followed by the number of engines made before this one.
    QString queueLabel() const;

    // The arguments as compact JSON text, or "[]" when a value has no JSON form (a NaN, an
    // object of another kind).
    static QString anyArrayToJSONString(const QVariantList& array, bool pretty = false);

    static std::int64_t nrOfInstances() { return s_nrOfInstances.load(); }

private:
    void queueJob(std::function<QString(V8Wrapper&)> job, Callback callback);
    // Runs `work` on the queue (with no wrapper when the engine failed to start); what it answers,
    // if anything, then runs on the main thread.
    void queueWork(std::function<std::function<void()>(V8Wrapper*)> work);
    // Queues a call of the wrapper's that answers nothing (the collections of its heap).
    void queueHeapWork(void (V8Wrapper::*work)());

    // Only touched by jobs of the queue. Declared before the queue so that the queue (and its
    // thread) is gone before the wrapper is destroyed.
    std::unique_ptr<V8Wrapper> m_v8;
    // The wrapper once the queue made it, for stopping its script from the main thread.
    std::atomic<V8Wrapper*> m_started{nullptr};
    std::atomic<bool> m_stopping{false};
    std::unique_ptr<platform::SerialQueue> m_queue;

    static std::atomic<std::int64_t> s_nrOfInstances;
};
