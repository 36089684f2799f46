#include "platform/CSTaskManager.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
const QString kDomain = QStringLiteral("CSTaskManager");
}

const QString& CSTaskManager::DidReceiveOutputNotification()
{
    static const QString name = QStringLiteral("CSTaskManagerDidReceiveOutput");
    return name;
}

const QString& CSTaskManager::DidReceiveObjectNotification()
{
    static const QString name = QStringLiteral("CSTaskManagerDidReceiveObject");
    return name;
}

const QString& CSTaskManager::DidReceiveEndNotification()
{
    static const QString name = QStringLiteral("didReceiveEnd");
    return name;
}

CSTaskManager::CSTaskManager(QObject* parent)
    : QObject(parent)
{
}

CSTaskManager::~CSTaskManager() = default;

void CSTaskManager::setDelegate(CSTaskManagerDelegate* delegate)
{
    m_delegate = delegate;
    QObject* object = dynamic_cast<QObject*>(delegate);
    m_delegateGuard = object;
    m_delegateIsObject = object != nullptr;
}

CSTaskManagerDelegate* CSTaskManager::delegate() const
{
    if (m_delegateIsObject && !m_delegateGuard)
        return nullptr;
    return m_delegate;
}

double CSTaskManager::elapsed() const
{
    if (!m_startTime.isValid())
        return 0;
    return double(m_startTime.msecsTo(QDateTime::currentDateTimeUtc()));
}

bool CSTaskManager::run()
{
    if (m_startTime.isValid()) {
        platform::Log::error(kDomain, QStringLiteral("a runner runs its program once"));
        return false;
    }
    m_startTime = QDateTime::currentDateTimeUtc();
    connect(&m_task, &platform::Task::outputAvailable, this, [this] { readStream(false); });
    connect(&m_task, &platform::Task::errorAvailable, this, [this] { readStream(true); });
    m_task.setTerminationHandler([this](platform::Task& task) { receivedDidEnd(task.terminationStatus()); });
    if (m_task.launch())
        return true;
    platform::Log::error(kDomain, QStringLiteral("CSTaskManager: launch exception: %1 (%2)")
                                      .arg(m_task.launchError(), m_task.launchPath()));
    receivedDidEnd(LaunchFailureStatus);
    return false;
}

bool CSTaskManager::waitUntilEnd(int timeoutMs)
{
    if (m_ended)
        return true;
    m_task.waitUntilExit(timeoutMs);
    return m_ended;
}

void CSTaskManager::sendInput(const QString& text)
{
    m_task.writeInput(text.toUtf8());
}

void CSTaskManager::sendJsonInput(const QJsonValue& value)
{
    QJsonDocument document;
    if (value.isObject())
        document = QJsonDocument(value.toObject());
    else if (value.isArray())
        document = QJsonDocument(value.toArray());
    else {
        platform::Log::error(kDomain, QStringLiteral("cannot write a JSON value that is not an object or array"));
        return;
    }
    m_task.writeInput(document.toJson(QJsonDocument::Compact));
}

void CSTaskManager::readStream(bool isError)
{
    const QByteArray bytes = isError ? m_task.readAvailableError() : m_task.readAvailableOutput();
    processLines((isError ? m_errorLines : m_outputLines).append(bytes), isError);
}

void CSTaskManager::processLines(const QStringList& lines, bool isError)
{
    QPointer<CSTaskManager> self(this);
    for (const QString& piece : lines) {
        if (piece.isEmpty())
            continue;
        deliverLine(piece, isError);
        if (!self)
            return;
    }
}

void CSTaskManager::deliverLine(const QString& piece, bool isError)
{
    const QString line = piece + QLatin1Char('\n');
    if (m_debug)
        platform::Log::info(kDomain, QStringLiteral("OUTPUT >>> %1").arg(line));
    m_output += line;

    QPointer<CSTaskManager> self(this);
    if (std::optional<QJsonObject> object = messageFromLine(piece)) {
        m_objects.append(*object);
        if (CSTaskManagerDelegate* target = delegate())
            target->taskManagerDidReceiveObject(this, *object);
        if (self && m_objectBlock)
            m_objectBlock(*object);
        if (self)
            post(DidReceiveObjectNotification(), object->toVariantMap());
        return;
    }
    if (CSTaskManagerDelegate* target = delegate())
        target->taskManagerDidReceiveOutput(this, line, isError);
    if (self && m_outputBlock)
        m_outputBlock(line, isError);
    if (self)
        post(DidReceiveOutputNotification(), {{QStringLiteral("output"), line}});
}

void CSTaskManager::receivedDidEnd(int status)
{
    if (m_ended)
        return;
    if (m_debug)
        platform::Log::info(kDomain, QStringLiteral("CSTaskManager: didEnd after %1").arg(elapsed()));

    // Everything written before the exit is delivered before the end: standard output first,
    // then standard error, each with the text after its last line end.
    QPointer<CSTaskManager> self(this);
    for (bool isError : {false, true}) {
        readStream(isError);
        if (!self)
            return;
        processLines((isError ? m_errorLines : m_outputLines).finish(), isError);
        if (!self)
            return;
    }
    m_ended = true;

    if (CSTaskManagerDelegate* target = delegate())
        target->taskManagerDidEndWithStatus(this, status);
    if (self && m_endBlock)
        m_endBlock(status);
    if (self)
        post(DidReceiveEndNotification(), {{QStringLiteral("terminationStatus"), status}});
}

void CSTaskManager::post(const QString& name, const QVariantMap& userInfo)
{
    if (platform::isMainThread()) {
        platform::NotificationCenter::defaultCenter().post(name, this, userInfo);
        return;
    }
    // The notification centre lives on the main thread.
    QPointer<CSTaskManager> self(this);
    platform::dispatchMain([self, name, userInfo] {
        platform::NotificationCenter::defaultCenter().post(name, self.data(), userInfo);
    });
}
