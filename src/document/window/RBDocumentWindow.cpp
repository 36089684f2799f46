#include "document/window/RBDocumentWindow.h"

#include "messages/NotificationName.h"
#include "document/RBDocument.h"
#include "document/DeviceScaleMenu.h"
#include "document/RBDocumentController.h"
#include "document/window/PaneSizing.h"
#include "document/window/RBDocumentToolbar.h"
#include "document/window/RBSplitView.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/gui/ColorExtras.h"
#include "editor/RBPopUpMenuController.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QToolButton>
#include <QWindow>
#include <QLayout>
#include <QPushButton>
#include <QPointer>
#include <QTimer>

#include <cmath>

namespace {
const QString kKeyWindowChanged = QStringLiteral("KeyWindowChangedNotification");
const QString kShowWelcomeOnStartup = QStringLiteral("WelcomeWindowShowOnStartup");

// The entries of the scale pop-up in the form of the pop-up menu controller.
QVariantList deviceScaleEntries()
{
    QVariantList list;
    for (const DeviceScaleMenu::Entry& entry : DeviceScaleMenu::entries()) {
        if (entry.isSeparator())
            list.append(QVariantMap{{QStringLiteral("type"), QStringLiteral("separator")}});
        else
            list.append(QVariantMap{{QStringLiteral("name"), entry.name}, {QStringLiteral("value"), entry.value.toVariant()}});
    }
    return list;
}

// Whether the user keeps the welcome window at start-up; an absent answer counts as yes and
// is written down.
bool welcomeWindowShouldShowOnStartup()
{
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (!defaults.hasKey(kShowWelcomeOnStartup)) {
        defaults.setBool(kShowWelcomeOnStartup, true);
        defaults.synchronize();
        return true;
    }
    return defaults.boolForKey(kShowWelcomeOnStartup);
}

PaneSizing::Pane paneOf(const RBSplitView* split, const QWidget* pane)
{
    if (pane && pane == split->firstPane())
        return PaneSizing::Pane::First;
    if (pane && pane == split->lastPane())
        return PaneSizing::Pane::Last;
    return PaneSizing::Pane::None;
}
} // namespace

RBDocumentWindow::RBDocumentWindow(RBDocument* document, QWidget* parent)
    : QMainWindow(parent)
    , m_document(document)
    , m_toolbar(new RBDocumentToolbar(this))
    , m_deviceScalePopup(new RBPopUpMenuController(m_toolbar->deviceScalePopUpButton(), deviceScaleEntries(), this))
    , m_splitView(new RBSplitView)
    , m_codeEditSplitView(new RBSplitView)
{
    setObjectName(QStringLiteral("RBDocumentWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false); // the document deletes its window when it closes
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setUnifiedTitleAndToolBarOnMac(false);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    m_deviceScalePopup->setDocument(document);

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, platform::colorWithHexColorString(QStringLiteral("151517")));
    m_splitView->setObjectName(QStringLiteral("splitView"));
    m_codeEditSplitView->setObjectName(QStringLiteral("codeEditSplitView"));
    m_splitView->setAutoFillBackground(true);
    m_splitView->setPalette(palette);
    m_splitView->firstPane()->layout()->addWidget(m_codeEditSplitView);
    m_splitView->setDelegate(this);
    m_codeEditSplitView->setDelegate(this);
    setCentralWidget(m_splitView);
    m_devicePixelRatio = devicePixelRatioF();
}

RBDocumentWindow::~RBDocumentWindow()
{
    m_toolbarActions = nullptr;
    while (!m_controllers.empty())
        m_controllers.pop_back();
    m_splitView->setDelegate(nullptr);
    m_codeEditSplitView->setDelegate(nullptr);
}

void RBDocumentWindow::adoptController(std::unique_ptr<QObject> controller)
{
    if (controller)
        m_controllers.push_back(std::move(controller));
}

QWidget* RBDocumentWindow::codeEditLeftView() const { return m_codeEditSplitView->firstPane(); }
QWidget* RBDocumentWindow::codeEditRightView() const { return m_codeEditSplitView->lastPane(); }
QWidget* RBDocumentWindow::mainLeftView() const { return m_splitView->firstPane(); }
QWidget* RBDocumentWindow::mainRightView() const { return m_splitView->lastPane(); }

double RBDocumentWindow::evenFrameWidth(double width)
{
    const double whole = std::trunc(width);
    return std::fmod(whole, 2.0) != 0 ? width - 1 : width;
}

void RBDocumentWindow::setFrame(const QRectF& frame)
{
    setGeometry(QRectF(frame.x(), frame.y(), evenFrameWidth(frame.width()), frame.height()).toRect());
}

void RBDocumentWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // A window manager may give any width; an odd one is taken back by one.
    const int even = int(evenFrameWidth(width()));
    if (even != width() && even >= minimumWidth()) {
        QPointer<RBDocumentWindow> self(this);
        QTimer::singleShot(0, this, [self, even] {
            if (self && self->width() != even && int(evenFrameWidth(self->width())) == even)
                self->resize(even, self->height());
        });
    }
}

