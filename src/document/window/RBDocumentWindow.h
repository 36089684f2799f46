#pragma once

#include "document/RBDocumentWindowInterface.h"
#include "document/window/RBSplitViewDelegate.h"
#include "platform/gui/RestorableWindow.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QScreen;
class RBDocument;
class RBDocumentToolbar;
class RBDocumentSharing;
class RBDocumentToolbarActions;
class RBMirrorMenu;
class RBPopUpMenuController;
class RBSplitView;

// The window of one open project: the editor side beside the preview, the code beside the
// layer panel inside the editor side, and the toolbar. It keeps the panes within their sizing
// rules, keeps its width even, and closes its document (asking about unsaved work first) when
// the user closes it.
class RBDocumentWindow : public QMainWindow,
                         public RBDocumentWindowInterface,
                         public RBSplitViewDelegate,
                         public platform::RestorableWindow {
    Q_OBJECT
public:
    explicit RBDocumentWindow(RBDocument* document, QWidget* parent = nullptr);
    ~RBDocumentWindow() override;

    static constexpr int kMinimumWidth = 740;
    static constexpr int kMinimumHeight = 400;

    RBDocument* document() const { return m_document; }
    RBDocumentToolbar* toolbar() const { return m_toolbar; }
    // The preview-scale pop-up: shows the "deviceScale" setting and writes the user's choice.
    RBPopUpMenuController* deviceScalePopupMenuController() const { return m_deviceScalePopup; }

    // The controllers of the panes live as long as the window and go before its views, newest
    // first.
    void adoptController(std::unique_ptr<QObject> controller);
    // What the toolbar's items do (owned as one of the controllers).
    RBDocumentToolbarActions* toolbarActions() const { return m_toolbarActions; }
    void setToolbarActions(RBDocumentToolbarActions* actions) { m_toolbarActions = actions; }
    // The share item's uploads and the mirror item's menu (owned as controllers).
    RBDocumentSharing* documentSharing() const { return m_documentSharing; }
    void setDocumentSharing(RBDocumentSharing* sharing) { m_documentSharing = sharing; }
    RBMirrorMenu* mirrorMenu() const { return m_mirrorMenu; }
    void setMirrorMenu(RBMirrorMenu* menu) { m_mirrorMenu = menu; }

    // The four hosts of the panes' views.
    QWidget* codeEditLeftView() const;
    QWidget* codeEditRightView() const;
    QWidget* mainLeftView() const;
    QWidget* mainRightView() const;

    // Places the window; an odd whole width loses one (1001 becomes 1000, 1001.5 becomes 1000.5)
    // so that the two halves of the window always share its width evenly.
    void setFrame(const QRectF& frame);
    static double evenFrameWidth(double width);

    // The editor's part in the sizing rules: whether its layer-panel animation is moving the
    // inner divider, and how to refresh its layer-panel button.
    void setLayerPanelHooks(std::function<bool()> isAnimating, std::function<void()> updateButton);
    bool centerSplitViewFloored() const { return m_centerSplitViewFloored; }
    void setCenterSplitViewFloored(bool floored) { m_centerSplitViewFloored = floored; }

    // The window's density changed (it moved to a screen of another density, or its screen's
    // density changed): every toolbar item and editor-bar button with an image gets it set
    // again, so that it is drawn for the new density instead of scaled from the old one.
    void windowDidChangeBackingProperties();
    // The editor bar's buttons that carry images (their owner lives inside the window).
    void setImageButtons(std::function<QList<QAbstractButton*>()> buttons) { m_imageButtons = std::move(buttons); }
    // How often the density changed while the window was open.
    int backingPropertiesChangeCount() const { return m_backingChanges; }

    // Restoration: the window keeps its frame. Brought back while the application has switched
    // restoration off for this launch (the first run shows the welcome window instead), it is
    // moved out of sight and closed on the next turn of the main loop.
    QVariantMap encodeRestorableState() const override;
    void windowDidDecodeRestorableState(const QVariantMap& state) override;
    // Puts the window at a frame kept as [x, y, width, height]; one smaller than the window's
    // least size, or on no screen there is now, is ignored.
    void restoreFrame(const QVariantList& frame);
    static constexpr int kOutOfSight = -10000;

    // RBDocumentWindowInterface
    QWidget* window() const override { return const_cast<RBDocumentWindow*>(this); }
    void setDevicePickerEnabled(bool enabled) override;
    void setHandsEnabled(bool enabled) override;
    void setOrientationEnabled(bool enabled) override;
    void setDeviceScaleEnabled(bool enabled) override;
    void selectDeviceScaleEntry(int index) override;
    RBSplitView* splitView() const override { return m_splitView; }
    RBSplitView* codeEditSplitView() const override { return m_codeEditSplitView; }

    // RBSplitViewDelegate
    double constrainMinCoordinate(RBSplitView* splitView, double proposed, int dividerIndex) override;
    double constrainMaxCoordinate(RBSplitView* splitView, double proposed, int dividerIndex) override;
    double constrainSplitPosition(RBSplitView* splitView, double proposed, int dividerIndex) override;
    bool shouldAdjustSizeOfSubview(RBSplitView* splitView, QWidget* pane) override;
    bool resizeSubviewsWithOldSize(RBSplitView* splitView, QSize oldSize) override;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Esc that nothing inside took (a popup, the find bar) leaves full screen, as in the preview's.
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool layerPanelIsAnimating() const;
    void updateLayerPanelButton() const;
    void watchScreen(QScreen* screen);
    void checkBackingProperties();

    QPointer<RBDocument> m_document;
    RBDocumentToolbar* m_toolbar;
    RBPopUpMenuController* m_deviceScalePopup;
    RBSplitView* m_splitView;
    RBSplitView* m_codeEditSplitView;
    bool m_centerSplitViewFloored = false;
    bool m_wasActive = false;
    std::function<bool()> m_layerPanelIsAnimating;
    std::function<void()> m_updateLayerPanelButton;
    std::vector<std::unique_ptr<QObject>> m_controllers;
    RBDocumentToolbarActions* m_toolbarActions = nullptr;
    RBDocumentSharing* m_documentSharing = nullptr;
    RBMirrorMenu* m_mirrorMenu = nullptr;
    std::function<QList<QAbstractButton*>()> m_imageButtons;
    qreal m_devicePixelRatio = 0;
    int m_backingChanges = 0;
    bool m_watchingWindowHandle = false;
    QPointer<QScreen> m_watchedScreen;
};
