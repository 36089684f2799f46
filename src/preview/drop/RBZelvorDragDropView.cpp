#include "preview/drop/RBZelvorDragDropView.h"

#include "platform/Dispatch.h"
#include "preview/RBZelvorViewController.h"
#include "preview/drop/DropFileKind.h"
#include "preview/drop/RBDropBorderOverlay.h"
#include "preview/drop/RBPreviewDropController.h"

#include <QChildEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {
// The strip at the bottom of the preview that does not take the focus for the web view.
constexpr int kTrackingBottomInset = 30;

// Accepts a drag step as a copy, or refuses it.
void answerCopy(QDropEvent* event, bool copy)
{
    if (copy) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

bool isImageFormat(const QString& format)
{
    return format.startsWith(QLatin1String("image/")) || format == QLatin1String("application/x-qt-image");
}
} // namespace

RBZelvorDragDropView::RBZelvorDragDropView(QWidget* pane)
    : QWidget(pane)
    , m_pane(pane)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    if (pane) {
        setGeometry(pane->rect());
        pane->setAcceptDrops(true);
        watch(pane);
    }
    raise();
}

RBZelvorDragDropView::~RBZelvorDragDropView()
{
    delete m_overlay.data();
}

RBZelvorViewController* RBZelvorDragDropView::zelvorViewController() const
{
    return m_controller;
}

void RBZelvorDragDropView::setZelvorViewController(RBZelvorViewController* controller)
{
    m_controller = controller;
}

void RBZelvorDragDropView::watch(QWidget* widget)
{
    if (!widget || widget == this || widget == m_overlay)
        return;
    widget->removeEventFilter(this);
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        watch(child);
}

RBDropBorderOverlay* RBZelvorDragDropView::overlayWindow()
{
    QWidget* window = this->window();
    if (!window || window == this)
        return nullptr;
    if (!m_overlay) {
        m_overlay = new RBDropBorderOverlay(window);
        window->installEventFilter(this); // follows the window's size
    }
    m_overlay->setGeometry(window->rect());
    return m_overlay;
}

bool RBZelvorDragDropView::isOverlayShown() const
{
    return m_overlay && m_overlay->isVisible();
}

QStringList RBZelvorDragDropView::filePaths(const QMimeData* data)
{
    QStringList paths;
    if (!data)
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

Qt::DropAction RBZelvorDragDropView::draggingEntered(QDragEnterEvent* event)
{
    for (const QString& path : filePaths(event->mimeData())) {
        if (dropFileKind(path) == DropFileKind::Unsupported)
            continue;
        if (RBDropBorderOverlay* overlay = overlayWindow()) {
            overlay->show();
            overlay->raise();
        }
        // A source that does not allow copying shows the border but is refused.
        if (event->possibleActions() & Qt::CopyAction)
            return Qt::CopyAction;
    }
    return Qt::IgnoreAction;
}

void RBZelvorDragDropView::draggingExited()
{
    if (m_overlay)
        m_overlay->hide();
}

QStringList RBZelvorDragDropView::acceptedDropPaths(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    // Image data offered before the file names is a picture, not files: not ours to take.
    const QStringList formats = data->formats();
    const qsizetype files = formats.indexOf(QStringLiteral("text/uri-list"));
    for (qsizetype i = 0; i < formats.size() && (files < 0 || i < files); ++i) {
        if (isImageFormat(formats.at(i)))
            return {};
    }
    return filePaths(data);
}

bool RBZelvorDragDropView::performDragOperation(const QMimeData* data)
{
    const QStringList paths = acceptedDropPaths(data);
    if (paths.isEmpty())
        return false;
    if (m_dropController)
        m_dropController->handleDroppedFiles(paths);
    return true;
}

void RBZelvorDragDropView::createTrackingArea()
{
    m_tracking = true;
    if (m_pane && trackingRect().contains(m_pane->mapFromGlobal(QCursor::pos())))
        mouseEntered();
    else
        mouseExited();
}

QRect RBZelvorDragDropView::trackingRect() const
{
    return m_pane ? m_pane->rect().adjusted(0, 0, 0, -kTrackingBottomInset) : QRect();
}

void RBZelvorDragDropView::mouseEntered()
{
    if (m_dropController)
        m_dropController->focusWebView(true);
}

void RBZelvorDragDropView::mouseExited()
{
    if (m_dropController)
        m_dropController->focusWebView(false);
}

bool RBZelvorDragDropView::eventFilter(QObject* watched, QEvent* event)
{
    if (m_overlay && watched == m_overlay->parentWidget() && event->type() == QEvent::Resize)
        m_overlay->setGeometry(m_overlay->parentWidget()->rect());
    switch (event->type()) {
    case QEvent::ChildAdded: {
        // The web view makes its inner widgets late; they must not take drags past us.
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType() && watched != window())
            watch(static_cast<QWidget*>(child));
        break;
    }
    case QEvent::Resize:
        if (watched == m_pane) {
            setGeometry(m_pane->rect());
            raise();
        }
        break;
    case QEvent::Enter:
        if (m_tracking && watched == m_pane) {
            if (trackingRect().contains(m_pane->mapFromGlobal(QCursor::pos())))
                mouseEntered();
        }
        break;
    case QEvent::Leave:
        if (m_tracking && watched == m_pane)
            mouseExited();
        break;
    case QEvent::DragEnter: {
        m_dragAction = draggingEntered(static_cast<QDragEnterEvent*>(event));
        answerCopy(static_cast<QDropEvent*>(event), m_dragAction == Qt::CopyAction);
        return true;
    }
    case QEvent::DragMove: {
        answerCopy(static_cast<QDropEvent*>(event), m_dragAction == Qt::CopyAction);
        return true;
    }
    case QEvent::DragLeave:
        m_dragAction = Qt::IgnoreAction;
        draggingExited();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        draggingExited();
        m_dragAction = Qt::IgnoreAction;
        const QStringList paths = acceptedDropPaths(drop->mimeData());
        answerCopy(drop, !paths.isEmpty());
        if (paths.isEmpty())
            return true;
        // Handled once the drag has finished: a question about a file must not keep the
        // program the files came from waiting.
        QPointer<RBPreviewDropController> controller = m_dropController;
        platform::dispatchMain([controller, paths] {
            if (controller)
                controller->handleDroppedFiles(paths);
        });
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
