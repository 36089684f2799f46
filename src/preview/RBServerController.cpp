#include "preview/RBServerController.h"

#include "platform/Bundle.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NetService.h"
#include "platform/NotificationCenter.h"
#include "platform/Task.h"
#include "preview/CSTaskManager.h"

#include <algorithm>

#include <QCoreApplication>
#include <QPointer>
#include <QDir>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSysInfo>
#include <QUrl>

namespace {
const QString kDomain = QStringLiteral("RBServerController");
constexpr int kRequestTimeoutMs = 15000;
} // namespace

RBServerController& RBServerController::sharedInstance()
{
    static RBServerController* instance = new RBServerController; // lives until the process ends
    return *instance;
}

const QString& RBServerController::DidStartNotification()
{
    static const QString name = QStringLiteral("RBServerDidStartNotification");
    return name;
}

const QString& RBServerController::ServiceType()
{
    static const QString type = QStringLiteral("_zelvorstudio._tcp.");
    return type;
}

RBServerController::RBServerController(QObject* parent)
    : QObject(parent)
{
}

RBServerController::~RBServerController()
{
    stop();
}

void RBServerController::start()
{
    m_stopped = false;
    if (m_running)
        return;
    if (m_serverTaskManager && m_serverTaskManager->task().isRunning())
        return; // launched, not ready yet

    m_serverTaskManager = std::make_unique<CSTaskManager>();
    platform::Task& task = m_serverTaskManager->task();
    platform::Bundle& bundle = platform::Bundle::main();
    task.setLaunchPath(platform::Task::pythonPath());
    task.setArguments({bundle.pathForResource(QStringLiteral("run"), QStringLiteral("py"), QStringLiteral("python"))});
    task.setEnvironment({
        {QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1")},
        {QStringLiteral("DESKTOPAPP"), QStringLiteral("1")},
        {QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1")},
        {QStringLiteral("BUNDLE_RESOURCE_PATH"), bundle.resourcePath()},
        {QStringLiteral("TEMPDIR"), QDir::tempPath()},
        {QStringLiteral("PARENT_PROCESS"), QString::number(QCoreApplication::applicationPid())},
    });

    QPointer<RBServerController> self(this);
    m_serverTaskManager->setTaskManagerDidReceiveObject([self](const QJsonObject& object) {
        if (self && object.value(QStringLiteral("signal")).toString() == QLatin1String("ready"))
            self->serverDidStart(object);
    });
    CSTaskManager* runner = m_serverTaskManager.get();
    m_serverTaskManager->setTaskManagerDidEnd([self, runner](int status) {
        platform::Log::info(kDomain, QStringLiteral("the preview server ended with status %1").arg(status));
        if (self)
            self->serverDidEnd(runner, status);
    });
    m_serverTaskManager->run();
}

void RBServerController::stop()
{
    m_stopped = true;
    m_running = false;
    if (!m_serverTaskManager)
        return;
    platform::Task& task = m_serverTaskManager->task();
    if (!task.isRunning())
        return;
    task.terminate();
    if (task.waitUntilExit(StopGraceMs))
        return;
    platform::Log::warning(kDomain, QStringLiteral("the preview server did not end when asked; killing it"));
    task.kill();
    task.waitUntilExit(StopGraceMs);
}

void RBServerController::mount(const QString& path, CompletionHandler handler)
{
    const auto known = std::find_if(m_mounts.begin(), m_mounts.end(), [&path](const auto& m) { return m.first == path; });
    if (known != m_mounts.end())
        known->second = handler;
    else
        m_mounts.emplace_back(path, handler);
    if (m_running) {
        runEndpoint(QStringLiteral("mount"), {{QStringLiteral("path"), path}}, std::move(handler));
        return;
    }
    m_pendingMounts.emplace_back(path, std::move(handler));
}

void RBServerController::eval(const QString& script, CompletionHandler handler)
{
    if (!m_running || m_url.isEmpty()) {
        // No base URL to post to; the callers that care hear it, the others lose nothing.
        if (handler)
            platform::dispatchMain([handler] { handler({}, QStringLiteral("The preview server is not running.")); });
        return;
    }
    runEndpoint(QStringLiteral("eval"), {{QStringLiteral("script"), script}}, std::move(handler));
}

void RBServerController::runEndpoint(const QString& endpoint, const QJsonObject& payload, CompletionHandler handler)
{
    Q_EMIT endpointRequested(endpoint, payload);
    m_requests.push_back({endpoint, payload, std::move(handler)});
    sendNextRequest();
}

void RBServerController::sendNextRequest()
{
    if (m_requestInFlight || m_requests.empty())
        return;
    Request request = std::move(m_requests.front());
    m_requests.pop_front();
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
        m_network->setProxy(QNetworkProxy::NoProxy); // the server is on this computer
    }
    QNetworkRequest httpRequest(QUrl(QStringLiteral("%1/_server/api/%2").arg(m_url, request.endpoint)));
    httpRequest.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    httpRequest.setTransferTimeout(kRequestTimeoutMs);
    QNetworkReply* reply = m_network->post(httpRequest, QJsonDocument(request.payload).toJson(QJsonDocument::Compact));
    m_requestInFlight = true;
    connect(reply, &QNetworkReply::finished, this, [this, reply, handler = std::move(request.handler)] {
        reply->deleteLater();
        m_requestInFlight = false;
        finishRequest(reply, handler);
        sendNextRequest();
    });
}

void RBServerController::finishRequest(QNetworkReply* reply, const CompletionHandler& handler)
{
    const QByteArray body = reply->readAll();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    QString error;
    if (reply->error() != QNetworkReply::NoError) {
        const QString serverMessage = document.object().value(QStringLiteral("error")).toString();
        error = serverMessage.isEmpty() ? reply->errorString() : serverMessage;
    } else if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        error = QStringLiteral("The preview server's reply is not a JSON object.");
    }
    if (!handler)
        return;
    if (error.isEmpty())
        handler(document.object(), QString());
    else
        handler(QJsonObject(), error);
}

