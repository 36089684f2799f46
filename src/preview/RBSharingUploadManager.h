#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class CSTaskManager;

// Uploads a project folder through the upload program of the resources ("python/upload.py",
// run by the system's Python 3) and reports exactly one outcome per upload: the public link, or
// an error message for the user. The program's answers are JSON lines: {"action": "done", "url":
// link} or {"error": message}; other objects are ignored and plain lines only logged.
//
// An upload that gives no answer within the time-out (30 s from its start) is stopped and
// reported as "Upload timeout, try again later."; a program that cannot start or ends without an
// answer is a failure too. A link that is not an http(s) address is refused. A manager runs one
// upload at a time; the outcome blocks are called on the main thread, never from inside
// uploadWithPath().
class RBSharingUploadManager : public QObject {
    Q_OBJECT
public:
    using SuccessBlock = std::function<void(const QString& url)>;
    using ErrorBlock = std::function<void(const QString& message)>;

    static constexpr int kDefaultTimeoutMs = 30000;
    static QString timeoutMessage() { return QStringLiteral("Upload timeout, try again later."); }

    explicit RBSharingUploadManager(QObject* parent = nullptr);
    // A running upload program is stopped: its outcome could no longer be reported.
    ~RBSharingUploadManager() override;

    void setUploadSuccess(SuccessBlock block) { m_uploadSuccess = std::move(block); }
    void setUploadError(ErrorBlock block) { m_uploadError = std::move(block); }

    // The share service's address (the build's unless set); the program is told it.
    QString serviceURL() const { return m_serviceURL; }
    void setServiceURL(const QString& url) { m_serviceURL = url; }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    // Runs another program in place of the interpreter and upload script (tests): it gets the
    // given arguments, then the e-mail address and the project folder.
    void setProgram(const QString& launchPath, const QStringList& leadingArguments);

    // Starts an upload. Answers false, and starts nothing, while an earlier one still runs.
    bool uploadWithPath(const QString& path, const QString& email);
    bool isUploading() const { return m_uploading; }

    // Whether the text is a link that may be put on the clipboard and opened: http or https,
    // with a host, and nothing else.
    static bool isShareLink(const QString& text);

private:
    void handleObject(quint64 upload, const QJsonObject& object);
    void handleEnd(quint64 upload, int status);
    void timedOut(quint64 upload);
    // Reports the outcome of the current upload once; later reports of the same upload are dropped.
    void finish(quint64 upload, bool success, const QString& text);
    void stopProgram();

    SuccessBlock m_uploadSuccess;
    ErrorBlock m_uploadError;
    QString m_serviceURL;
    QString m_launchPath;
    QStringList m_leadingArguments;
    int m_timeoutMs = kDefaultTimeoutMs;
    std::unique_ptr<CSTaskManager> m_taskManager;
    QTimer m_timeout;
    quint64 m_upload = 0;
    bool m_uploading = false;
};
