#include "preview/RBDocsWindowController.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "preview/KVDocsSearchField.h"
#include "webview/RBWebViewController.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QVariantMap>
#include <QWebEngineView>

namespace {
const QString kDomain = QStringLiteral("RBDocsWindowController");
RBDocsWindowController* g_shared = nullptr;

enum FindTag { kFind = 1, kFindNext = 2, kFindPrevious = 3 };

// Shows the window's find items once its menu bar is in place.
class FindMenuInstaller : public QObject {
public:
    FindMenuInstaller(QObject* parent, std::function<void()> install)
        : QObject(parent)
        , m_install(std::move(install))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            m_install();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_install;
};
} // namespace

RBDocsWindowController& RBDocsWindowController::sharedInstance()
{
    if (!g_shared) {
        g_shared = new RBDocsWindowController;
        // It lives as long as the application, but its web view must be gone before the web
        // engine is: when the application quits, or else first thing as it is destroyed.
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, g_shared, [] { delete g_shared; });
        qAddPostRoutine([] { delete g_shared; });
    }
    return *g_shared;
}

bool RBDocsWindowController::exists()
{
    return g_shared != nullptr;
}

RBDocsWindowController::RBDocsWindowController()
{
    buildWindow();
}

RBDocsWindowController::~RBDocsWindowController()
{
    if (g_shared == this)
        g_shared = nullptr;
    if (m_webViewController)
        m_webViewController->cleanup();
    delete m_window.data();
}

QMainWindow* RBDocsWindowController::window() const { return m_window.data(); }
KVDocsSearchField* RBDocsWindowController::searchField() const { return m_searchField.data(); }
QToolButton* RBDocsWindowController::previousButton() const { return m_previous.data(); }
QToolButton* RBDocsWindowController::nextButton() const { return m_next.data(); }

