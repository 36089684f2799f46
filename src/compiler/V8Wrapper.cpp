#include "compiler/V8Wrapper.h"

#include "compiler/TreeReplyText.h"
#include "compiler/V8Runtime.h"
#include "platform/Log.h"

#include <QByteArray>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <future>
#include <mutex>
#include <optional>

namespace {

// The compiler allocates in bursts of short-lived objects (tokens, nodes, code fragments, the
// tree's JSON). The young generation starts at twice the engine's default and may grow to eight
// times it, as far as the compiles need: the compile of a 4,000-line program then runs with far
// fewer collections that copy its survivors, and takes a tenth less time. The extra memory is
// given back when the engine is idle (releaseMemory). A small heap keeps to a quarter of it.
constexpr size_t kMaxYoungGenerationBytes = size_t(384) * 1024 * 1024;
constexpr size_t kInitialYoungGenerationBytes = size_t(96) * 1024 * 1024;
// What a stopped script may still allocate while it unwinds.
constexpr size_t kHeapLimitHeadroomBytes = size_t(64) * 1024 * 1024;

QString toQString(v8::Isolate* isolate, v8::Local<v8::String> string)
{
    const int length = string->Length();
    QString out(length, Qt::Uninitialized);
    if (length > 0)
        string->Write(isolate, reinterpret_cast<uint16_t*>(out.data()), 0, length,
                      v8::String::NO_NULL_TERMINATION);
    return out;
}

// Whether no byte has its high bit set, eight bytes at a time: a reply can be megabytes long.
bool isAscii(const QByteArray& bytes)
{
    const char* at = bytes.constData();
    const char* end = at + bytes.size();
    std::uint64_t high = 0;
    for (; end - at >= 8; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, at, sizeof word);
        high |= word;
    }
    for (; at < end; ++at)
        high |= std::uint8_t(*at);
    return (high & 0x8080808080808080ULL) == 0;
}

QByteArray toUtf8(v8::Isolate* isolate, v8::Local<v8::String> string)
{
    // JSON text is nearly always ASCII held one byte a character: copied as it is, that is
    // already UTF-8, at a fraction of the cost of encoding it character by character.
    if (string->IsOneByte()) {
        QByteArray out(string->Length(), Qt::Uninitialized);
        string->WriteOneByte(isolate, reinterpret_cast<uint8_t*>(out.data()), 0, int(out.size()),
                             v8::String::NO_NULL_TERMINATION);
        return isAscii(out) ? out : QString::fromLatin1(out).toUtf8();
    }
    const int length = string->Utf8Length(isolate);
    QByteArray out(length, Qt::Uninitialized);
    if (length > 0)
        string->WriteUtf8(isolate, out.data(), length, nullptr,
                          v8::String::NO_NULL_TERMINATION | v8::String::REPLACE_INVALID_UTF8);
    return out;
}

v8::Local<v8::String> toV8String(v8::Isolate* isolate, const QString& text)
{
    return v8::String::NewFromTwoByte(isolate, reinterpret_cast<const uint16_t*>(text.utf16()),
                                      v8::NewStringType::kNormal, int(text.size()))
        .ToLocalChecked();
}

// The engine's string form of a value, or the fixed text when it has none (a Symbol throws).
QString describe(v8::Isolate* isolate, v8::Local<v8::Context> context, v8::Local<v8::Value> value)
{
    v8::TryCatch tryCatch(isolate);
    v8::Local<v8::String> string;
    if (value.IsEmpty() || !value->ToString(context).ToLocal(&string))
        return QStringLiteral("<string conversion failed>");
    return toQString(isolate, string);
}