void RBDocumentWindow::setLayerPanelHooks(std::function<bool()> isAnimating, std::function<void()> updateButton)
{
    m_layerPanelIsAnimating = std::move(isAnimating);
    m_updateLayerPanelButton = std::move(updateButton);
}

bool RBDocumentWindow::layerPanelIsAnimating() const
{
    return m_layerPanelIsAnimating && m_layerPanelIsAnimating();
}

void RBDocumentWindow::updateLayerPanelButton() const
{
    if (m_updateLayerPanelButton)
        m_updateLayerPanelButton();
}

// ---------------------------------------------------------------- toolbar state

void RBDocumentWindow::setDevicePickerEnabled(bool enabled)
{
    m_toolbar->devicePickerItem()->setEnabled(enabled);
}

void RBDocumentWindow::setHandsEnabled(bool enabled)
{
    m_toolbar->deviceHandToolbarItem()->setEnabled(enabled);
}

void RBDocumentWindow::setOrientationEnabled(bool enabled)
{
    m_toolbar->deviceOrientationToolbarItem()->setEnabled(enabled);
}

void RBDocumentWindow::setDeviceScaleEnabled(bool enabled)
{
    m_toolbar->deviceScaleToolbarItem()->setEnabled(enabled);
    m_toolbar->deviceScalePopUpButton()->setEnabled(enabled);
}

void RBDocumentWindow::selectDeviceScaleEntry(int index)
{
    const QVariantList entries = m_deviceScalePopup->menuContents();
    if (index >= 0 && index < entries.size())
        m_deviceScalePopup->selectItem(entries.at(index).toMap());
}

// ---------------------------------------------------------------- sizing rules

namespace {
PaneSizing::Split kindOf(const RBDocumentWindow& window, const RBSplitView* split)
{
    if (split == window.splitView())
        return PaneSizing::Split::Outer;
    if (split == window.codeEditSplitView())
        return PaneSizing::Split::Inner;
    return PaneSizing::Split::Other;
}
} // namespace

double RBDocumentWindow::constrainMinCoordinate(RBSplitView* splitView, double, int)
{
    return PaneSizing::minimumPosition(kindOf(*this, splitView));
}

double RBDocumentWindow::constrainMaxCoordinate(RBSplitView* splitView, double, int)
{
    const PaneSizing::Split kind = kindOf(*this, splitView);
    if (kind == PaneSizing::Split::Inner)
        updateLayerPanelButton();
    return PaneSizing::maximumPosition(kind, splitView->width());
}

double RBDocumentWindow::constrainSplitPosition(RBSplitView* splitView, double proposed, int)
{
    const PaneSizing::Snap snap = PaneSizing::constrainSplitPosition(
        kindOf(*this, splitView), proposed, mainLeftView()->width(), layerPanelIsAnimating());
    if (snap.updateLayerPanelButton)
        updateLayerPanelButton();
    return snap.position;
}

namespace {
PaneSizing::Layout layoutOf(const RBDocumentWindow& window, const RBSplitView* split, int width)
{
    PaneSizing::Layout layout;
    layout.split = kindOf(window, split);
    layout.width = width;
    layout.firstWidth = split->firstPane()->width();
    layout.lastWidth = split->lastPane()->width();
    // What each pane holds: the views the window put there.
    auto holds = [split](QWidget* view) {
        if (!view)
            return PaneSizing::Pane::None;
        return paneOf(split, view->parentWidget());
    };
    if (layout.split == PaneSizing::Split::Inner) {
        const QWidget* left = split->firstPane();
        const QWidget* right = split->lastPane();
        layout.code = left->layout() && left->layout()->count() ? PaneSizing::Pane::First : PaneSizing::Pane::None;
        // The layer panel's pane stays in place even while no layer panel is in it.
        layout.layerPanel = right ? PaneSizing::Pane::Last : PaneSizing::Pane::None;
    } else if (layout.split == PaneSizing::Split::Outer) {
        layout.editorSide = holds(window.codeEditSplitView());
        layout.preview = split->lastPane()->layout() && split->lastPane()->layout()->count() ? PaneSizing::Pane::Last
                                                                                              : PaneSizing::Pane::None;
    }
    return layout;
}
} // namespace

bool RBDocumentWindow::shouldAdjustSizeOfSubview(RBSplitView* splitView, QWidget* pane)
{
    return PaneSizing::shouldAdjustSizeOfPane(layoutOf(*this, splitView, splitView->width()), paneOf(splitView, pane));
}

bool RBDocumentWindow::resizeSubviewsWithOldSize(RBSplitView* splitView, QSize oldSize)
{
    const PaneSizing::Layout layout = layoutOf(*this, splitView, splitView->width());
    const PaneSizing::Resize resize = PaneSizing::resizeSubviews(layout, oldSize.width(), m_centerSplitViewFloored,
                                                                 mainLeftView()->width(), layerPanelIsAnimating());
    m_centerSplitViewFloored = resize.floored;
    splitView->setPosition(resize.position);
    return true;
}

