#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QFile;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
#include "document/RBProgressWindowController.h"
namespace platform { class SerialQueue; }

// Opens one "zelvor://" link in a small progress window: a zipped project is downloaded into
// the Downloads folder (under a free name, never over a file), unpacked safely in a temporary
// folder and its project copied out beside the archive and opened; a gist link opens the
// gist's text as the program of a new untitled project. Every failure is shown in an alert and
// in the window, which stays open until the user closes it. The download runs asynchronously
// and the unpacking on a worker thread: the application never waits for either. Cancel stops
// both and removes what was half written.
class RBDocumentURLManager : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString downloadsFolder;
        QString gistHost;   // the page host that marks gist links
        QString gistRawURL; // scheme and host of the raw texts
        int timeoutMs = 30000;                       // a silent server fails after this
        qint64 maxDownloadBytes = qint64(1) << 30;   // 1 GB, as unpacked archives
        qint64 maxGistBytes = qint64(5) << 20;       // a program, not a data set
        // Open the copied project / a new untitled project with the program text.
        std::function<void(const QString& projectPath)> openProject;
        std::function<void(const QString& program)> openProgram;
    };

    explicit RBDocumentURLManager(Options options, QObject* parent = nullptr);
    ~RBDocumentURLManager() override;

    void openUrl(const QString& link);
    // Stops the download or the unpacking, if any, and closes the window.
    void cancel();
    // The bar shows the fraction once it is above 0.1; below it stays indeterminate.
    void updateProgress(double fraction);

    RBProgressWindowController* progressWindow() const { return m_progress; }
    QLineEdit* urlTextField() const { return m_urlTextField; }
    // The archive in Downloads of the last zip link (empty before one).
    QString downloadedFile() const { return m_downloadPath; }

Q_SIGNALS:
    // The link has been handled: `error` is empty when a project opened, else what the user was
    // told. Not emitted after cancel().
    void finished(const QString& error);
    // The window has closed: the project opened, the user cancelled or the failure was told.
    // The manager is done.
    void closed();

private:
    void downloadZip(const QUrl& address);
    void zipDownloaded(QNetworkReply* reply);
    void unpack();
    void fetchGist(const QUrl& address);
    void gistFetched(QNetworkReply* reply);
    // Tells the user, shows the reason in the window and stops the bar.
    void fail(const QString& title, const QString& message, const QString& button = QStringLiteral("OK"));
    void succeed();
    void guardRedirects(QNetworkReply* reply);

    Options m_options;
    QPointer<RBProgressWindowController> m_progress;
    QLineEdit* m_urlTextField = nullptr;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_operation;
    std::unique_ptr<QFile> m_file;
    QString m_link;
    QString m_downloadPath;
    QString m_abortReason;
    qint64 m_received = 0;
    std::shared_ptr<std::atomic<bool>> m_cancelUnpack = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<platform::SerialQueue> m_unpackQueue;
    bool m_cancelled = false;
};
