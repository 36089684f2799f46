#include "app/RBMainMenu.h"

#include "app/RBApplication.h"
#include "app/UpdateChecker.h"
#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "CodeTextView/KVFindBar.h"
#include "document/RBDocument.h"
#include "document/RBDocumentController.h"
#include "editor/RBCodeEditViewController.h"
#include "platform/gui/Document.h"
#include "preview/RBDocsWindowController.h"
#include "preview/RBServerLogWindowController.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QWebEnginePage>
#include <QWindow>
#include <QWebEngineView>
#include <QWidget>

namespace {

bool answers(QObject* object, const char* signature)
{
    return object->metaObject()->indexOfMethod(signature) >= 0;
}

// The documentation window while it is the active window: the find and zoom commands go to it
// and the project's commands do not apply.
RBDocsWindowController* activeDocs()
{
    if (!RBDocsWindowController::exists())
        return nullptr;
    RBDocsWindowController& docs = RBDocsWindowController::sharedInstance();
    QWidget* active = QApplication::activeWindow();
    return active && active == docs.window() ? &docs : nullptr;
}

// Edit commands go to the widget with the keyboard focus, when it has them; a web page (the
// documentation, the preview) takes them as its own editing actions.
void sendToFocus(const char* slot, QWebEnginePage::WebAction pageAction)
{
    for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
        if (auto* web = qobject_cast<QWebEngineView*>(widget)) {
            web->page()->triggerAction(pageAction);
            return;
        }
    }
    if (QWidget* focus = QApplication::focusWidget())
        if (answers(focus, (QByteArray(slot) + "()").constData()))
            QMetaObject::invokeMethod(focus, slot);
}

// The editor of the project whose window is active.
RBCodeEditViewController* activeEditor(RBApplication& app)
{
    auto* document = qobject_cast<RBDocument*>(app.currentDocument());
    return document ? dynamic_cast<RBCodeEditViewController*>(document->editor()) : nullptr;
}

// The find bar of the code the user works in: around the focus, else in the active window.
KVFindBar* activeFindBar()
{
    for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget())
        if (auto* view = qobject_cast<KVCodeView*>(widget))
            return view->findBar();
    if (QWidget* window = QApplication::activeWindow())
        if (auto* view = window->findChild<KVCodeView*>())
            return view->findBar();
    return nullptr;
}

// Find Next and Previous search for what the find field holds; with nothing to search for they
// open the bar instead.
void findAgain(bool forward)
{
    KVFindBar* bar = activeFindBar();
    if (!bar)
        return;
    if (bar->findString().isEmpty())
        bar->showFind(false);
    else if (forward)
        bar->findNext();
    else
        bar->findPrevious();
}

// A View command goes, as along a responder chain, to the nearest widget from the keyboard
// focus outwards that answers it (the code view zooms its font), else to the preview of the
// active window.
void sendToResponder(const char* command)
{
    const QByteArray signature = QByteArray(command) + "()";
    for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
        if (answers(widget, signature.constData())) {
            QMetaObject::invokeMethod(widget, command);
            return;
        }
    }
    QWidget* window = QApplication::activeWindow();
    if (!window)
        return;
    QList<QWidget*> candidates{window};
    candidates += window->findChildren<QWidget*>();
    for (QWidget* widget : candidates) {
        if (answers(widget, "reloadPreview()") && answers(widget, signature.constData())) {
            QMetaObject::invokeMethod(widget, command);
            return;
        }
    }
}

bool isMenuWindow(QWidget* window)
{
    if (!window || !window->isWindow())
        return false;
    // Dialogs and message boxes keep their own keys.
    return window->windowType() == Qt::Window;
}

