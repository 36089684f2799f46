#include "preview/RBServerController.h"

#include "platform/Bundle.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NetService.h"
#include "platform/NotificationCenter.h"
#include "platform/Task.h"
#include "platform/UserDefaults.h"
#include "platform/CSTaskManager.h"

#include <algorithm>

#include <QCoreApplication>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QDir>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSysInfo>
#include <QTimer>
#include <QUrl>

namespace {
const QString kDomain = QStringLiteral("RBServerController");
constexpr int kRequestTimeoutMs = 15000;

QByteArray randomHex(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->generate(raw.begin(), raw.end());
    return raw.toHex();
}
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

const QString& RBServerController::IdentifierSaltKey()
{
    static const QString key = QStringLiteral("previewServerIdentifierSalt");
    return key;
}

const QByteArray& RBServerController::SecretHeader()
{
    static const QByteArray name = QByteArrayLiteral("X-Zelvor-Secret");
    return name;
}

QString RBServerController::identifierSalt()
{
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    QString salt = defaults.stringForKey(IdentifierSaltKey());
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{32,}$"));
    if (!hex.match(salt).hasMatch()) {
        salt = QString::fromLatin1(randomHex(32));
        defaults.setString(IdentifierSaltKey(), salt);
        defaults.synchronize();
    }
    return salt;
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
    // Asked for anew: a server that was given up gets its full chances again, and serves every
    // folder it was given up with, so that each of their documents hears the new address.
    if (m_failed)
        requeueMounts();
    m_failed = false;
    m_failure.clear();
    m_restarts = 0;
    launch();
}

void RBServerController::launch()
{
    m_timedOutRunner = nullptr;
    m_serverTaskManager = std::make_unique<CSTaskManager>();
    platform::Task& task = m_serverTaskManager->task();
    platform::Bundle& bundle = platform::Bundle::main();
    task.setLaunchPath(platform::Task::pythonPath());
    task.setArguments({bundle.pathForResource(QStringLiteral("run"), QStringLiteral("py"), QStringLiteral("python"))});
    m_secret = randomHex(32);
    task.setEnvironment({
        {QStringLiteral("ZELVOR_SERVER_SECRET"), QString::fromLatin1(m_secret)},
        {QStringLiteral("ZELVOR_SERVER_SALT"), identifierSalt()},
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
    const quint64 launch = ++m_launches;
    QTimer::singleShot(m_startTimeoutMs, this, [this, runner, launch] {
        if (launch == m_launches && runner == m_serverTaskManager.get() && !m_running && !m_stopped
            && runner->task().isRunning())
            startTimedOut(runner);
    });
    m_serverTaskManager->run();
}

void RBServerController::startTimedOut(CSTaskManager* runner)
{
    // It neither said it is ready nor ended: waiting longer would keep the previews turning for
    // ever. Its end is reported as the reason it was given up.
    platform::Log::error(kDomain, QStringLiteral("the preview server did not get ready in time; killing it"));
    m_timedOutRunner = runner;
    runner->task().kill();
}

void RBServerController::stop()
{
    m_stopped = true;
    m_running = false;
    // Nothing answers the requests still waiting: their callers hear it now, not never.
    const std::deque<Request> waiting = std::exchange(m_requests, {});
    if (m_requestInFlight)
        m_requestInFlight->abort(); // reports to its handler at once
    for (const Request& request : waiting)
        if (request.handler)
            request.handler(QJsonObject(), QStringLiteral("The preview server was stopped."));
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
    // A folder waits once: its latest handler hears the answer.
    const auto queued = std::find_if(m_pendingMounts.begin(), m_pendingMounts.end(),
                                     [&path](const auto& m) { return m.first == path; });
    if (queued != m_pendingMounts.end())
        queued->second = std::move(handler);
    else
        m_pendingMounts.emplace_back(path, std::move(handler));
    if (m_failed && !m_stopped)
        start();
}

void RBServerController::unmount(const QString& path, CompletionHandler handler)
{
    const auto forget = [&path](auto& list) {
        list.erase(std::remove_if(list.begin(), list.end(), [&path](const auto& m) { return m.first == path; }), list.end());
    };
    forget(m_mounts);
    forget(m_pendingMounts);
    if (!m_running || m_url.isEmpty()) {
        // No server serves anything now, and a new one starts without the folder.
        if (handler)
            platform::dispatchMain([handler] { handler(QJsonObject(), QString()); });
        return;
    }
    runEndpoint(QStringLiteral("unmount"), {{QStringLiteral("path"), path}}, std::move(handler));
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
    QNetworkRequest httpRequest(QUrl(QStringLiteral("%1/_server/api/%2").arg(m_controlUrl, request.endpoint)));
    httpRequest.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    httpRequest.setRawHeader(SecretHeader(), m_secret);
    httpRequest.setTransferTimeout(kRequestTimeoutMs);
    QNetworkReply* reply = m_network->post(httpRequest, QJsonDocument(request.payload).toJson(QJsonDocument::Compact));
    m_requestInFlight = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply, handler = std::move(request.handler)] {
        reply->deleteLater();
        m_requestInFlight = nullptr;
        finishRequest(reply, handler);
        sendNextRequest();
    });
}

void RBServerController::finishRequest(QNetworkReply* reply, const CompletionHandler& handler)
{
    const QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray(); // an aborted reply has none
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    QString error;
    if (reply->error() != QNetworkReply::NoError) {
        const QString serverMessage = document.object().value(QStringLiteral("error")).toString();
        if (!serverMessage.isEmpty())
            error = serverMessage;
        else if (reply->error() == QNetworkReply::OperationCanceledError)
            error = m_stopped ? QStringLiteral("The preview server was stopped.")
                              : QStringLiteral("The preview server did not answer within %1 seconds.").arg(kRequestTimeoutMs / 1000);
        else
            error = QStringLiteral("The preview server did not answer: %1").arg(reply->errorString());
    } else if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        error = QStringLiteral("The preview server's reply is not a JSON object.");
    }
    // A request still on its way when the server was given up failed for that reason.
    if (!error.isEmpty() && m_failed && !m_failure.isEmpty())
        error = m_failure;
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
    if (runner == m_timedOutRunner) {
        tellServerLog(QStringLiteral("The preview server did not get ready within %1 seconds and was stopped.")
                          .arg(m_startTimeoutMs / 1000.0));
        giveUp(QStringLiteral("The preview server did not get ready within %1 seconds.").arg(m_startTimeoutMs / 1000.0));
        return;
    }
    if (wasReady && m_readySince.isValid() && m_readySince.elapsed() > StableMs)
        m_restarts = 0; // it served a good while: this end is not part of a crash loop
    if (!wasReady || m_restarts >= MaxRestarts) {
        // A server that cannot get ready would fail the same way again.
        const QString line = QStringLiteral("The preview server ended (status %1) and is not started again.").arg(status);
        platform::Log::error(kDomain, line);
        tellServerLog(line);
        if (wasReady)
            giveUp(QStringLiteral("The preview server stopped %1 times shortly after starting.").arg(m_restarts + 1));
        else if (status == CSTaskManager::LaunchFailureStatus)
            giveUp(QStringLiteral("The preview server could not be launched."));
        else
            giveUp(QStringLiteral("The preview server stopped before it was ready (exit status %1).").arg(status));
        return;
    }
    ++m_restarts;
    const QString line = QStringLiteral("The preview server ended unexpectedly (status %1); starting it again.").arg(status);
    platform::Log::warning(kDomain, line);
    tellServerLog(line);
    // The new server knows no folder: mount them all again once it is ready, so that every
    // document learns the new address and reloads its preview.
    requeueMounts();
    QPointer<RBServerController> self(this);
    platform::dispatchAfter(RestartDelayMs / 1000.0, [self] {
        if (self && !self->m_stopped && !self->m_running && !self->m_failed)
            self->launch();
    });
}

