#pragma once

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QElapsedTimer>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class CSTaskManager;
class QNetworkAccessManager;
class QNetworkReply;

namespace platform {
class NetService;
}

// The local preview server: starts the server program once per application run, learns its base
// URL from the ready message, mounts project folders on it, asks it to run JavaScript in the
// pages it serves, and announces it on the local network.
//
// All calls come from the main thread. Control requests go to the server one at a time, in the
// order they were made.
class RBServerController : public QObject {
    Q_OBJECT
public:
    // (reply object, error): on success the error is empty; on failure the reply is empty and the
    // error says why.
    using CompletionHandler = std::function<void(const QJsonObject& reply, const QString& error)>;

    static RBServerController& sharedInstance();
    static const QString& DidStartNotification(); // "RBServerDidStartNotification"
    static const QString& ServiceType();          // "_zelvorstudio._tcp."
    // How long stop() lets the server end by itself before it is killed.
    static constexpr int StopGraceMs = 2000;
    // A server that ends by itself after it was ready is started again after RestartDelayMs;
    // after MaxRestarts such ends, each within StableMs of its ready message, it is given up.
    static constexpr int RestartDelayMs = 500;
    static constexpr int MaxRestarts = 5;
    static constexpr int StableMs = 10000;

    explicit RBServerController(QObject* parent = nullptr);
    ~RBServerController() override;

    // Launches the server unless it runs already (ready or still starting).
    void start();
    // Ends the server, ready or still starting: terminate, and kill after StopGraceMs. Blocks
    // until the server has gone. A stopped server is not started again by itself.
    void stop();

    // While running, posts "mount" at once; before that the mount waits for the ready message.
    // The folder stays mounted: when the server has to be started again (it ended without being
    // asked), every folder is mounted anew and its latest handler hears the new address.
    void mount(const QString& path, CompletionHandler handler);
    // Posts "eval" ({"script": script}); before the server is ready the handler (if any) gets an
    // error.
    void eval(const QString& script, CompletionHandler handler = {});
    // POST <url>/_server/api/<endpoint> with the payload as JSON body.
    void runEndpoint(const QString& endpoint, const QJsonObject& payload, CompletionHandler handler);

    // Everything the server has printed in this application run, messages included: the runs
    // before a restart, what the controller said about the restart, then the current run.
    QString output() const;

    bool isRunning() const { return m_running; }
    QString url() const { return m_url; }
    CSTaskManager* serverTaskManager() const { return m_serverTaskManager.get(); }
    platform::NetService* netService() const { return m_netService.get(); }

Q_SIGNALS:
    // A control request is sent; requests reach the server one after another in this order.
    void endpointRequested(const QString& endpoint, const QJsonObject& payload);

private:
    struct Request {
        QString endpoint;
        QJsonObject payload;
        CompletionHandler handler;
    };

    void serverDidStart(const QJsonObject& message);
    void serverDidEnd(CSTaskManager* runner, int status);
    void tellServerLog(const QString& line);
    void publishService();
    void sendNextRequest();
    void finishRequest(QNetworkReply* reply, const CompletionHandler& handler);

    std::unique_ptr<CSTaskManager> m_serverTaskManager;
    bool m_running = false;
    QString m_url;
    std::vector<std::pair<QString, CompletionHandler>> m_pendingMounts;
    // Every folder mounted so far, with the handler of its latest mount, in first-mount order.
    std::vector<std::pair<QString, CompletionHandler>> m_mounts;
    bool m_stopped = false;
    QString m_earlierOutput;
    int m_restarts = 0;
    QElapsedTimer m_readySince;
    QNetworkAccessManager* m_network = nullptr;
    std::deque<Request> m_requests;
    bool m_requestInFlight = false;
    std::unique_ptr<platform::NetService> m_netService;
    bool m_reportedAnnounceFailure = false;
};