void writeText(std::FILE* stream, const QString& text)
{
    if (!stream)
        return;
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

const QString V8Wrapper::kOutOfMemoryMessage =
    QStringLiteral("The program needs more memory than the compiler may use: it was not compiled");

V8Wrapper::V8Wrapper(std::FILE* out, std::FILE* err, size_t maxHeapBytes)
    : m_maxHeapBytes(std::max(maxHeapBytes, 2 * kInitialYoungGenerationBytes))
    , m_out(out)
    , m_err(err)
{
    setup();
}

V8Wrapper::~V8Wrapper()
{
    dispose();
}

void V8Wrapper::setup()
{
    QString error;
    if (!V8Runtime::initialize(nullptr, &error)) {
        platform::Log::error(QStringLiteral("V8"), QStringLiteral("Engine not started: %1").arg(error));
        return;
    }
    v8::Isolate::CreateParams params;
    params.array_buffer_allocator = &m_arrayBufferAllocator;
    const size_t young = std::min(kMaxYoungGenerationBytes, m_maxHeapBytes / 4);
    params.constraints.set_max_young_generation_size_in_bytes(young);
    params.constraints.set_initial_young_generation_size_in_bytes(std::min(kInitialYoungGenerationBytes, young));
    params.constraints.set_max_old_generation_size_in_bytes(m_maxHeapBytes - young);
    m_isolate = v8::Isolate::New(params);
    m_isolate->AddNearHeapLimitCallback(&V8Wrapper::nearHeapLimit, this);
    createContext();
    evaluate(QStringLiteral("print('V8 up and running.');"));
}

size_t V8Wrapper::nearHeapLimit(void* data, size_t currentLimit, size_t initialLimit)
{
    auto* self = static_cast<V8Wrapper*>(data);
    self->m_initialHeapLimit = initialLimit;
    self->m_heapLimitReached.store(true);
    self->m_isolate->TerminateExecution();
    return currentLimit + kHeapLimitHeadroomBytes;
}

void V8Wrapper::terminateExecution()
{
    if (m_isolate)
        m_isolate->TerminateExecution();
}

void V8Wrapper::createContext()
{
    v8::Locker locker(m_isolate);
    v8::Isolate::Scope isolateScope(m_isolate);
    v8::HandleScope handleScope(m_isolate);

    v8::Local<v8::External> self = v8::External::New(m_isolate, this);
    v8::Local<v8::ObjectTemplate> global = v8::ObjectTemplate::New(m_isolate);
    global->Set(m_isolate, "print", v8::FunctionTemplate::New(m_isolate, &V8Wrapper::print, self));
    v8::Local<v8::Context> context = v8::Context::New(m_isolate, nullptr, global);
    if (context.IsEmpty()) {
        writeText(m_err, QStringLiteral("Error creating context\n"));
        return;
    }
    // The engine installs its own console on every new context, over one set on the global
    // template, so ours goes onto the context's global afterwards.
    v8::Context::Scope contextScope(context);
    v8::Local<v8::Object> console = v8::Object::New(m_isolate);
    for (const char* name : {"log", "warn"}) {
        v8::Local<v8::Function> fn;
        if (v8::Function::New(context, &V8Wrapper::print, self).ToLocal(&fn))
            console->Set(context, v8::String::NewFromUtf8(m_isolate, name).ToLocalChecked(), fn).Check();
    }
    context->Global()->Set(context, v8::String::NewFromUtf8Literal(m_isolate, "console"), console).Check();
    m_context.Reset(m_isolate, context);
}

void V8Wrapper::print(const v8::FunctionCallbackInfo<v8::Value>& info)
{
    if (info.Length() == 0)
        return;
    auto* self = static_cast<V8Wrapper*>(info.Data().As<v8::External>()->Value());
    v8::Isolate* isolate = info.GetIsolate();
    v8::HandleScope handleScope(isolate);
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    QString line;
    for (int i = 0; i < info.Length(); ++i) {
        if (i > 0)
            line += QLatin1Char(' ');
        line += QStringLiteral("<<v8>> ") + describe(isolate, context, info[i]);
    }
    line += QLatin1Char('\n');
    writeText(self->m_out, line);
}

void V8Wrapper::writeLine(const QString& line)
{
    writeText(m_out, line + QLatin1Char('\n'));
}

v8::MaybeLocal<v8::String> V8Wrapper::toJson(v8::Local<v8::Context> context, v8::Local<v8::Value> value)
{
    // JSON.stringify through the context's own JSON object, as a script would call it.
    v8::Local<v8::Value> json;
    v8::Local<v8::Value> stringify;
    if (!context->Global()->Get(context, v8::String::NewFromUtf8Literal(m_isolate, "JSON")).ToLocal(&json)
        || !json->IsObject()
        || !json.As<v8::Object>()->Get(context, v8::String::NewFromUtf8Literal(m_isolate, "stringify")).ToLocal(&stringify)
        || !stringify->IsFunction())
        return v8::JSON::Stringify(context, value);
    v8::Local<v8::Value> args[] = {value};
    v8::Local<v8::Value> result;
    if (!stringify.As<v8::Function>()->Call(context, json, 1, args).ToLocal(&result))
        return {};
    v8::Local<v8::String> text;
    if (!result->ToString(context).ToLocal(&text))
        return {};
    return text;
}

QString V8Wrapper::resultText(v8::Local<v8::Context> context, v8::Local<v8::Value> value)
{
    v8::Local<v8::String> json;
    if (!toJson(context, value).ToLocal(&json))
        return QString(); // JSON.stringify threw (a cyclic object)
    return toQString(m_isolate, json);
}

QString V8Wrapper::invoke(const QString& method, const QString& object, const QString& arguments)
{
    QString out;
    invokeForJson(method, object, arguments, [&](v8::Local<v8::String> json) { out = toQString(m_isolate, json); });
    return out;
}

QByteArray V8Wrapper::invokeUtf8(const QString& method, const QString& object, const QString& arguments)
{
    QByteArray out;
    invokeForJson(method, object, arguments, [&](v8::Local<v8::String> json) { out = toUtf8(m_isolate, json); });
    return out;
}

void V8Wrapper::invokeForJson(const QString& method, const QString& object, const QString& arguments,
                              const std::function<void(v8::Local<v8::String>)>& take)
{
    invokeWith(method, object, arguments, [&](v8::Local<v8::Context> context, v8::Local<v8::Value> result) {
        v8::Local<v8::String> json;
        if (toJson(context, result).ToLocal(&json)) // else JSON.stringify threw (a cyclic object)
            take(json);
    });
}

std::optional<QStringList> V8Wrapper::invokeForTexts(const QString& method, const QString& object,
                                                     const QString& arguments, QByteArray& json)
{
    std::optional<QStringList> texts;
    json.clear();
    invokeWith(method, object, arguments, [&](v8::Local<v8::Context> context, v8::Local<v8::Value> result) {
        if (result->IsArray()) {
            v8::Local<v8::Array> array = result.As<v8::Array>();
            QStringList strings;
            strings.reserve(qsizetype(array->Length()));
            v8::Local<v8::Value> element;
            for (uint32_t i = 0; i < array->Length(); ++i) {
                if (!array->Get(context, i).ToLocal(&element) || !element->IsString())
                    break;
                strings.append(toQString(m_isolate, element.As<v8::String>()));
            }
            if (uint32_t(strings.size()) == array->Length()) {
                texts = std::move(strings);
                return;
            }
        }
        v8::Local<v8::String> text;
        if (toJson(context, result).ToLocal(&text))
            json = toUtf8(m_isolate, text);
    });
    return texts;
}

namespace {

// The contents of a typed array of the engine, read in place.
template <typename Array, typename Item>
std::span<const Item> itemsOf(v8::Local<Array> array)
{
    const std::shared_ptr<v8::BackingStore> store = array->Buffer()->GetBackingStore();
    if (!store->Data())
        return {};
    return {reinterpret_cast<const Item*>(static_cast<const char*>(store->Data()) + array->ByteOffset()), array->Length()};
}

// The pieces of a tree's values, handed from the engine's thread to the thread writing the
// tree's text.
class ValuesPieces {
public:
    void put(std::optional<TreeReplyParts::ValuesPiece> piece)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_pieces.push_back(std::move(piece));
        }
        m_ready.notify_one();
    }
    // The next piece, waiting for it; nothing once the last was taken.
    std::optional<TreeReplyParts::ValuesPiece> take()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_pieces.empty(); });
        std::optional<TreeReplyParts::ValuesPiece> piece = std::move(m_pieces.front());
        if (piece) // the end stays for any later call
            m_pieces.pop_front();
        return piece;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::optional<TreeReplyParts::ValuesPiece>> m_pieces;
};

