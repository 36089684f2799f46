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
        const QWebEngineView* view = m_web->webView();
        const QUrl pageUrl = view ? view->url() : QUrl();
        if (!figma::isServicePage(pageUrl, m_service)) {
            if (figma::messageNames().contains(method))
                platform::Log::warning(kDomain, QStringLiteral("ignored \"%1\" from %2, which is not the Figma service")
                                                    .arg(method, pageUrl.toDisplayString()));
            return;
        }
        handleMessage(method, arguments);
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

void FIGImportBridge::handleMessage(const QString& name, const QVariant& body)
{
    const figma::Message message = figma::parseMessage(name, body);
    if (message.kind == figma::MessageKind::Unknown)
        return;
    if (!message.problem.isEmpty()) {
        if (figma::isTransferMessage(name))
            m_zipFile.reset();
        fail(figma::FailureReason::Internal, message.problem);
        return;
    }
    QString error;
    switch (message.kind) {
    case figma::MessageKind::WillSendChunks:
        if (!m_zipFile.setExpectedChunks(message.numChunks, &error))
            fail(figma::FailureReason::Internal, error);
        break;
    case figma::MessageKind::Chunk:
        if (!m_zipFile.appendChunk(message.base64Data, &error))
            fail(figma::FailureReason::Internal, error);
        break;
    case figma::MessageKind::Commit: {
        const QString path = m_zipFile.commit(&error);
        if (path.isEmpty())
            fail(figma::FailureReason::Internal, error);
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