const char* kMenusInstalled = "zelvorMenusInstalled";
// Commands of the application rather than of a window: no window's rule disables them.
const QStringList kApplicationCommands = {
    QStringLiteral("newDocument"),     QStringLiteral("openDocument"),      QStringLiteral("terminate"),
    QStringLiteral("preferences"),     QStringLiteral("showWelcomeWindow"), QStringLiteral("showServerLog"),
    QStringLiteral("showHelpZelvor"),  QStringLiteral("showHelpZelvorApi"), QStringLiteral("showHelpCoffeeScript"),
    QStringLiteral("showEmailSignup"), QStringLiteral("showPluginsPath"),   QStringLiteral("checkForUpdates"),
    QStringLiteral("sendFeedback"),    QStringLiteral("about")};
const QString kNoWebsite = QStringLiteral("This build names no web site for its help pages.");

} // namespace

RBMainMenu::RBMainMenu(RBApplication& application, QObject* parent)
    : QObject(parent)
    , m_application(application)
{
    buildActions();
    m_editTemplate = buildEditMenu(nullptr);
    // The keys of commands that do not apply in the window in front do nothing there.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &RBMainMenu::updateForActiveWindow, Qt::QueuedConnection);
}

RBMainMenu::~RBMainMenu()
{
    delete m_editTemplate;
}

QAction* RBMainMenu::add(const QString& name, const QString& title, const QKeySequence& shortcut, std::function<void()> run)
{
    auto* action = new QAction(title, this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, name, run = std::move(run)] {
        if (validate(name))
            run();
    });
    m_actions[name] = action;
    return action;
}

bool RBMainMenu::validate(const QString& name) const
{
    if (kApplicationCommands.contains(name))
        return true;
    QWidget* window = QApplication::activeWindow();
    if (!window || !answers(window, "validateMenuItem(QString)"))
        return true;
    bool valid = true;
    QMetaObject::invokeMethod(window, "validateMenuItem", Q_RETURN_ARG(bool, valid), Q_ARG(QString, name + QLatin1Char(':')));
    return valid;
}

