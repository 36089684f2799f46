#include "importers/FIGImportBridge.h"

#include "importers/FIGImportBridgeDelegate.h"
#include "platform/Log.h"
#include "webview/BridgeJson.h"
#include "webview/RBWebViewController.h"

#include <QDesktopServices>
#include <QFile>
#include <QMetaEnum>
#include <QStringList>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <cstdio>

namespace {
const QString kDomain = QStringLiteral("Figma");
}

QString FIGImportBridge::messageHandlerScript()
{
    return QStringLiteral(
               "(function () {"
               "  var names = %1, handlers = {};"
               "  names.forEach(function (name) {"
               "    handlers[name] = Object.freeze({postMessage: function (body) { window._bridge(name, body); }});"
               "  });"
               "  window.webkit = Object.freeze({messageHandlers: Object.freeze(handlers)});"
               "})();")
        .arg(bridgeToJson(figma::messageNames()));
}

FIGImportBridge::FIGImportBridge(const QString& integrationId, const QUrl& service, FIGImportBridgeDelegate* delegate,
                                 QObject* parent)
    : QObject(parent)
    , m_integrationId(integrationId)
    , m_service(service)
    , m_delegate(delegate)
    , m_web(std::make_unique<RBWebViewController>())
    , m_openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    // Links stay in the view: the page opens others only through its message, checked below.
    m_web->setOpenLinksInSystemBrowser(false);
    QWebEnginePage* page = m_web->webView()->page();
    QWebEngineScript handlers;
    handlers.setName(QStringLiteral("FIGImportBridge"));
    handlers.setSourceCode(messageHandlerScript());
    handlers.setInjectionPoint(QWebEngineScript::DocumentCreation);
    handlers.setWorldId(QWebEngineScript::MainWorld);
    handlers.setRunsOnSubFrames(false);
    page->scripts().insert(handlers);

    m_web->setBridgeHandler([this](const QString& method, const QVariant& arguments) {
        if (isServicePage())
            handleMessage(method, arguments);
        else if (figma::messageNames().contains(method))
            platform::Log::warning(kDomain, QStringLiteral("ignored \"%1\" from %2, which is not the Figma service")
                                                .arg(method, m_web->webView()->url().toDisplayString()));
    });
    // A chunk at its largest in base64, with room for the message around it.
    const qsizetype longest = qsizetype(m_zipFile.limits().maxChunkBytes / 3 * 4) + 64 * 1024;
    m_web->setMaximumMessageLength(longest, [this, longest](qsizetype length) {
        if (isServicePage())
            failTransfer(QStringLiteral("The Figma page sent a message of %1 characters, more than the %2 a chunk may take.").arg(length).arg(longest));
    });
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
            return;
        const QString domain = QString::fromLatin1(QMetaEnum::fromType<QWebEngineLoadingInfo::ErrorDomain>().valueToKey(info.errorDomain()));
        if (const std::optional<figma::LoadFailure> failure = figma::loadFailure(domain, info.errorCode()))
            fail(failure->reason, failure->debugMessage);
    });
}

FIGImportBridge::~FIGImportBridge()
{
    m_delegate = nullptr;
    if (m_web)
        m_web->cleanup();
}

bool FIGImportBridge::isServicePage() const
{
    const QWebEngineView* view = m_web ? m_web->webView() : nullptr;
    return view && figma::isServicePage(view->url(), m_service);
}

QWidget* FIGImportBridge::contentView() const
{
    return m_web->webView();
}

void FIGImportBridge::showFilePicker()
{
    m_web->loadURL(figma::filePickerUrl(m_service, m_integrationId).toString());
}

void FIGImportBridge::importFileWithKey(const QString& key)
{
    m_web->loadURL(figma::exportUrl(m_service, m_integrationId, key).toString());
}

void FIGImportBridge::fail(figma::FailureReason reason, const QString& debugMessage)
{
    platform::Log::warning(kDomain, QStringLiteral("Figma import error: %1 %2").arg(int(reason)).arg(debugMessage));
    if (m_delegate)
        m_delegate->bridgeFailed(this, reason, debugMessage);
}

void FIGImportBridge::failTransfer(const QString& reason)
{
    m_zipFile.reset();
    m_transferFailed = true;
    fail(figma::FailureReason::Internal, reason);
}

void FIGImportBridge::handleMessage(const QString& name, const QVariant& body)
{
    const figma::Message message = figma::parseMessage(name, body);
    if (message.kind == figma::MessageKind::Unknown)
        return;
    // The rest of a transfer that already failed says nothing new: it is dropped until the
    // next announcement, so the failure shown is the first.
    if (m_transferFailed && (message.kind == figma::MessageKind::Chunk || message.kind == figma::MessageKind::Commit))
        return;
    if (!message.problem.isEmpty()) {
        if (figma::isTransferMessage(name))
            failTransfer(message.problem);
        else
            fail(figma::FailureReason::Internal, message.problem);
        return;
    }
    QString error;
    switch (message.kind) {
    case figma::MessageKind::WillSendChunks:
        m_transferFailed = false;
        if (!m_zipFile.setExpectedChunks(message.numChunks, &error))
            failTransfer(error);
        break;
    case figma::MessageKind::Chunk:
        if (!m_zipFile.appendChunk(message.base64Data, &error))
            failTransfer(error);
        break;
    case figma::MessageKind::Commit: {
        const QString path = m_zipFile.commit(&error);
        if (path.isEmpty())
            failTransfer(error);
        else if (m_delegate)
            m_delegate->bridgeDownloadedFileAtTempLocation(this, path);
        else
            QFile::remove(path);
        break;
    }
    case figma::MessageKind::UserChoseFile:
        m_fileKey = message.fileKey;
        m_fileName = message.fileName;
        if (m_delegate)
            m_delegate->userChoseFileForExport(this, m_fileName, m_fileKey);
        break;
    case figma::MessageKind::OpenUrl: {
        const QUrl link(message.url, QUrl::StrictMode);
        if (figma::isServiceLink(link, m_service) && m_openUrl)
            m_openUrl(link);
        else
            platform::Log::info(kDomain, QStringLiteral("not opening %1: not a link of the Figma service").arg(message.url));
        break;
    }
    case figma::MessageKind::Error:
        fail(figma::failureReasonFromText(message.reason), message.debugMessage);
        break;
    case figma::MessageKind::Log:
        std::fprintf(stdout, "[Figma Web] %s\n", message.text.toUtf8().constData());
        std::fflush(stdout);
        break;
    case figma::MessageKind::Unknown:
        break;
    }
}
