#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

class QDragEnterEvent;
class QDropEvent;
class QMimeData;
class RBDropBorderOverlay;
class RBPreviewDropController;
class RBZelvorViewController;

// Lies over the preview and takes the image, video and module files dragged onto it, while
// every mouse event passes through to the web view below. A widget that lets mouse events
// through is never the target of a drag in Qt, so the drags are taken on the preview pane
// below it (and its children, the web view's included) through an event filter.
//
// During a drag of a supported file the window's content is framed by a light-blue border.
class RBZelvorDragDropView : public QWidget {
    Q_OBJECT
public:
    // Covers `pane` and takes the drags over it.
    explicit RBZelvorDragDropView(QWidget* pane);
    ~RBZelvorDragDropView() override;

    RBZelvorViewController* zelvorViewController() const;
    void setZelvorViewController(RBZelvorViewController* controller);
    // Who turns the dropped files into project content.
    RBPreviewDropController* dropController() const { return m_dropController; }
    void setDropController(RBPreviewDropController* controller) { m_dropController = controller; }

    // The border overlay, made on first use and framed to the window's content on each call.
    RBDropBorderOverlay* overlayWindow();
    bool isOverlayShown() const;

    // Gives the web view the keyboard focus whenever the mouse enters the preview (above its
    // bottom 30 pixels). Not installed by default: hovering would take the focus from the code.
    void createTrackingArea();
    QRect trackingRect() const;

    // The drag steps, as the pane's events deliver them.
    Qt::DropAction draggingEntered(QDragEnterEvent* event);
    void draggingExited();
    bool performDragOperation(const QMimeData* data);

    // The local file paths that a drag carries.
    static QStringList filePaths(const QMimeData* data);
    // The paths of a drop that is ours to take: none when the drag holds no file names, or
    // offers image data before them.
    static QStringList acceptedDropPaths(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget* widget);
    void mouseEntered();
    void mouseExited();

    QPointer<QWidget> m_pane;
    QPointer<RBDropBorderOverlay> m_overlay;
    QPointer<RBPreviewDropController> m_dropController;
    QPointer<RBZelvorViewController> m_controller;
    bool m_tracking = false;
    Qt::DropAction m_dragAction = Qt::IgnoreAction;
};