// How many nodes' values the engine writes at a time while the tree's text is written from the
// earlier ones: a big program has a hundred thousand nodes and more, and a piece costs a call.
constexpr size_t kNodesPerValuesPiece = 4096;
// Up to how many nodes the values are written in one piece and the text after them, on the
// engine's thread: for a tree of a thousand lines (ten thousand nodes) handing pieces to another
// thread costs more than it saves.
constexpr size_t kNodesWrittenAtOnce = 4 * kNodesPerValuesPiece;

// The values of nodes `from` up to `to` from `valuesOf`, as JSON; nothing when it fails.
std::optional<QByteArray> valuesJson(v8::Isolate* isolate, v8::Local<v8::Context> context, v8::Local<v8::Function> valuesOf,
                                     size_t from, size_t to)
{
    v8::Local<v8::Value> range[2] = {v8::Number::New(isolate, double(from)), v8::Number::New(isolate, double(to))};
    v8::Local<v8::Value> json;
    if (!valuesOf->Call(context, context->Global(), 2, range).ToLocal(&json) || !json->IsString())
        return std::nullopt;
    return toUtf8(isolate, json.As<v8::String>());
}

// The tree's text written from the parts, its values coming from `valuesOf(from, to)` (a JSON
// list of the values of those nodes, setting their `has`): for a big tree in pieces, each
// written out on another thread while the engine makes the next.
std::shared_ptr<const JsonText> treeReplyTextFromValues(v8::Isolate* isolate, v8::Local<v8::Context> context,
                                                        v8::Local<v8::Function> valuesOf, TreeReplyParts parts)
{
    const size_t nodes = parts.has.size();
    if (nodes <= kNodesWrittenAtOnce) {
        const std::optional<QByteArray> values = valuesJson(isolate, context, valuesOf, 0, nodes);
        if (!values)
            return nullptr;
        parts.values = *values;
        return treeReplyText(parts);
    }
    ValuesPieces pieces;
    parts.nextValues = [&pieces] { return pieces.take(); };
    std::future<std::shared_ptr<const JsonText>> writing =
        std::async(std::launch::async, [&parts] { return treeReplyText(parts); });
    for (size_t from = 0; from < nodes;) {
        if (writing.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            break; // the parts did not fit together
        const size_t to = std::min(nodes, from + kNodesPerValuesPiece);
        std::optional<QByteArray> values = valuesJson(isolate, context, valuesOf, from, to);
        if (!values)
            break;
        pieces.put(TreeReplyParts::ValuesPiece{std::move(*values), to});
        from = to;
    }
    pieces.put(std::nullopt);
    return writing.get();
}

} // namespace

