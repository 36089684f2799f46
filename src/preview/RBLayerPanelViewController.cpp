#include "preview/RBLayerPanelViewController.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/Dispatch.h"
#include "platform/gui/ColorExtras.h"
#include "preview/RBLayerPanelEditor.h"
#include "preview/RBZelvorViewController.h"
#include "webview/RBWebViewController.h"

#include <QPalette>
#include <QVBoxLayout>
#include <QVariantList>
#include <QVariantMap>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
const QString kDomain = QStringLiteral("RBLayerPanelViewController");
}

RBLayerPanelViewController::RBLayerPanelViewController(QObject* parent)
    : QObject(parent)
{
    setup();
}

RBLayerPanelViewController::~RBLayerPanelViewController()
{
    if (m_webViewController)
        m_webViewController->cleanup();
    delete m_view.data();
}

void RBLayerPanelViewController::setup()
{
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("layerPanel"));
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, platform::colorWithHexColorString(QStringLiteral("151517")));
    view->setPalette(palette);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = view;

    m_webViewController = std::make_unique<RBWebViewController>();
    const QString page = platform::Bundle::main().pathForResource(
        QStringLiteral("index"), QStringLiteral("html"), QStringLiteral("ZelvorStudioLayerPanel/build"));
    if (page.isEmpty())
        platform::Log::error(kDomain, QStringLiteral("the layer panel page is missing from the resources"));
    else
        m_webViewController->loadFile(page);

    QPointer<RBLayerPanelViewController> self(this);
    m_webViewController->setBridgeHandler([self](const QString& method, const QVariant& arguments) {
        if (self)
            self->handleBridgeMethod(method, arguments);
    });
    m_webViewController->setDocumentReadyHandler([self](const QVariantMap&) {
        if (self) {
            self->m_pageReady = true;
            if (!self->m_collapsedLayers.isEmpty())
                self->setCollapsedLayers(self->m_collapsedLayers);
        }
        platform::dispatchAfter(kShowDelayMs / 1000.0, [self] {
            if (self)
                self->addWebView();
        });
    });
}

void RBLayerPanelViewController::addWebView()
{
    QWebEngineView* webView = m_webViewController ? m_webViewController->webView() : nullptr;
    if (m_webViewAdded || !webView || !m_view)
        return;
    m_webViewAdded = true;
    // The page's transparent areas show the panel's own colour. The page fades itself in: the
    // web engine draws through its own compositor and ignores widget opacity.
    webView->page()->setBackgroundColor(Qt::transparent);
    m_view->layout()->addWidget(webView);
    webView->show();
}

void RBLayerPanelViewController::setEditor(RBLayerPanelEditor* editor, QObject* guard)
{
    m_editor = editor;
    m_editorGuard = guard;
}

RBLayerPanelEditor* RBLayerPanelViewController::editor() const
{
    return m_editorGuard ? m_editor : nullptr;
}

void RBLayerPanelViewController::setZelvorViewController(RBZelvorViewController* controller)
{
    m_zelvorViewController = controller;
}

RBZelvorViewController* RBLayerPanelViewController::zelvorViewController() const
{
    return m_zelvorViewController.data();
}

std::optional<QString> RBLayerPanelViewController::layerHash(const QVariant& arguments)
{
    if (arguments.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant data = arguments.toMap().value(QStringLiteral("data"));
    if (data.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant hash = data.toMap().value(QStringLiteral("hash"));
    if (hash.typeId() != QMetaType::QString)
        return std::nullopt;
    return hash.toString();
}

void RBLayerPanelViewController::handleBridgeMethod(const QString& method, const QVariant& arguments)
{
    if (method.startsWith(QLatin1String("ui:")) && m_zelvorViewController) {
        if (RBWebViewController* preview = m_zelvorViewController->webViewController())
            preview->sendBridgeMethod(method, arguments);
    }
    if (method == QLatin1String("collapsedLayers")) {
        m_collapsedLayers.clear();
        const QVariant data = arguments.toMap().value(QStringLiteral("data"));
        for (const QVariant& id : data.toMap().value(QStringLiteral("ids")).toList().mid(0, 1000))
            if (id.canConvert<int>() && id.toInt() > 0)
                m_collapsedLayers.append(id.toInt());
        return;
    }
    RBLayerPanelEditor* code = editor();
    if (!code)
        return;
    if (method == QLatin1String("ui:highlight")) {
        if (const auto hash = layerHash(arguments))
            code->highlightLayer(*hash);
    }
    if (method == QLatin1String("layersRollOut"))
        code->unhighlightLayer();
    if (method == QLatin1String("layerClick")) {
        if (const auto hash = layerHash(arguments))
            code->scrollToNextHighlight(*hash);
    }
}

void RBLayerPanelViewController::enableCodeButtons(bool enabled, bool down)
{
    if (m_webViewController)
        m_webViewController->sendBridgeMethod(QStringLiteral("enableCodeButtons"), QVariantList{enabled, down});
}

void RBLayerPanelViewController::setCollapsedLayers(const QList<int>& ids)
{
    m_collapsedLayers = ids;
    if (!m_pageReady || !m_webViewController)
        return;
    const QVariantList list(ids.cbegin(), ids.cend());
    m_webViewController->sendBridgeMethod(QStringLiteral("collapsedLayers"),
                                          QVariantMap{{QStringLiteral("data"), QVariantMap{{QStringLiteral("ids"), list}}}});
}
