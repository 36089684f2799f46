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
// order they were made, each with the secret of the current launch: the server refuses every
// control request without it, so the pages it serves cannot mount folders or send scripts.
// The identifiers of the served folders are keyed with a salt kept in the user's settings
// (IdentifierSaltKey), so that a mirrored device's address survives a restart.
class RBServerController : public QObject {
    Q_OBJECT
public:
    // (reply object, error): on success the error is empty; on failure the reply is empty and the
    // error says why.
    using CompletionHandler = std::function<void(const QJsonObject& reply, const QString& error)>;

    static RBServerController& sharedInstance();
    static const QString& DidStartNotification(); // "RBServerDidStartNotification"
    static const QString& ServiceType();          // "_zelvorstudio._tcp."
    static const QString& IdentifierSaltKey();    // "previewServerIdentifierSalt"
    static const QByteArray& SecretHeader();      // "X-Zelvor-Secret"
    // How long stop() lets the server end by itself before it is killed.
    static constexpr int StopGraceMs = 2000;
    // A server that ends by itself after it was ready is started again after RestartDelayMs;
    // after MaxRestarts such ends, each within StableMs of its ready message, it is given up.
    static constexpr int RestartDelayMs = 500;
    static constexpr int MaxRestarts = 5;
    static constexpr int StableMs = 10000;
    // A server that has not said it is ready this long after its launch does not answer: it is
    // ended and given up.
    static constexpr int StartTimeoutMs = 20000;

    explicit RBServerController(QObject* parent = nullptr);
    ~RBServerController() override;

    // Launches the server unless it runs already (ready or still starting). A server that was
    // given up is launched anew.
    void start();
    // Ends the server, ready or still starting: terminate, and kill after StopGraceMs. Blocks
    // until the server has gone. A stopped server is not started again by itself.
    void stop();

    // While running, posts "mount" at once; before that the mount waits for the ready message.
    // The folder stays mounted: when the server has to be started again (it ended without being
    // asked), every folder is mounted anew and its latest handler hears the new address.
    // A server that was given up is started again by a mount: the mount is the request that
    // needs it. When it is given up (again), the latest handler of every folder hears why.
    void mount(const QString& path, CompletionHandler handler);
    // Forgets the folder (it is not mounted again after a restart) and asks the server to stop
    // serving it. The handler (if any) runs once the server has let go of it, or at once when no
    // server runs; the error is empty when the server no longer serves it.
    void unmount(const QString& path, CompletionHandler handler = {});
    // Posts "eval" ({"script": script}); before the server is ready the handler (if any) gets an
    // error.
    void eval(const QString& script, CompletionHandler handler = {});
    // POST <url>/_server/api/<endpoint> with the payload as JSON body.
    void runEndpoint(const QString& endpoint, const QJsonObject& payload, CompletionHandler handler);

    // Everything the server has printed in this application run, messages included: the runs
    // before a restart, what the controller said about the restart, then the current run.
    QString output() const;

    bool isRunning() const { return m_running; }
    // The server ended before it was ready, did not get ready in time, or ended again and again
    // shortly after starting: it is not started again until start() or a mount asks for it.
    bool isFailed() const { return m_failed; }
    // Why it was given up, in words for the user; empty while it is not.
    QString failureMessage() const { return m_failure; }
    void setStartTimeout(int milliseconds) { m_startTimeoutMs = milliseconds; }
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

    void launch();
    void giveUp(const QString& message);
    void requeueMounts();
    void startTimedOut(CSTaskManager* runner);
    void serverDidStart(const QJsonObject& message);
    void serverDidEnd(CSTaskManager* runner, int status);
    void tellServerLog(const QString& line);
    void publishService();
    void sendNextRequest();
    void finishRequest(QNetworkReply* reply, const CompletionHandler& handler);

    static QString identifierSalt();

    std::unique_ptr<CSTaskManager> m_serverTaskManager;
    // The secret of the current launch; never printed, logged or put in a URL.
    QByteArray m_secret;
    bool m_running = false;
    QString m_url;
    // Where control requests go (the server's control socket; its URL when it has none).
    QString m_controlUrl;
    std::vector<std::pair<QString, CompletionHandler>> m_pendingMounts;
    // Every folder mounted so far, with the handler of its latest mount, in first-mount order.
    std::vector<std::pair<QString, CompletionHandler>> m_mounts;
    bool m_stopped = false;
    bool m_failed = false;
    QString m_failure;
    int m_startTimeoutMs = StartTimeoutMs;
    // The runner that was ended for not getting ready in time.
    CSTaskManager* m_timedOutRunner = nullptr;
    quint64 m_launches = 0;
    QString m_earlierOutput;
    int m_restarts = 0;
    QElapsedTimer m_readySince;
    QNetworkAccessManager* m_network = nullptr;
    std::deque<Request> m_requests;
    QPointer<QNetworkReply> m_requestInFlight;
    std::unique_ptr<platform::NetService> m_netService;
    bool m_reportedAnnounceFailure = false;
};
