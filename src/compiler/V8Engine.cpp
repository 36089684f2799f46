#include "compiler/V8Engine.h"

#include "compiler/V8Wrapper.h"
#include "platform/Dispatch.h"
#include "platform/SerialQueue.h"
#include "platform/VariantExtras.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QVariantMap>

#include <cmath>

std::atomic<std::int64_t> V8Engine::s_nrOfInstances{0};

V8Engine::V8Engine(std::FILE* out)
{
    const std::int64_t number = s_nrOfInstances.fetch_add(1);
    m_queue = std::make_unique<platform::SerialQueue>(QStringLiteral("V8EngineQueue_%1").arg(number));
    m_queue->async([this, out] {
        m_v8 = std::make_unique<V8Wrapper>(out);
        m_started.store(m_v8.get());
    });
}

V8Engine::~V8Engine()
{
    // The jobs that have not started are dropped and the one that runs ends at once; then the
    // thread stops and the wrapper goes after it.
    m_stopping.store(true);
    if (V8Wrapper* running = m_started.load())
        running->terminateExecution();
    m_queue.reset();
}

std::unique_ptr<V8Engine> V8Engine::newInstance()
{
    return std::make_unique<V8Engine>();
}

QString V8Engine::queueLabel() const
{
    return m_queue->label();
}

void V8Engine::queueJob(std::function<QString(V8Wrapper&)> job, Callback callback)
{
    m_queue->async([this, job = std::move(job), callback = std::move(callback)] {
        if (m_stopping.load())
            return;
        const QString result = m_v8 ? job(*m_v8) : QString();
        if (callback)
            platform::dispatchMain([callback, result] { callback(result); });
    });
}

void V8Engine::queueWork(std::function<std::function<void()>(V8Wrapper*)> work)
{
    m_queue->async([this, work = std::move(work)] {
        // The wrapper is only ever touched here, on the engine's own thread.
        Q_ASSERT(m_queue->isCurrent());
        if (m_stopping.load())
            return;
        if (std::function<void()> then = work(m_v8.get()))
            platform::dispatchMain(std::move(then));
    });
}

QByteArray V8Engine::invokeOn(V8Wrapper* v8, const QString& method, const QString& object, const QString& json)
{
    return v8 ? v8->invokeUtf8(method, object, json) : QByteArray();
}

QByteArray V8Engine::invokeForAnalysisOn(V8Wrapper* v8, const QString& method, const QString& object, const QString& json,
                                         std::shared_ptr<const JsonText>& indexed,
                                         const std::function<void(const QByteArray&)>& othersRead)
{
    indexed.reset();
    return v8 ? v8->invokeForAnalysis(method, object, json, indexed, othersRead) : QByteArray();
}

std::optional<QStringList> V8Engine::invokeForTextsOn(V8Wrapper* v8, const QString& method, const QString& object,
                                                      const QString& json, QByteArray& otherReply)
{
    otherReply.clear();
    return v8 ? v8->invokeForTexts(method, object, json, otherReply) : std::nullopt;
}

void V8Engine::queueHeapWork(void (V8Wrapper::*work)())
{
    queueWork([work](V8Wrapper* v8) {
        if (v8)
            (v8->*work)();
        return std::function<void()>();
    });
}

void V8Engine::collectYoungGeneration()
{
    queueHeapWork(&V8Wrapper::collectYoungGeneration);
}

void V8Engine::releaseMemory()
{
    queueHeapWork(&V8Wrapper::releaseMemory);
}

void V8Engine::evaluateScript(const QString& script, Callback callback)
{
    queueJob([script](V8Wrapper& v8) { return v8.evaluate(script); }, std::move(callback));
}

void V8Engine::invokeMethod(const QString& object, const QString& method, const QVariantList& arguments,
                            Callback callback)
{
    // Encoded here, on the calling thread: the arguments may be shared Qt values.
    const QString json = anyArrayToJSONString(arguments);
    queueJob([object, method, json](V8Wrapper& v8) { return v8.invoke(method, object, json); }, std::move(callback));
}

namespace {

bool isJsonValue(const QVariant& value)
{
    // JSON has no infinities or NaN; every integer is finite.
    if (platform::isNumber(value))
        return std::isfinite(value.toDouble());
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
    case QMetaType::Bool:
    case QMetaType::QString:
        return true;
    case QMetaType::QVariantList:
        for (const QVariant& item : value.toList())
            if (!isJsonValue(item))
                return false;
        return true;
    case QMetaType::QStringList:
        return true;
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            if (!isJsonValue(it.value()))
                return false;
        return true;
    }
    case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            if (!isJsonValue(it.value()))
                return false;
        return true;
    }
    default:
        return false;
    }
}

} // namespace

QString V8Engine::anyArrayToJSONString(const QVariantList& array, bool pretty)
{
    for (const QVariant& item : array)
        if (!isJsonValue(item))
            return QStringLiteral("[]");
    const QByteArray bytes = QJsonDocument(QJsonArray::fromVariantList(array))
                                 .toJson(pretty ? QJsonDocument::Indented : QJsonDocument::Compact);
    return QString::fromUtf8(bytes);
}