QAction* RBMainMenu::action(const QString& name) const
{
    const auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

void RBMainMenu::buildActions()
{
    RBApplication& app = m_application;
    // File
    add(QStringLiteral("newDocument"), QStringLiteral("&New Project"), QKeySequence::New, [&app] { app.newDocument(); });
    add(QStringLiteral("openDocument"), QStringLiteral("&Open…"), QKeySequence::Open, [&app] { app.openDocument(); });
    add(QStringLiteral("saveDocument"), QStringLiteral("&Save"), QKeySequence::Save, [&app] {
        if (platform::Document* document = app.currentDocument())
            document->saveDocument();
    });
    add(QStringLiteral("saveDocumentAs"), QStringLiteral("Save &As…"), QKeySequence(QStringLiteral("Ctrl+Shift+S")), [&app] {
        if (platform::Document* document = app.currentDocument())
            document->saveDocumentAs();
    });
    add(QStringLiteral("toolbarImport"), QStringLiteral("&Import…"), QKeySequence(QStringLiteral("Ctrl+Shift+I")), [&app] {
        if (auto* document = qobject_cast<RBDocument*>(app.currentDocument()))
            document->toolbarImport();
    });
    add(QStringLiteral("toolbarImportAgain"), QStringLiteral("Import A&gain"), QKeySequence(QStringLiteral("Ctrl+Alt+I")), [&app] {
        if (auto* document = qobject_cast<RBDocument*>(app.currentDocument()))
            document->toolbarImportAgain();
    });
    add(QStringLiteral("performClose"), QStringLiteral("&Close Window"), QKeySequence(QStringLiteral("Ctrl+W")), [] {
        if (QWidget* window = QApplication::activeWindow())
            window->close();
    });
    add(QStringLiteral("terminate"), QStringLiteral("&Quit"), QKeySequence(QStringLiteral("Ctrl+Q")), [&app] { app.terminate(); })
        ->setMenuRole(QAction::QuitRole);
    // Edit
    add(QStringLiteral("undo"), QStringLiteral("&Undo"), QKeySequence::Undo, [] { sendToFocus("undo", QWebEnginePage::Undo); });
    add(QStringLiteral("redo"), QStringLiteral("&Redo"), QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
        [] { sendToFocus("redo", QWebEnginePage::Redo); });
    add(QStringLiteral("cut"), QStringLiteral("Cu&t"), QKeySequence::Cut, [] { sendToFocus("cut", QWebEnginePage::Cut); });
    add(QStringLiteral("copy"), QStringLiteral("&Copy"), QKeySequence::Copy, [] { sendToFocus("copy", QWebEnginePage::Copy); });
    add(QStringLiteral("copyAsRichText"), QStringLiteral("Copy as Rich Te&xt"), QKeySequence(QStringLiteral("Ctrl+Shift+C")),
        [&app] {
            if (RBCodeEditViewController* editor = activeEditor(app))
                editor->copyToPasteBoard();
        });
    add(QStringLiteral("paste"), QStringLiteral("&Paste"), QKeySequence::Paste, [] { sendToFocus("paste", QWebEnginePage::Paste); });
    add(QStringLiteral("selectAll"), QStringLiteral("Select &All"), QKeySequence::SelectAll,
        [] { sendToFocus("selectAll", QWebEnginePage::SelectAll); });
    add(QStringLiteral("showCompletions"), QStringLiteral("Show C&ompletions"), QKeySequence(QStringLiteral("Ctrl+Space")), [] {
        if (auto* code = qobject_cast<KVCodeTextView*>(QApplication::focusWidget()))
            code->showCompletions();
    });
    add(QStringLiteral("commentSelection"), QStringLiteral("Co&mment Selection"), QKeySequence(QStringLiteral("Ctrl+/")),
        [] { sendToFocus("commentSelection", QWebEnginePage::NoWebAction); });
    add(QStringLiteral("shiftLeft"), QStringLiteral("Shift &Left"), QKeySequence(QStringLiteral("Ctrl+[")),
        [] { sendToFocus("shiftLeft", QWebEnginePage::NoWebAction); });
    add(QStringLiteral("shiftRight"), QStringLiteral("Shift Ri&ght"), QKeySequence(QStringLiteral("Ctrl+]")),
        [] { sendToFocus("shiftRight", QWebEnginePage::NoWebAction); });
    // One set of find commands: the documentation window's search while it is in front, else the
    // find bar of the code.
    add(QStringLiteral("performFindPanelAction"), QStringLiteral("&Find…"), QKeySequence::Find, [] {
        if (RBDocsWindowController* docs = activeDocs())
            docs->performFindPanelAction(1);
        else if (KVFindBar* bar = activeFindBar())
            bar->showFind(false);
    });
    add(QStringLiteral("findNext"), QStringLiteral("Find &Next"), QKeySequence(), [] {
        if (RBDocsWindowController* docs = activeDocs())
            docs->performFindPanelAction(2);
        else
            findAgain(true);
    })->setShortcuts({QKeySequence(Qt::Key_F3), QKeySequence(QStringLiteral("Ctrl+G"))});
    add(QStringLiteral("findPrevious"), QStringLiteral("Find Pre&vious"), QKeySequence(), [] {
        if (RBDocsWindowController* docs = activeDocs())
            docs->performFindPanelAction(3);
        else
            findAgain(false);
    })->setShortcuts({QKeySequence(QStringLiteral("Shift+F3")), QKeySequence(QStringLiteral("Ctrl+Shift+G"))});
    add(QStringLiteral("useSelectionForFind"), QStringLiteral("Use Selection for Fin&d"), QKeySequence(QStringLiteral("Ctrl+E")), [] {
        if (KVFindBar* bar = activeFindBar())
            bar->useSelectionForFind();
    });
    add(QStringLiteral("findAndReplace"), QStringLiteral("Find and &Replace…"), QKeySequence(QStringLiteral("Ctrl+H")), [] {
        if (KVFindBar* bar = activeFindBar())
            bar->showFind(true);
    });
    add(QStringLiteral("preferences"), QStringLiteral("Pr&eferences…"), QKeySequence(QStringLiteral("Ctrl+,")),
        [&app] { app.showPreferences(); })
        ->setMenuRole(QAction::PreferencesRole);
    // View
    add(QStringLiteral("toggleFullScreen"), QStringLiteral("&Full Screen"), QKeySequence(QStringLiteral("F11")), [] {
        if (QWidget* window = QApplication::activeWindow())
            window->setWindowState(window->windowState() ^ Qt::WindowFullScreen);
    });
    add(QStringLiteral("menuLarger"), QStringLiteral("&Larger"), QKeySequence::ZoomIn, [] {
        if (RBDocsWindowController* docs = activeDocs())
            docs->menuLarger();
        else
            sendToResponder("menuLarger");
    })->setShortcuts({QKeySequence::ZoomIn, QKeySequence(QStringLiteral("Ctrl+="))});
    add(QStringLiteral("menuSmaller"), QStringLiteral("&Smaller"), QKeySequence::ZoomOut, [] {
        if (RBDocsWindowController* docs = activeDocs())
            docs->menuSmaller();
        else
            sendToResponder("menuSmaller");
    });
    add(QStringLiteral("menuReset"), QStringLiteral("&Actual Size"), QKeySequence(QStringLiteral("Ctrl+0")), [] {
        if (RBDocsWindowController* docs = activeDocs())
            docs->menuReset();
        else
            sendToResponder("menuReset");
    });
    add(QStringLiteral("menuFit"), QStringLiteral("&Fit Preview"), QKeySequence(QStringLiteral("Ctrl+9")),
        [] { sendToResponder("menuFit"); });
    add(QStringLiteral("reloadPreview"), QStringLiteral("&Reload Preview"), QKeySequence(QStringLiteral("Ctrl+R")),
        [] { sendToResponder("reloadPreview"); });
    // Project
    add(QStringLiteral("updateZelvorLibrary"), QStringLiteral("&Update Zelvor Library"), QKeySequence(), [&app] {
        if (auto* document = qobject_cast<RBDocument*>(app.currentDocument()))
            document->updateZelvorLibrary();
    });
    // Window
    add(QStringLiteral("performMiniaturize"), QStringLiteral("&Minimize"), QKeySequence(QStringLiteral("Ctrl+M")), [] {
        if (QWidget* window = QApplication::activeWindow())
            window->showMinimized();
    });
    add(QStringLiteral("showWelcomeWindow"), QStringLiteral("&Welcome to Zelvor Studio"),
        QKeySequence(QStringLiteral("Ctrl+Shift+1")), [&app] { app.showWelcomeWindow(); });
    add(QStringLiteral("showServerLog"), QStringLiteral("Preview Server &Log"), QKeySequence(),
        [] { RBServerLogWindowController::sharedInstance().showWindow(); });
    // Help
    add(QStringLiteral("showHelpZelvor"), QStringLiteral("Zelvor Studio &Help"), QKeySequence::HelpContents,
        [&app] { app.showHelpZelvor(); });
    // The documentation command: shows the documentation window, or closes it while it is in front.
    add(QStringLiteral("toolbarDocs"), QStringLiteral("Library &Documentation"), QKeySequence(QStringLiteral("Shift+F1")), [] {
        // A window with a documentation command of its own (the welcome window) answers it.
        if (QWidget* window = QApplication::activeWindow(); window && answers(window, "toolbarDocs()")) {
            QMetaObject::invokeMethod(window, "toolbarDocs");
            return;
        }
        RBDocsWindowController& docs = RBDocsWindowController::sharedInstance();
        if (docs.window() && docs.window()->isActiveWindow())
            docs.toolbarDocs();
        else
            docs.showWindow();
    });
    add(QStringLiteral("showHelpZelvorApi"), QStringLiteral("&API Documentation"), QKeySequence(),
        [&app] { app.showHelpZelvorApi(); });
    add(QStringLiteral("showHelpCoffeeScript"), QStringLiteral("Learn &CoffeeScript"), QKeySequence(),
        [&app] { app.showHelpCoffeeScript(); });
    add(QStringLiteral("showEmailSignup"), QStringLiteral("Sign Up for the &Newsletter…"), QKeySequence(),
        [&app] { app.showEmailSignup(); });
    add(QStringLiteral("showPluginsPath"), QStringLiteral("Show &Plugins Folder"), QKeySequence(),
        [&app] { app.showPluginsPath(); });
    add(QStringLiteral("sendFeedback"), QStringLiteral("Send &Feedback\u2026"), QKeySequence(), [&app] { app.sendFeedback(); });
    add(QStringLiteral("checkForUpdates"), QStringLiteral("Check for Updates…"), QKeySequence(), [&app] {
        if (UpdateChecker* checker = app.updateChecker())
            checker->checkForUpdates();
    });
    add(QStringLiteral("about"), QStringLiteral("&About Zelvor Studio"), QKeySequence(),
        [&app] { app.orderFrontStandardAboutPanel(); })
        ->setMenuRole(QAction::AboutRole);

    if (RBApplication::websitePage(QString()).isEmpty()) {
        for (const char* name : {"showHelpZelvor", "showHelpZelvorApi", "showEmailSignup"}) {
            QAction* item = action(QLatin1String(name));
            item->setEnabled(false);
            item->setToolTip(kNoWebsite);
        }
    }
    if (app.feedbackAddress().isEmpty()) {
        QAction* item = action(QStringLiteral("sendFeedback"));
        item->setEnabled(false);
        item->setToolTip(QStringLiteral("This build names no address for feedback."));
    }
    // Menu shortcuts of a window work even while another of its widgets has the focus.
    for (auto& [name, item] : m_actions)
        item->setShortcutContext(Qt::WindowShortcut);
}

void RBMainMenu::updateForActiveWindow()
{
    RBDocsWindowController* docs = activeDocs();
    if (docs && !m_docsWatched) {
        m_docsWatched = true;
        connect(docs, &RBDocsWindowController::findItemsChanged, this, &RBMainMenu::updateForActiveWindow);
    }
    const bool inDocs = docs != nullptr;
    // The documentation window has no project and no preview: it keeps only the commands it
    // answers (its search, its zoom, the editing of its field and page, the windows).
    for (const char* name : {"saveDocument", "saveDocumentAs", "toolbarImport", "toolbarImportAgain", "reloadPreview",
                             "menuFit", "updateZelvorLibrary", "useSelectionForFind", "findAndReplace"})
        action(QLatin1String(name))->setEnabled(!inDocs);
    action(QStringLiteral("findNext"))->setEnabled(!inDocs || docs->validateFindItem(2));
    action(QStringLiteral("findPrevious"))->setEnabled(!inDocs || docs->validateFindItem(3));
}

void RBMainMenu::setUpdatesAvailable(bool available)
{
    QAction* item = action(QStringLiteral("checkForUpdates"));
    if (available) {
        item->setText(QStringLiteral("Check for Updates…"));
        item->setEnabled(true);
        item->setToolTip(QString());
    } else {
        item->setText(QStringLiteral("Updates Come from the Package That Installed Zelvor Studio"));
        item->setEnabled(false);
        item->setToolTip(QStringLiteral("Update Zelvor Studio with the package manager that installed it."));
    }
}

QMenu* RBMainMenu::buildFileMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("&File"), parent);
    menu->addAction(action(QStringLiteral("newDocument")));
    menu->addAction(action(QStringLiteral("openDocument")));
    QMenu* recent = menu->addMenu(QStringLiteral("Open &Recent"));
    recent->setObjectName(QStringLiteral("openRecent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(recent); });
    fillRecentMenu(recent);
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("saveDocument")));
    menu->addAction(action(QStringLiteral("saveDocumentAs")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("toolbarImport")));
    menu->addAction(action(QStringLiteral("toolbarImportAgain")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("performClose")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("terminate")));
    connect(menu, &QMenu::aboutToShow, this, [this] {
        const bool inDocs = activeDocs() != nullptr;
        const bool hasDocument = m_application.currentDocument() != nullptr && !inDocs;
        action(QStringLiteral("saveDocument"))->setEnabled(hasDocument);
        action(QStringLiteral("saveDocumentAs"))->setEnabled(hasDocument);
        const bool hasProject = qobject_cast<RBDocument*>(m_application.currentDocument()) != nullptr && !inDocs;
        action(QStringLiteral("toolbarImport"))->setEnabled(hasProject);
        action(QStringLiteral("toolbarImportAgain"))->setEnabled(hasProject);
    });
    return menu;
}