QByteArray V8Wrapper::invokeForAnalysis(const QString& method, const QString& object, const QString& arguments,
                                        std::shared_ptr<const JsonText>& indexed,
                                        const std::function<void(const QByteArray&)>& othersRead)
{
    QByteArray out;
    indexed.reset();
    invokeWith(method, object, arguments, [&](v8::Local<v8::Context> context, v8::Local<v8::Value> result) {
        // [others, shapes, a function answering the values in pieces, records, has, a function
        // answering the reply whole]
        if (result->IsArray() && result.As<v8::Array>()->Length() == 6) {
            v8::Local<v8::Array> array = result.As<v8::Array>();
            v8::Local<v8::Value> item[6];
            for (uint32_t i = 0; i < 6; ++i)
                if (!array->Get(context, i).ToLocal(&item[i]))
                    return;
            if (item[0]->IsString() && item[1]->IsString() && item[2]->IsFunction() && item[3]->IsInt32Array()
                && item[4]->IsUint8Array()) {
                const QByteArray others = toUtf8(m_isolate, item[0].As<v8::String>());
                const QByteArray shapes = toUtf8(m_isolate, item[1].As<v8::String>());
                if (othersRead)
                    othersRead(others);
                TreeReplyParts parts{others, shapes, {},
                                     itemsOf<v8::Int32Array, int32_t>(item[3].As<v8::Int32Array>()),
                                     itemsOf<v8::Uint8Array, uint8_t>(item[4].As<v8::Uint8Array>()), {}};
                if ((indexed = treeReplyTextFromValues(m_isolate, context, item[2].As<v8::Function>(), std::move(parts)))) {
                    out = indexed->text();
                    return;
                }
            }
            // The parts do not fit together: the reply is written whole, as the script makes it.
            result = item[5];
            if (result->IsFunction() && !result.As<v8::Function>()->Call(context, context->Global(), 0, nullptr).ToLocal(&result))
                return;
        }
        v8::Local<v8::String> json;
        if (toJson(context, result).ToLocal(&json)) // else JSON.stringify threw (a cyclic object)
            out = toUtf8(m_isolate, json);
    });
    return out;
}

QString V8Wrapper::evaluate(const QString& script)
{
    if (!m_isolate || m_context.IsEmpty())
        return QString();
    v8::Locker locker(m_isolate);
    v8::Isolate::Scope isolateScope(m_isolate);
    v8::HandleScope handleScope(m_isolate);
    v8::Local<v8::Context> context = m_context.Get(m_isolate);
    v8::Context::Scope contextScope(context);
    v8::TryCatch tryCatch(m_isolate);

    v8::Local<v8::Script> compiled;
    if (!v8::Script::Compile(context, toV8String(m_isolate, script)).ToLocal(&compiled)) {
        platform::Log::error(QStringLiteral("V8"),
                             QStringLiteral("Failed to compile: %1").arg(describe(m_isolate, context, tryCatch.Exception())));
        return QString();
    }
    v8::Local<v8::Value> value;
    if (!compiled->Run(context).ToLocal(&value)) {
        writeLine(QStringLiteral("Evaluate result: none."));
        return QString();
    }
    return resultText(context, value);
}