void RBDocsWindowController::buildWindow()
{
    auto* window = new QMainWindow;
    window->setObjectName(QStringLiteral("docsWindow"));
    window->setWindowTitle(QStringLiteral("Zelvor Studio Documentation"));
    window->resize(980, 720);
    m_window = window;

    m_webViewController = std::make_unique<RBWebViewController>();
    m_webViewController->setOpenLinksInSystemBrowser(true);
    QWebEngineView* webView = m_webViewController->webView();
    if (webView) {
        webView->page()->setBackgroundColor(Qt::white);
        window->setCentralWidget(webView);
    }
    const QString page = platform::Bundle::main().pathForResource(QStringLiteral("native"), QStringLiteral("html"),
                                                                  QStringLiteral("ZelvorDocs"));
    if (page.isEmpty())
        platform::Log::error(kDomain, QStringLiteral("the documentation page is missing from the resources"));
    else
        m_webViewController->loadFile(page);

    // The toolbar: previous and next beside the search field.
    auto* toolbar = window->addToolBar(QStringLiteral("Search"));
    toolbar->setObjectName(QStringLiteral("docsToolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setEnabled(false);
    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(0);
    m_previous = new QToolButton;
    m_previous->setObjectName(QStringLiteral("docsPrevious"));
    m_previous->setArrowType(Qt::LeftArrow);
    m_previous->setToolTip(QStringLiteral("Previous match (Ctrl+Shift+G)"));
    m_next = new QToolButton;
    m_next->setObjectName(QStringLiteral("docsNext"));
    m_next->setArrowType(Qt::RightArrow);
    m_next->setToolTip(QStringLiteral("Next match (Ctrl+G)"));
    m_searchField = new KVDocsSearchField;
    m_searchField->setMaximumWidth(280);
    m_searchField->setMinimumWidth(180);
    layout->addWidget(m_previous);
    layout->addWidget(m_next);
    layout->addStretch(1);
    layout->addWidget(m_searchField);
    toolbar->addWidget(bar);

    connect(m_searchField, &KVDocsSearchField::searchRequested, this,
            [this](const QString& term, bool backwards) { newSearch(term, backwards); });
    connect(m_searchField, &KVDocsSearchField::nextRequested, this, [this] { nextSearchResult(); });
    connect(m_searchField, &KVDocsSearchField::previousRequested, this, [this] { previousSearchResult(); });
    connect(m_searchField, &KVDocsSearchField::closeRequested, this, [this] { cancelOperation(); });
    connect(m_previous, &QToolButton::clicked, this, [this] { previousOrNextPressed(0); });
    connect(m_next, &QToolButton::clicked, this, [this] { previousOrNextPressed(1); });
    setEnabled(false, 2);

    // The find items, with the usual keys of both desktops' conventions.
    const auto makeFind = [this, window](const QString& title, const QList<QKeySequence>& keys, int tag) {
        auto* action = new QAction(title, window);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setData(tag);
        connect(action, &QAction::triggered, this, [this, tag] { performFindPanelAction(tag); });
        window->addAction(action);
        return action;
    };
    m_find = makeFind(QStringLiteral("&Find…"), {QKeySequence::Find}, kFind);
    m_findNext = makeFind(QStringLiteral("Find &Next"), {QKeySequence(QStringLiteral("Ctrl+G")), QKeySequence(Qt::Key_F3)}, kFindNext);
    m_findPrevious = makeFind(QStringLiteral("Find &Previous"),
                              {QKeySequence(QStringLiteral("Ctrl+Shift+G")), QKeySequence(QStringLiteral("Shift+F3"))},
                              kFindPrevious);
    updateFindItems();
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { cancelOperation(); });
    window->installEventFilter(new FindMenuInstaller(this, [this] { installFindMenu(); }));

    QPointer<RBDocsWindowController> self(this);
    m_webViewController->setBridgeHandler([self](const QString& method, const QVariant& arguments) {
        if (self)
            self->handleBridgeMethod(method, arguments);
    });
    window->hide();
}

void RBDocsWindowController::installFindMenu()
{
    // The application's menus are installed as a window first shows; the find items join its
    // Edit menu (or a menu of their own when the window has none).
    if (m_findMenuInstalled || !m_window)
        return;
    m_findMenuInstalled = true;
    QMenu* menu = nullptr;
    if (QMenuBar* bar = m_window->menuBar()) {
        for (QAction* item : bar->actions())
            if (item->menu() && item->text().remove(QLatin1Char('&')) == QLatin1String("Edit"))
                menu = item->menu();
        if (menu) {
            menu = menu->addMenu(QStringLiteral("&Find"));
        } else {
            menu = bar->addMenu(QStringLiteral("&Find"));
        }
    }
    if (!menu)
        return;
    menu->setObjectName(QStringLiteral("docsFindMenu"));
    menu->addAction(m_find);
    menu->addAction(m_findNext);
    menu->addAction(m_findPrevious);
}

void RBDocsWindowController::showWindow()
{
    if (!m_window)
        return;
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    if (m_searchField)
        m_searchField->setFocus(Qt::OtherFocusReason);
}

void RBDocsWindowController::sendAnchor(const QString& anchor)
{
    if (m_webViewController)
        m_webViewController->sendBridgeMethod(QStringLiteral("anchor"), QVariantMap{{QStringLiteral("anchor"), anchor}});
}

void RBDocsWindowController::showInfoForAnchor(const QString& anchor)
{
    showWindow();
    if (!m_webViewController)
        return;
    if (m_webViewController->isDocumentReady()) {
        sendAnchor(anchor);
        return;
    }
    // Replaces any earlier request: only the latest anchor is shown.
    QPointer<RBDocsWindowController> self(this);
    m_webViewController->setDocumentReadyHandler([self, anchor](const QVariantMap&) {
        if (self)
            self->sendAnchor(anchor);
    });
}

bool RBDocsWindowController::nextSearchResult()
{
    if (!m_searchActive)
        return false;
    m_webViewController->sendBridgeMethod(QStringLiteral("next"));
    return true;
}

bool RBDocsWindowController::previousSearchResult()
{
    if (!m_searchActive)
        return false;
    m_webViewController->sendBridgeMethod(QStringLiteral("previous"));
    return true;
}

void RBDocsWindowController::newSearch(const QString& term, bool backwards)
{
    if (!term.isEmpty() && term == m_currentSearch) {
        if (m_searchActive) {
            if (backwards)
                previousSearchResult();
            else
                nextSearchResult();
        }
        return;
    }
    if (!term.isEmpty()) {
        m_currentSearch = term;
        m_searchActive = false;
        m_webViewController->sendBridgeMethod(QStringLiteral("search"), QVariantMap{{QStringLiteral("search"), term}});
        setEnabled(false, 2);
        updateFindItems();
        return;
    }
    if (m_currentSearch.isEmpty())
        return;
    m_currentSearch.clear();
    m_searchActive = false;
    setEnabled(false, 2);
    updateFindItems();
    m_webViewController->sendBridgeMethod(QStringLiteral("clear"));
}

void RBDocsWindowController::previousOrNextPressed(int segment)
{
    if (segment == 1)
        nextSearchResult();
    else if (segment == 0)
        previousSearchResult();
}

void RBDocsWindowController::performFindPanelAction(int tag)
{
    switch (tag) {
    case kFind:
        showWindow();
        if (m_searchField)
            m_searchField->selectAll();
        break;
    case kFindNext:
        nextSearchResult();
        break;
    case kFindPrevious:
        previousSearchResult();
        break;
    default:
        break;
    }
}

bool RBDocsWindowController::validateFindItem(int tag) const
{
    if (tag == kFind)
        return true;
    if (tag == kFindNext || tag == kFindPrevious)
        return m_searchActive;
    return false;
}

QAction* RBDocsWindowController::findAction(int tag) const
{
    switch (tag) {
    case kFind:
        return m_find;
    case kFindNext:
        return m_findNext;
    case kFindPrevious:
        return m_findPrevious;
    default:
        return nullptr;
    }
}

void RBDocsWindowController::updateFindItems()
{
    for (int tag : {kFind, kFindNext, kFindPrevious})
        if (QAction* item = findAction(tag))
            item->setEnabled(validateFindItem(tag));
}

void RBDocsWindowController::toolbarDocs()
{
    if (m_window)
        m_window->close();
}

void RBDocsWindowController::cancelOperation()
{
    if (m_window)
        m_window->close();
}

void RBDocsWindowController::setEnabled(bool enabled, int item)
{
    if ((item == 0 || item == 2) && m_previous)
        m_previous->setEnabled(enabled);
    if ((item == 1 || item == 2) && m_next)
        m_next->setEnabled(enabled);
}

void RBDocsWindowController::handleBridgeMethod(const QString& method, const QVariant& arguments)
{
    platform::Log::write(kDomain, platform::Log::Debug,
                         QStringLiteral("bridge string: %1 and data: %2").arg(method, arguments.toString()));
    if (method != QLatin1String("search") || arguments.typeId() != QMetaType::QVariantMap)
        return;
    const QVariant term = arguments.toMap().value(QStringLiteral("search"));
    if (term.typeId() != QMetaType::QString || m_currentSearch.isEmpty() || term.toString() != m_currentSearch)
        return;
    m_searchActive = true;
    setEnabled(true, 2);
    updateFindItems();
}