void RBMainMenu::fillRecentMenu(QMenu* menu)
{
    menu->clear();
    const QStringList recent = m_application.documentController().recentDocumentURLs();
    for (const QString& path : recent) {
        QAction* item = menu->addAction(QFileInfo(path).fileName());
        item->setToolTip(path);
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, path] { m_application.openRecentDocument(path); });
    }
    if (!recent.isEmpty())
        menu->addSeparator();
    QAction* clear = menu->addAction(QStringLiteral("Clear Menu"));
    clear->setEnabled(!recent.isEmpty());
    connect(clear, &QAction::triggered, this, [this] { m_application.documentController().clearRecentDocuments(); });
}

QMenu* RBMainMenu::buildEditMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("&Edit"), parent);
    if (m_editTemplate) {
        // Every window's Edit menu is a copy of the (tidied) template.
        for (QAction* item : m_editTemplate->actions())
            menu->addAction(item);
        return menu;
    }
    menu->addAction(action(QStringLiteral("undo")));
    menu->addAction(action(QStringLiteral("redo")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("cut")));
    menu->addAction(action(QStringLiteral("copy")));
    menu->addAction(action(QStringLiteral("copyAsRichText")));
    menu->addAction(action(QStringLiteral("paste")));
    menu->addAction(action(QStringLiteral("selectAll")));
    menu->addAction(action(QStringLiteral("showCompletions")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("commentSelection")));
    menu->addAction(action(QStringLiteral("shiftLeft")));
    menu->addAction(action(QStringLiteral("shiftRight")));
    menu->addSeparator();
    QMenu* find = menu->addMenu(QStringLiteral("&Find"));
    find->setObjectName(QStringLiteral("findMenu"));
    for (const char* name : {"performFindPanelAction", "findNext", "findPrevious", "useSelectionForFind", "findAndReplace"})
        find->addAction(action(QString::fromLatin1(name)));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("preferences")));
    return menu;
}

