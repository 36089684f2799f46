#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>

class RBServerController;

// Helpers for tests that talk to the real preview server over loopback.
namespace servertest {

// A temporary project folder: the server serves only folders named "....zelvor". It goes with
// the temporary folder that holds it.
class TemporaryProject {
public:
    TemporaryProject();
    QString path() const;
    bool isValid() const { return m_parent.isValid(); }

private:
    QTemporaryDir m_parent;
};

// Points Avahi at a bus that does not exist, so that no test announces anything on a real
// network, whatever runs on this machine.
void isolateFromTheSystemBus();

struct Response {
    int status = 0;
    QByteArray headers;
    QByteArray body;
};

// Sends one raw HTTP request (the path exactly as given, nothing normalised) and reads the
// whole answer. `from` binds the client side to that local address when given.
Response rawRequest(const QString& baseUrl, const QByteArray& method, const QByteArray& path,
                    const QByteArray& body = {}, const QByteArray& contentType = {},
                    const QString& from = {});
// Sends the request bytes exactly as given (headers and all) and reads the whole answer.
Response sendRaw(const QString& baseUrl, const QByteArray& request, const QString& from = {});

// Starts the controller with a stand-in server script written into `resourceFolder` (which must
// outlive the launch); later launches use the real server again.
void startWithScript(RBServerController& controller, const QString& resourceFolder, const QByteArray& script);

// Starts the controller's server and waits for its ready message.
bool startAndWait(RBServerController& controller);

// Mounts the folder and waits for the answer: the served URL path, or empty on failure (the
// error then in *error).
QString mountAndWait(RBServerController& controller, const QString& folder, QString* error = nullptr);

// Sends the script through "eval" until a served page has taken it (a page listens for scripts
// only once it has loaded); false when none did within the time.
bool evalUntilTaken(RBServerController& controller, const QString& script, int timeoutMs = 20000);

} // namespace servertest
