#pragma once

#include "compiler/ArrayBufferAllocator.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include <cstdio>

#include <v8.h>

class JsonText;

// One V8 isolate with one context, offering two synchronous operations that speak JSON text:
// run a script, and call a method of a global object (whose answer may also be plain texts). Every failure ends in the empty
// result "" plus one diagnostic line; nothing is thrown out of the engine.
//
// The context has "print", "console.log" and "console.warn", which write "<<v8>> " and each
// argument to standard output. Not thread-safe on its own: one thread at a time per wrapper
// (V8Engine runs every call on its own serial queue); each entry point takes the isolate's lock.
class V8Wrapper {
public:
    // Starts the process-wide engine on first use, makes the isolate and context and prints
    // the first sign of life. `out`/`err` are where the engine's lines go (tests pass files);
    // a null stream drops them.
    // `maxHeapBytes`: see kMaxHeapBytes.
    explicit V8Wrapper(std::FILE* out = stdout, std::FILE* err = stderr, size_t maxHeapBytes = kMaxHeapBytes);
    ~V8Wrapper();
    V8Wrapper(const V8Wrapper&) = delete;
    V8Wrapper& operator=(const V8Wrapper&) = delete;

    // Compiles and runs the script; answers the JSON text of its completion value ("undefined"
    // for values without a JSON form), or "" when it fails to compile or throws.
    QString evaluate(const QString& script);
    // Calls global[object][method] with the elements of the JSON array `arguments`, the global
    // object as receiver; answers the JSON text of the return value, or "".
    QString invoke(const QString& method, const QString& object, const QString& arguments);
    // The same, answering the text as UTF-8: a large reply is then read without converting it.
    QByteArray invokeUtf8(const QString& method, const QString& object, const QString& arguments);
    // The same for a method that answers texts: an array of strings comes as the strings
    // themselves, which spares large texts being escaped to JSON and read back. Any other
    // answer comes as nothing, its JSON text (or "") put in `json`.
    std::optional<QStringList> invokeForTexts(const QString& method, const QString& object, const QString& arguments,
                                              QByteArray& json);
    // The same for a method that answers a compile's analysis: the JSON text (UTF-8) of the
    // reply, written here from the parts when it answers them (see treeReplyText), and then
    // also put in `indexed` with its index; else made by JSON.stringify of what it answers.
    // `othersRead`, when given, gets the reply's members other than "ast" as their own JSON
    // object before the tree is written from the parts, so that they can be read meanwhile.
    QByteArray invokeForAnalysis(const QString& method, const QString& object, const QString& arguments,
                                 std::shared_ptr<const JsonText>& indexed,
                                 const std::function<void(const QByteArray&)>& othersRead = {});

    // Gives back what the engine holds beyond its live objects: a collection that also shrinks
    // the young generation, then the freed C heap of every thread to the system. Takes some tens
    // of milliseconds; meant for idle times.
    void releaseMemory();
    // Collects the young generation alone: right after a compile nearly all of it is garbage, so
    // this takes a millisecond or two, and the next compile then starts with an empty young
    // generation instead of running into a collection that copies its own live tree.
    void collectYoungGeneration();

    // Disposes the engine and shuts the platform down for the whole process (see
    // V8Runtime::teardown); every wrapper must be gone first.
    static void teardown();

    bool hasContext() const { return !m_context.IsEmpty(); }
    bool isReady() const { return m_isolate != nullptr; }

    // Stops the script that runs (or the next one to run) with an exception that no script can
    // catch. The one call that any thread may make, while the wrapper lives.
    void terminateExecution();

    // The most the engine's heap may hold. A script that needs more (a runaway compile) is
    // stopped, and a call answers {"error": {"message": kOutOfMemoryMessage, ...}} instead of
    // the process taking the machine's memory or being ended by the engine. The compile of the
    // largest program that is compiled needs well under half of it.
    static constexpr size_t kMaxHeapBytes = size_t(1536) * 1024 * 1024;
    static const QString kOutOfMemoryMessage;

    void dispose();

private:
    void setup();
    void createContext();
    // JSON.stringify(value) through the context's JSON object; empty when it throws.
    v8::MaybeLocal<v8::String> toJson(v8::Local<v8::Context> context, v8::Local<v8::Value> value);
    QString resultText(v8::Local<v8::Context> context, v8::Local<v8::Value> value);
    // The call behind invoke and invokeUtf8: `take` gets the JSON text of the return value, if
    // it has one.
    void invokeForJson(const QString& method, const QString& object, const QString& arguments,
                       const std::function<void(v8::Local<v8::String>)>& take);
    // The call behind them all: `take` gets the return value, if there is one.
    void invokeWith(const QString& method, const QString& object, const QString& arguments,
                    const std::function<void(v8::Local<v8::Context>, v8::Local<v8::Value>)>& take);
    void writeLine(const QString& line);

    static void print(const v8::FunctionCallbackInfo<v8::Value>& info);
    // Called by the engine as its heap nears the limit: stops the script that runs.
    static size_t nearHeapLimit(void* data, size_t currentLimit, size_t initialLimit);

    ArrayBufferAllocator m_arrayBufferAllocator;
    std::atomic<bool> m_heapLimitReached{false};
    size_t m_maxHeapBytes;
    size_t m_initialHeapLimit = 0;
    v8::Isolate* m_isolate = nullptr;
    v8::Global<v8::Context> m_context;
    std::FILE* m_out;
    std::FILE* m_err;
};
