#include "document/window/DocumentPreviewLink.h"

#include "document/RBDocument.h"
#include "platform/Log.h"
#include "preview/RBDeviceSettingsMenuController.h"
#include "webview/RBWebViewController.h"
#include "preview/RBZelvorViewController.h"

#include <QJsonDocument>
#include <QVariant>

DocumentPreviewLink::DocumentPreviewLink(RBDocument& document, RBZelvorViewController& preview, QObject* parent)
    : QObject(parent)
    , m_document(&document)
    , m_preview(&preview)
{
    connect(&document.config(), &ProjectConfig::valueChanged, this, [this](const QString& key, const QJsonValue& value) {
        // A removed key has no value to show; the page keeps what it shows.
        if (m_preview && !value.isUndefined())
            m_preview->observeConfigValue(key, value);
    });
}

DocumentPreviewLink::~DocumentPreviewLink() = default;

void DocumentPreviewLink::setTranspilerSource(std::function<CodeTranspiler*()> transpiler, std::function<void()> retranspile)
{
    m_transpiler = std::move(transpiler);
    m_retranspile = std::move(retranspile);
}

void DocumentPreviewLink::setOrientationButtonImageHandler(std::function<void(const QString&)> handler)
{
    m_orientationImage = std::move(handler);
}

QObject* DocumentPreviewLink::documentObject()
{
    return m_document.data();
}

QString DocumentPreviewLink::projectPath() const
{
    return m_document ? m_document->projectPath() : QString();
}

QString DocumentPreviewLink::displayName() const
{
    return m_document ? m_document->displayName() : QString();
}

QString DocumentPreviewLink::serverLocalUrl() const
{
    return m_document ? m_document->serverLocalUrl() : QString();
}

QJsonObject DocumentPreviewLink::configValues() const
{
    return m_document ? m_document->config().toJsonObject() : QJsonObject();
}

void DocumentPreviewLink::setConfigValue(const QString& key, const QJsonValue& value)
{
    if (!m_document)
        return;
    // What the preview stores comes from the page, which may be anyone's: a value of the wrong
    // kind or size never reaches the settings or their file.
    if (!ProjectConfig::acceptsValue(key, value)) {
        platform::Log::warning(QStringLiteral("DocumentPreviewLink"), QStringLiteral("The page's value for \"%1\" is not kept: it is not a valid setting").arg(key));
        return;
    }
    m_document->config().setValue(key, value);
}

void DocumentPreviewLink::removeConfigValue(const QString& key)
{
    if (m_document)
        m_document->config().removeValue(key);
}

bool DocumentPreviewLink::saveConfig()
{
    return m_document && m_document->saveConfig();
}

CodeTranspiler* DocumentPreviewLink::transpiler() const
{
    return m_transpiler ? m_transpiler() : nullptr;
}

void DocumentPreviewLink::retranspile()
{
    if (m_retranspile)
        m_retranspile();
}

void DocumentPreviewLink::retryServer()
{
    if (m_document)
        m_document->updateServerMount();
}

void DocumentPreviewLink::setOrientationEnabled(bool enabled)
{
    if (m_document)
        m_document->setOrientationEnabled(enabled);
}

void DocumentPreviewLink::setHandsEnabled(bool enabled)
{
    if (m_document)
        m_document->setHandsEnabled(enabled);
}

void DocumentPreviewLink::setOrientationButtonImage(const QString& imageName)
{
    if (m_orientationImage)
        m_orientationImage(imageName);
}

void DocumentPreviewLink::reload(RBDocument*)
{
    if (m_preview)
        m_preview->reload();
}

void DocumentPreviewLink::updateDevice()
{
    if (m_preview && m_preview->deviceSettingsMenuController())
        m_preview->deviceSettingsMenuController()->updateDevice();
}

void DocumentPreviewLink::orientationChanged()
{
    if (m_preview && m_preview->deviceSettingsMenuController())
        m_preview->deviceSettingsMenuController()->orientationChanged();
}

void DocumentPreviewLink::evaluateCoffeeScript(const QString& script, EvaluationHandler handler)
{
    if (!m_preview || !m_preview->webViewController()) {
        if (handler)
            handler(QJsonValue(), QStringLiteral("The preview is not there."));
        return;
    }
    m_preview->webViewController()->evaluateCoffeeScript(script, [handler](const QVariant& result, const QVariant& error) {
        if (!handler)
            return;
        QString message;
        if (error.isValid() && !error.isNull()) {
            message = error.toMap().value(QStringLiteral("message")).toString();
            if (message.isEmpty())
                message = QStringLiteral("The page reported an error.");
        }
        handler(QJsonValue::fromVariant(result), message);
    });
}

void DocumentPreviewLink::toggleInspector()
{
    if (m_preview)
        m_preview->toggleInspector();
}

void DocumentPreviewLink::showServerProblem(const QString& message)
{
    if (m_preview)
        m_preview->showServerProblem(message);
}