// ---------------------------------------------------------------- screen density

bool RBDocumentWindow::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::WinIdChange:
        if (!m_watchingWindowHandle && windowHandle()) {
            m_watchingWindowHandle = true;
            connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen* screen) {
                watchScreen(screen);
                checkBackingProperties();
            });
            watchScreen(windowHandle()->screen());
        }
        checkBackingProperties();
        break;
    case QEvent::ScreenChangeInternal:
        checkBackingProperties();
        break;
    default:
        break;
    }
    return handled;
}

void RBDocumentWindow::watchScreen(QScreen* screen)
{
    if (m_watchedScreen == screen)
        return;
    if (m_watchedScreen)
        disconnect(m_watchedScreen, nullptr, this, nullptr);
    m_watchedScreen = screen;
    if (!screen)
        return;
    // The density of the screen itself can change (the user's scale setting).
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, &RBDocumentWindow::checkBackingProperties);
    connect(screen, &QScreen::physicalDotsPerInchChanged, this, &RBDocumentWindow::checkBackingProperties);
}

void RBDocumentWindow::checkBackingProperties()
{
    const qreal ratio = devicePixelRatioF();
    if (qFuzzyCompare(ratio, m_devicePixelRatio))
        return;
    m_devicePixelRatio = ratio;
    windowDidChangeBackingProperties();
}

void RBDocumentWindow::windowDidChangeBackingProperties()
{
    ++m_backingChanges;
    // Toolbar items carry their image on the action, which its button follows.
    for (QAction* item : m_toolbar->actions()) {
        const QIcon image = item->icon();
        if (image.isNull())
            continue;
        item->setIcon(QIcon());
        item->setIcon(image);
    }
    QList<QAbstractButton*> buttons = m_toolbar->findChildren<QAbstractButton*>();
    if (m_imageButtons)
        buttons += m_imageButtons();
    for (QAbstractButton* button : buttons) {
        auto* toolButton = qobject_cast<QToolButton*>(button);
        if (!button || button->icon().isNull() || (toolButton && toolButton->defaultAction()))
            continue;
        const QIcon image = button->icon();
        button->setIcon(QIcon());
        button->setIcon(image);
    }
}

// ---------------------------------------------------------------- restoration

QVariantMap RBDocumentWindow::encodeRestorableState() const
{
    const QRect frame = geometry();
    return {{QStringLiteral("frame"), QVariantList{frame.x(), frame.y(), frame.width(), frame.height()}}};
}

void RBDocumentWindow::windowDidDecodeRestorableState(const QVariantMap& state)
{
    const RBDocumentServices* services = m_document ? &m_document->services() : nullptr;
    if (services && services->shouldCloseRestoredDocuments && services->shouldCloseRestoredDocuments()) {
        move(kOutOfSight, kOutOfSight);
        platform::dispatchMain(this, [this] { close(); });
        return;
    }
    restoreFrame(state.value(QStringLiteral("frame")).toList());
}

void RBDocumentWindow::restoreFrame(const QVariantList& frame)
{
    if (frame.size() != 4)
        return;
    const QRect rect(frame.at(0).toInt(), frame.at(1).toInt(), frame.at(2).toInt(), frame.at(3).toInt());
    if (rect.width() < minimumWidth() || rect.height() < minimumHeight())
        return;
    // A screen that is gone since: the window keeps the place it was given.
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(rect)) {
            setFrame(rect);
            return;
        }
}

// ---------------------------------------------------------------- key status and closing

void RBDocumentWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    const bool active = isActiveWindow();
    if (active == m_wasActive)
        return;
    m_wasActive = active;
    auto& center = platform::NotificationCenter::defaultCenter();
    if (active)
        center.post(kKeyWindowChanged);
    else
        center.post(NotificationName::HideActions());
}

void RBDocumentWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && isFullScreen()) {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void RBDocumentWindow::closeEvent(QCloseEvent* event)
{
    // Read before the document closes: it may be gone afterwards.
    const std::function<bool()> isQuitting = m_document ? m_document->services().isQuitting : nullptr;
    if (m_document && !m_document->isClosed()) {
        // The user closes the window: the document decides, asking about unsaved work.
        if (!m_document->canCloseDocument()) {
            event->ignore();
            return;
        }
        QPointer<RBDocument> document = m_document;
        event->accept();
        document->close();
    } else {
        event->accept();
    }
    // Quitting closes every window: the welcome window is not for the way out.
    if (isQuitting && isQuitting())
        return;
    RBDocumentController* controller = RBDocumentController::shared();
    if (controller && controller->documents().isEmpty() && welcomeWindowShouldShowOnStartup())
        controller->showWelcomeWindow();
}
