#include "preview/RBDocsWindowController.h"

#include "platform/Bundle.h"
#include "platform/Log.h"
#include "preview/KVDocsSearchField.h"
#include "webview/RBWebViewController.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVariantMap>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace {
const QString kDomain = QStringLiteral("RBDocsWindowController");
RBDocsWindowController* g_shared = nullptr;

enum FindTag { kFind = 1, kFindNext = 2, kFindPrevious = 3 };

// The page's zoom steps for Larger and Smaller.
constexpr double kZoomSteps[] = {0.5, 0.67, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0};
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
QToolButton* RBDocsWindowController::backButton() const { return m_back.data(); }

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
    m_back = new QToolButton;
    m_back->setObjectName(QStringLiteral("docsBack"));
    m_back->setIcon(window->style()->standardIcon(QStyle::SP_ArrowBack));
    m_back->setToolTip(QStringLiteral("Back (Alt+Left)"));
    connect(m_back, &QToolButton::clicked, this, [this] { goBack(); });
    m_searchField = new KVDocsSearchField;
    m_searchField->setMaximumWidth(280);
    m_searchField->setMinimumWidth(180);
    layout->addWidget(m_back);
    layout->addSpacing(8);
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

    // The find commands. The application's menus carry their keys and send them here while this
    // window is in front: keys of the window's own on the same shortcuts would make both ambiguous.
    const auto makeFind = [this, window](const QString& title, int tag) {
        auto* action = new QAction(title, window);
        action->setData(tag);
        connect(action, &QAction::triggered, this, [this, tag] { performFindPanelAction(tag); });
        return action;
    };
    m_find = makeFind(QStringLiteral("&Find…"), kFind);
    m_findNext = makeFind(QStringLiteral("Find &Next"), kFindNext);
    m_findPrevious = makeFind(QStringLiteral("Find &Previous"), kFindPrevious);
    updateFindItems();
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { cancelOperation(); });
    // Back after a jump within the page (the sidebar, a link to a type), with the usual keys.
    auto* back = new QShortcut(QKeySequence::Back, window);
    back->setContext(Qt::WindowShortcut);
    connect(back, &QShortcut::activated, this, [this] { goBack(); });
    if (webView) {
        connect(webView, &QWebEngineView::urlChanged, this, [this] { updateBackButton(); });
        connect(webView, &QWebEngineView::loadFinished, this, [this] { updateBackButton(); });
    }
    updateBackButton();

    QPointer<RBDocsWindowController> self(this);
    m_webViewController->setBridgeHandler([self](const QString& method, const QVariant& arguments) {
        if (self)
            self->handleBridgeMethod(method, arguments);
    });
    window->hide();
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
    // The entry asked for, not the hits of an earlier search around it.
    if (m_searchField)
        m_searchField->clear();
    newSearch(QString());
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
    Q_EMIT findItemsChanged();
}

bool RBDocsWindowController::canGoBack() const
{
    QWebEngineView* view = m_webViewController ? m_webViewController->webView() : nullptr;
    return view && view->history()->canGoBack();
}

void RBDocsWindowController::goBack()
{
    if (canGoBack())
        m_webViewController->webView()->back();
}

void RBDocsWindowController::updateBackButton()
{
    if (m_back)
        m_back->setEnabled(canGoBack());
}

double RBDocsWindowController::zoomFactor() const
{
    QWebEngineView* view = m_webViewController ? m_webViewController->webView() : nullptr;
    return view ? view->zoomFactor() : 1.0;
}

void RBDocsWindowController::zoomBy(int steps)
{
    QWebEngineView* view = m_webViewController ? m_webViewController->webView() : nullptr;
    if (!view)
        return;
    const double current = view->zoomFactor();
    double next = current;
    if (steps > 0) {
        for (double step : kZoomSteps)
            if (step > current + 0.001) {
                next = step;
                break;
            }
    } else if (steps < 0) {
        for (double step : kZoomSteps)
            if (step < current - 0.001)
                next = step;
    } else {
        next = 1.0;
    }
    view->setZoomFactor(next);
}

void RBDocsWindowController::menuLarger() { zoomBy(1); }
void RBDocsWindowController::menuSmaller() { zoomBy(-1); }
void RBDocsWindowController::menuReset() { zoomBy(0); }

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
