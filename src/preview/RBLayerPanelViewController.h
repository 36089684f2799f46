#pragma once
#include "preview/RBPreviewLayerPanel.h"

#include <QObject>
#include <QList>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>
#include <optional>

class RBLayerPanelEditor;
class RBWebViewController;
class RBZelvorViewController;

// The layer panel beside the code: our own page (resource folder
// "ZelvorStudioLayerPanel/build") that lists the layers of the program running in the preview.
// It works only through bridge messages: "ui:" messages travel between the panel page and the
// preview page through the application, and hovering or clicking a row asks the editor to dim
// or show the layer's code.
//
// Main thread only. The document window owns the controller; the preview and the editor are
// held weakly and may go first.
class RBLayerPanelViewController : public QObject, public RBPreviewLayerPanel {
    Q_OBJECT
public:
    explicit RBLayerPanelViewController(QObject* parent = nullptr);
    ~RBLayerPanelViewController() override;

    // The panel's root view, with the page's web view inside once the page is ready.
    QWidget* view() const { return m_view.data(); }

    // The editor whose code the panel dims and scrolls (not owned; may be null).
    void setEditor(RBLayerPanelEditor* editor, QObject* guard);
    RBLayerPanelEditor* editor() const;

    // RBPreviewLayerPanel
    RBWebViewController* webViewController() const override { return m_webViewController.get(); }
    void setZelvorViewController(RBZelvorViewController* controller) override;
    RBZelvorViewController* zelvorViewController() const;

    // A message of the panel page (the wrapper's bridge handler).
    void handleBridgeMethod(const QString& method, const QVariant& arguments);
    // Tells the page which of its code buttons can be used.
    void enableCodeButtons(bool enabled, bool down);
    // Puts the page's web view into the panel.
    void addWebView();
    bool isWebViewAdded() const { return m_webViewAdded; }

    // The rows the user closed (by layer id), as the page last said; set, they are closed in the
    // page now or as soon as it is ready.
    const QList<int>& collapsedLayers() const { return m_collapsedLayers; }
    void setCollapsedLayers(const QList<int>& ids);

    // The layer hash of a panel message ({"data": {"hash": text}}); nothing when the message
    // lacks it or carries something else.
    static std::optional<QString> layerHash(const QVariant& arguments);

    // How long after the page is ready it is shown: it has drawn its first rows by then.
    static constexpr int kShowDelayMs = 200;

private:
    void setup();

    QPointer<QWidget> m_view;
    std::unique_ptr<RBWebViewController> m_webViewController;
    QPointer<RBZelvorViewController> m_zelvorViewController;
    RBLayerPanelEditor* m_editor = nullptr;
    QPointer<QObject> m_editorGuard;
    bool m_webViewAdded = false;
    bool m_pageReady = false;
    QList<int> m_collapsedLayers;
};