QMenu* RBMainMenu::buildViewMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("&View"), parent);
    menu->addAction(action(QStringLiteral("menuLarger")));
    menu->addAction(action(QStringLiteral("menuSmaller")));
    menu->addAction(action(QStringLiteral("menuReset")));
    menu->addAction(action(QStringLiteral("menuFit")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("reloadPreview")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("toggleFullScreen")));
    return menu;
}

QMenu* RBMainMenu::buildProjectMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("&Project"), parent);
    menu->setObjectName(QStringLiteral("projectMenu"));
    menu->setToolTipsVisible(true);
    QAction* update = action(QStringLiteral("updateZelvorLibrary"));
    update->setToolTip(QStringLiteral("Brings the project's copy of the Zelvor library up to date, keeping each file it "
                                      "replaces beside the new one as an \u201C.old\u201D copy."));
    menu->addAction(update);
    connect(menu, &QMenu::aboutToShow, this, [this] {
        action(QStringLiteral("updateZelvorLibrary"))
            ->setEnabled(qobject_cast<RBDocument*>(m_application.currentDocument()) != nullptr && !activeDocs());
    });
    return menu;
}

QMenu* RBMainMenu::buildWindowMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("&Window"), parent);
    menu->addAction(action(QStringLiteral("performMiniaturize")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("showWelcomeWindow")));
    menu->addAction(action(QStringLiteral("showServerLog")));
    QAction* listStart = menu->addSeparator();
    connect(menu, &QMenu::aboutToShow, this, [this, menu, listStart] { fillWindowList(menu, listStart); });
    return menu;
}