void V8Wrapper::invokeWith(const QString& method, const QString& object, const QString& arguments,
                           const std::function<void(v8::Local<v8::Context>, v8::Local<v8::Value>)>& take)
{
    if (!m_isolate || m_context.IsEmpty())
        return;
    v8::Locker locker(m_isolate);
    v8::Isolate::Scope isolateScope(m_isolate);
    v8::HandleScope handleScope(m_isolate);
    v8::Local<v8::Context> context = m_context.Get(m_isolate);
    v8::Context::Scope contextScope(context);
    v8::TryCatch tryCatch(m_isolate);

    v8::Local<v8::Object> global = context->Global();
    v8::Local<v8::String> objectName = toV8String(m_isolate, object);
    v8::Local<v8::Value> target;
    if (!global->Has(context, objectName).FromMaybe(false)
        || !global->Get(context, objectName).ToLocal(&target)) {
        writeText(m_out, QStringLiteral("Object %1 not found\n").arg(object));
        return;
    }
    // A global that is not an object has no methods to call.
    v8::Local<v8::String> methodName = toV8String(m_isolate, method);
    v8::Local<v8::Value> function;
    if (!target->IsObject() || !target.As<v8::Object>()->Has(context, methodName).FromMaybe(false)
        || !target.As<v8::Object>()->Get(context, methodName).ToLocal(&function)) {
        writeText(m_out, QStringLiteral("Method %1 not found\n").arg(method));
        return;
    }
    v8::Local<v8::Value> parsed;
    if (!v8::JSON::Parse(context, toV8String(m_isolate, arguments)).ToLocal(&parsed) || !parsed->IsArray()) {
        tryCatch.Reset();
        writeText(m_out, QStringLiteral("Bad arguments (%1). Expecting a string containing a JSON Array").arg(arguments));
        return;
    }
    v8::Local<v8::Array> array = parsed.As<v8::Array>();
    std::vector<v8::Local<v8::Value>> args;
    args.reserve(array->Length());
    for (uint32_t i = 0; i < array->Length(); ++i)
        args.push_back(array->Get(context, i).ToLocalChecked());

    v8::Local<v8::Value> result;
    // Calling something that is not a function throws, like any other failed call.
    if (!function->IsFunction()
        || !function.As<v8::Function>()->Call(context, global, int(args.size()), args.data()).ToLocal(&result)) {
        if (!m_heapLimitReached.exchange(false)) {
            writeLine(QStringLiteral("Invoke result: none."));
            return;
        }
        // The script was stopped at the heap's limit: the limit is set back (the stopped script
        // got some room to unwind), its garbage goes, and the call answers why it failed.
        m_isolate->CancelTerminateExecution();
        m_isolate->RemoveNearHeapLimitCallback(&V8Wrapper::nearHeapLimit, m_initialHeapLimit);
        m_isolate->AddNearHeapLimitCallback(&V8Wrapper::nearHeapLimit, this);
        tryCatch.Reset();
        m_isolate->LowMemoryNotification();
        writeText(m_err, kOutOfMemoryMessage + QLatin1Char('\n'));
        const QString reply = QStringLiteral("{\"error\": {\"message\": %1, \"errorType\": \"Transpiler\","
                                             " \"location\": {\"first_line\": 0, \"first_column\": 0}}}")
                                  .arg(QStringLiteral("\"%1\"").arg(kOutOfMemoryMessage));
        if (!v8::JSON::Parse(context, toV8String(m_isolate, reply)).ToLocal(&result))
            return;
    }
    take(context, result);
}

void V8Wrapper::collectYoungGeneration()
{
    if (!m_isolate)
        return;
    v8::Locker locker(m_isolate);
    v8::Isolate::Scope isolateScope(m_isolate);
    m_isolate->RequestGarbageCollectionForTesting(v8::Isolate::kMinorGarbageCollection);
}

void V8Wrapper::releaseMemory()
{
    if (!m_isolate)
        return;
    {
        v8::Locker locker(m_isolate);
        v8::Isolate::Scope isolateScope(m_isolate);
        m_isolate->LowMemoryNotification();
    }
    malloc_trim(0);
}

void V8Wrapper::teardown()
{
    V8Runtime::teardown();
}

void V8Wrapper::dispose()
{
    if (!m_isolate)
        return;
    {
        v8::Locker locker(m_isolate);
        m_context.Reset();
    }
    m_isolate->Dispose();
    m_isolate = nullptr;
}