QString RBServerController::output() const
{
    return m_serverTaskManager ? m_earlierOutput + m_serverTaskManager->output() : m_earlierOutput;
}

void RBServerController::tellServerLog(const QString& line)
{
    m_earlierOutput += line + QLatin1Char('\n');
    // The server log window shows every plain output line of the child programs.
    platform::NotificationCenter::defaultCenter().post(CSTaskManager::DidReceiveOutputNotification(), this,
                                                       {{QStringLiteral("output"), line + QLatin1Char('\n')}});
}

void RBServerController::serverDidEnd(CSTaskManager* runner, int status)
{
    // Only the end of the current server counts, and only when nobody asked it to end.
    if (m_stopped || runner != m_serverTaskManager.get())
        return;
    const bool wasReady = m_running;
    m_running = false;
    // The log window shows the whole story, also after the runner is replaced.
    m_earlierOutput += runner->output();
    if (wasReady && m_readySince.isValid() && m_readySince.elapsed() > StableMs)
        m_restarts = 0; // it served a good while: this end is not part of a crash loop
    if (!wasReady || m_restarts >= MaxRestarts) {
        // A server that cannot get ready would fail the same way again.
        const QString line = QStringLiteral("The preview server ended (status %1) and is not started again.").arg(status);
        platform::Log::error(kDomain, line);
        tellServerLog(line);
        return;
    }
    ++m_restarts;
    const QString line = QStringLiteral("The preview server ended unexpectedly (status %1); starting it again.").arg(status);
    platform::Log::warning(kDomain, line);
    tellServerLog(line);
    // The new server knows no folder: mount them all again once it is ready, so that every
    // document learns the new address and reloads its preview.
    for (const auto& [path, handler] : m_mounts) {
        const bool queued = std::any_of(m_pendingMounts.begin(), m_pendingMounts.end(),
                                        [&path](const auto& m) { return m.first == path; });
        if (!queued)
            m_pendingMounts.emplace_back(path, handler);
    }
    QPointer<RBServerController> self(this);
    platform::dispatchAfter(RestartDelayMs / 1000.0, [self] {
        if (self && !self->m_stopped && !self->m_running)
            self->start();
    });
}

void RBServerController::serverDidStart(const QJsonObject& message)
{
    m_running = true;
    m_readySince.start();
    m_url = message.value(QStringLiteral("url")).toString();
    while (m_url.endsWith(QLatin1Char('/')))
        m_url.chop(1);
    platform::Log::write(kDomain, platform::Log::Debug, QStringLiteral("ready at %1").arg(m_url));

    const auto pending = std::exchange(m_pendingMounts, {});
    for (const auto& [path, handler] : pending)
        mount(path, handler);

    platform::NotificationCenter::defaultCenter().post(DidStartNotification());
    publishService();
}

void RBServerController::publishService()
{
    const int port = QUrl(m_url).port(0);
    m_netService = std::make_unique<platform::NetService>(QString(), ServiceType(), QSysInfo::machineHostName(), port);
    auto reportOnce = [this](const QString& reason) {
        if (m_reportedAnnounceFailure)
            return;
        m_reportedAnnounceFailure = true;
        platform::Log::warning(kDomain, QStringLiteral("the preview server is not announced on the network: %1").arg(reason));
    };
    connect(m_netService.get(), &platform::NetService::didNotPublish, this, reportOnce);
    if (!m_netService->publish())
        reportOnce(m_netService->lastError());
}