void RBMainMenu::fillWindowList(QMenu* menu, QAction* listStart)
{
    // The open projects, after the separator.
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = items.indexOf(listStart) + 1; i < items.size(); ++i) {
        menu->removeAction(items[i]);
        items[i]->deleteLater();
    }
    for (platform::Document* document : m_application.documentController().documents()) {
        QWidget* window = document->window();
        if (!window)
            continue;
        QAction* item = menu->addAction(document->displayName());
        item->setCheckable(true);
        item->setChecked(window == QApplication::activeWindow());
        connect(item, &QAction::triggered, window, [window] {
            window->showNormal();
            window->raise();
            window->activateWindow();
        });
    }
}

QMenu* RBMainMenu::buildHelpMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("&Help"), parent);
    menu->setToolTipsVisible(true);
    menu->addAction(action(QStringLiteral("showHelpZelvor")));
    menu->addAction(action(QStringLiteral("toolbarDocs")));
    menu->addAction(action(QStringLiteral("showHelpZelvorApi")));
    menu->addAction(action(QStringLiteral("showHelpCoffeeScript")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("showEmailSignup")));
    menu->addAction(action(QStringLiteral("sendFeedback")));
    menu->addAction(action(QStringLiteral("showPluginsPath")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("checkForUpdates")));
    menu->addSeparator();
    menu->addAction(action(QStringLiteral("about")));
    return menu;
}

