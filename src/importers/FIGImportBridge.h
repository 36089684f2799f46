#pragma once

#include "importers/FIGChunkedZipFile.h"
#include "importers/FigmaBridgeRules.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>

class FIGImportBridgeDelegate;
class QWidget;
class RBWebViewController;

// Drives the Figma service's integration pages in a web view and takes their messages: the
// file the user picked and the exported archive, sent in base64 chunks.
//
// The pages are remote content. They post their messages through
// window.webkit.messageHandlers.<name>.postMessage(body), which reaches only this bridge (the
// view has no other handler), and only while the view shows a page of the configured service:
// a page of any other origin is not heard. Links the page asks to open go to the browser only
// when they lead to the service's host.
class FIGImportBridge : public QObject {
    Q_OBJECT
public:
    FIGImportBridge(const QString& integrationId, const QUrl& service, FIGImportBridgeDelegate* delegate,
                    QObject* parent = nullptr);
    ~FIGImportBridge() override;

    // The web view, for the caller to place.
    QWidget* contentView() const;
    RBWebViewController* webViewController() const { return m_web.get(); }

    void showFilePicker();
    void importFileWithKey(const QString& key);

    // One message of a service page (the view's messages come here once their origin is checked).
    void handleMessage(const QString& name, const QVariant& body);

    QString fileKey() const { return m_fileKey; }
    QString fileName() const { return m_fileName; }
    const FIGChunkedZipFile& zipFile() const { return m_zipFile; }
    // Opens links the page asks for (the desktop's browser unless set).
    void setUrlOpener(std::function<void(const QUrl&)> opener) { m_openUrl = std::move(opener); }
    // The script that gives the pages window.webkit.messageHandlers (exposed for tests).
    static QString messageHandlerScript();

private:
    // Whether the view shows a page of the service.
    bool isServicePage() const;
    void fail(figma::FailureReason reason, const QString& debugMessage);
    // Abandons the transfer under way.
    void failTransfer(const QString& reason);

    QString m_integrationId;
    QUrl m_service;
    FIGImportBridgeDelegate* m_delegate;
    std::unique_ptr<RBWebViewController> m_web;
    FIGChunkedZipFile m_zipFile;
    bool m_transferFailed = false;
    QString m_fileKey;
    QString m_fileName;
    std::function<void(const QUrl&)> m_openUrl;
};