void RBServerController::requeueMounts()
{
    for (const auto& [path, handler] : m_mounts) {
        const bool queued = std::any_of(m_pendingMounts.begin(), m_pendingMounts.end(),
                                        [&path](const auto& m) { return m.first == path; });
        if (!queued)
            m_pendingMounts.emplace_back(path, handler);
    }
}

void RBServerController::giveUp(const QString& message)
{
    m_failed = true;
    m_failure = message;
    // The folders waiting for this server would wait for ever, and those it served are served
    // no more (their pages may still be shown): every document hears why. They stay known, so
    // that a later start serves them again.
    m_pendingMounts.clear();
    for (const auto& [path, handler] : m_mounts)
        if (handler)
            platform::dispatchMain([handler, message] { handler(QJsonObject(), message); });
}

void RBServerController::serverDidStart(const QJsonObject& message)
{
    m_running = true;
    m_readySince.start();
    m_url = message.value(QStringLiteral("url")).toString();
    while (m_url.endsWith(QLatin1Char('/')))
        m_url.chop(1);
    // Control requests go to the server's own loopback socket when it has one: the pages it
    // serves may hold every connection the address of the pages takes from this computer.
    m_controlUrl = message.value(QStringLiteral("control")).toString();
    while (m_controlUrl.endsWith(QLatin1Char('/')))
        m_controlUrl.chop(1);
    if (m_controlUrl.isEmpty())
        m_controlUrl = m_url;
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