QMenuBar* RBMainMenu::createMenuBar(QWidget* parent)
{
    auto* bar = new QMenuBar(parent);
    bar->setObjectName(QStringLiteral("mainMenuBar"));
    bar->addMenu(buildFileMenu(bar));
    bar->addMenu(buildEditMenu(bar));
    bar->addMenu(buildViewMenu(bar));
    bar->addMenu(buildProjectMenu(bar));
    bar->addMenu(buildWindowMenu(bar));
    bar->addMenu(buildHelpMenu(bar));
    return bar;
}

void RBMainMenu::installInto(QWidget* window)
{
    if (!window || window->property(kMenusInstalled).toBool())
        return;
    if (!isMenuWindow(window)) {
        // Dialogs keep their own keys, but Quit always quits, also while a question (or a
        // page's alert) waits for its answer.
        if (window->isWindow() && (window->windowType() == Qt::Dialog || window->windowType() == Qt::Sheet)) {
            window->setProperty(kMenusInstalled, true);
            window->addAction(action(QStringLiteral("terminate")));
        }
        return;
    }
    window->setProperty(kMenusInstalled, true);
    if (auto* main = qobject_cast<QMainWindow*>(window); main && !main->menuWidget()) {
        main->setMenuBar(createMenuBar(main));
        return;
    }
    // A window without a menu bar still answers the menus' shortcuts.
    for (auto& [name, item] : m_actions)
        if (!item->shortcut().isEmpty())
            window->addAction(item);
    // And shows the Help items (About among them) itself when it can.
    if (answers(window, "setHelpMenu(QMenu*)"))
        QMetaObject::invokeMethod(window, "setHelpMenu", Q_ARG(QMenu*, buildHelpMenu(window)));
}

void RBMainMenu::installIntoNewWindows()
{
    if (m_watching)
        return;
    m_watching = true;
    qApp->installEventFilter(this);
}

bool RBMainMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && !widget->property(kMenusInstalled).toBool())
            installInto(widget);
    }
    return QObject::eventFilter(watched, event);
}

void tidyEditMenu(QMenu& menu)
{
    auto lastIs = [&menu](const char* name) {
        const QList<QAction*> items = menu.actions();
        return !items.isEmpty() && items.last()->objectName() == QLatin1String(name);
    };
    if (lastIs("orderFrontCharacterPalette"))
        menu.removeAction(menu.actions().last());
    if (lastIs("startDictation"))
        menu.removeAction(menu.actions().last());
    if (!menu.actions().isEmpty() && menu.actions().last()->isSeparator())
        menu.removeAction(menu.actions().last());
}
