#include "document/window/BuildDocumentWindow.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "Mixpanel/Mixpanel.h"
#include "Mixpanel/MixpanelPeople.h"
#include "analytics/RBGoogleAnalytics.h"
#include "document/DocumentImports.h"
#include "document/RBDocument.h"
#include "document/window/DocumentPreviewLink.h"
#include "document/window/RBDocumentSharing.h"
#include "document/window/RBMirrorMenu.h"
#include "document/window/LayerPanelEditorLink.h"
#include "document/window/ProjectViewKeeper.h"
#include "document/window/RBDocumentToolbar.h"
#include "document/window/RBDocumentToolbarActions.h"
#include "document/window/RBDocumentWindow.h"
#include "document/window/RBShareNotice.h"
#include "document/window/RBSplitView.h"
#include "editor/RBCodeEditViewController.h"
#include "platform/NotificationCenter.h"
#include "preview/RBLayerPanelViewController.h"
#include "platform/gui/WindowPlacement.h"
#include "preview/RBZelvorViewController.h"
#include "document/window/DocumentPreviewPane.h"
#include "preview/drop/RBFullScreenView.h"

#include <QApplication>
#include <QAbstractButton>
#include <QAction>
#include <QPointer>
#include <QLayout>
#include <QToolButton>
#include <QUrl>

namespace {
constexpr int kInitialWidth = 1280;
constexpr int kInitialHeight = 800;

void connectToolbar(RBDocument& document, RBDocumentWindow& window, RBDocumentToolbarActions& actions)
{
    RBDocumentToolbar* toolbar = window.toolbar();
    auto on = [&actions](QAction* item, auto handler) { QObject::connect(item, &QAction::triggered, &actions, handler); };
    on(toolbar->importItem(), [&document] {
        RBGoogleAnalytics::sharedInstance().trackEvent(QStringLiteral("app|toolbar.import"));
        document.toolbarImport();
    });
    on(toolbar->importAgainItem(), [&document] {
        RBGoogleAnalytics::sharedInstance().trackEvent(QStringLiteral("app|toolbar.import.again"));
        document.toolbarImportAgain();
    });
    on(toolbar->devicePickerItem(), [&actions, toolbar] { actions.toolbarDeviceSettingsMenu(toolbar->devicePickerButton()); });
    on(toolbar->deviceOrientationToolbarItem(), [&document] { document.orientationButtonPressed(); });
    on(toolbar->deviceHandToolbarItem(), [&document] { document.handButtonPressed(); });
    on(toolbar->refreshItem(), [&actions] { actions.toolbarRefresh(); });
    on(toolbar->fullscreenItem(), [&actions] { actions.toolbarFullscreen(); });
    on(toolbar->snippetItem(), [&actions, toolbar] { actions.toolbarSnippetMenu(toolbar->snippetButton()); });
    on(toolbar->openUrlItem(), [&actions] { actions.toolbarOpenUrl(); });
    on(toolbar->serverLogItem(), [&actions] { actions.toolbarShowServerLogWindow(); });
    on(toolbar->consoleItem(), [&actions] { actions.toolbarShowConsole(); });
    on(toolbar->inspectItem(), [&actions] { actions.toolbarInspect(); });
    on(toolbar->docsItem(), [&actions] { actions.toolbarDocs(); });
}

void reportImports(RBDocument& document)
{
    auto report = [](const char* counter, const char* event, const QString& identifier) {
        Mixpanel* analytics = Mixpanel::sharedInstance();
        if (!analytics)
            return;
        if (analytics->people())
            analytics->people()->increment(QString::fromLatin1(counter), 1);
        analytics->track(QString::fromLatin1(event), {{QStringLiteral("type"), identifier}});
    };
    QObject::connect(&document.imports(), &DocumentImports::importSucceeded, &document,
                     [report](const QString& identifier) { report("Imports", "app.import.success", identifier); });
    QObject::connect(&document.imports(), &DocumentImports::importFailed, &document,
                     [report](const QString& identifier) { report("Failed Imports", "app.import.error", identifier); });
    const QString website = document.services().websiteURL;
    if (!website.isEmpty())
        document.imports().setHelpUrl(QUrl(website + QStringLiteral("/learn/import/")));
}

// An import that arrived says so in the window, however it was started.
void announceImports(RBDocument& document, QWidget* window)
{
    QPointer<RBShareNotice> notice = new RBShareNotice(window);
    QObject::connect(&document.imports(), &DocumentImports::importNotice, notice,
                     [notice](const QString& title, const QString& text) { notice->showNotice(title, text, {}); });
}

void reportSaves(RBDocument& document)
{
    QObject::connect(&document, &RBDocument::documentSaved, &document, [](bool afterEdit, qint64 programSize) {
        Mixpanel* analytics = Mixpanel::sharedInstance();
        if (!afterEdit || !analytics)
            return;
        if (analytics->people())
            analytics->people()->increment(QStringLiteral("Saves"), 1);
        analytics->track(QStringLiteral("app.document.save"), {{QStringLiteral("size"), programSize}});
    });
}
} // namespace

void buildDocumentWindow(RBDocument& document)
{
    auto* window = new RBDocumentWindow(&document);
    // Within the screen's free area, whatever its size and scale.
    platform::placeWindow(window, QSize(kInitialWidth, kInitialHeight));
    // Off the corner of the project windows already open.
    QList<QWidget*> projectWindows;
    for (QWidget* other : QApplication::topLevelWidgets())
        if (qobject_cast<RBDocumentWindow*>(other))
            projectWindows << other;
    platform::cascadeWindow(window, projectWindows);
    window->splitView()->setPosition(window->width() / 2);
    // The layer panel's pane starts closed.
    window->codeEditSplitView()->setPosition(window->width());

    // The code editor, beside the (closed) layer panel.
    auto editor = std::make_unique<RBCodeEditViewController>(&document);
    RBCodeEditViewController* code = editor.get();
    window->codeEditLeftView()->layout()->addWidget(editor->view());
    editor->setCodeEditSplitView(window->codeEditSplitView());
    window->setLayerPanelHooks([code] { return code->layerInspectorIsAnimating(); },
                               [code] { code->updateLayerPanelButton(); });
    editor->updateLayerPanelButton();
    window->setImageButtons([editor = QPointer<RBCodeEditViewController>(code)]() -> QList<QAbstractButton*> {
        if (!editor)
            return {};
        return {editor->showEditorButton(), editor->errorInspectorButton(), editor->layerInspectorButton()};
    });

    // The preview, in its pane with the drop target over it.
    auto preview = std::make_unique<RBZelvorViewController>();
    const RBPreviewPane pane = makePreviewPane(*preview, *editor, window->mainRightView());
    window->mainRightView()->layout()->addWidget(pane.view);
    auto link = std::make_unique<DocumentPreviewLink>(document, *preview);
    link->setTranspilerSource([code] { return code->transpiler(); }, [code] { code->retranspile(); });
    RBDocumentToolbar* toolbar = window->toolbar();
    link->setOrientationButtonImageHandler([toolbar](const QString& image) { toolbar->setOrientationButtonImage(image); });
    preview->setDocument(link.get());
    // A click on the run-time error shown over the preview brings its line into sight.
    QObject::connect(preview.get(), &RBZelvorViewController::errorBannerClicked, code,
                     [code](qint64) { code->clickedOnErrorDescription(); });

    // The layer panel beside the code: the preview forwards its page's "ui:" messages to it,
    // and its rows dim and show the code of their layers.
    auto layerPanel = std::make_unique<RBLayerPanelViewController>();
    auto layerPanelEditor = std::make_unique<LayerPanelEditorLink>(*code);
    layerPanel->setEditor(layerPanelEditor.get(), layerPanelEditor.get());
    window->codeEditRightView()->layout()->addWidget(layerPanel->view());
    preview->setLayerPanelViewController(layerPanel.get());
    // A reopened project shows the code and the panel as the user left them.
    auto viewKeeper = std::make_unique<ProjectViewKeeper>(document, *window, *code, *layerPanel);

    auto actions = std::make_unique<RBDocumentToolbarActions>(document, *window, preview.get());
    RBDocumentToolbarActions* toolbarActions = actions.get();
    window->setToolbarActions(toolbarActions);
    toolbarActions->setFullScreenView(pane.view);
    toolbarActions->setPluginRunner([code](const std::optional<QString>& source) { code->runPlugin(source.value_or(QString())); });
    // The user's own snippets sit in the application's snippet folder.
    if (const RBDocumentServices& services = document.services(); services.pluginsPath && services.showPluginsPath)
        toolbarActions->setPluginsFolder(services.pluginsPath, services.showPluginsPath);
    connectToolbar(document, *window, *actions);
    auto sharing = std::make_unique<RBDocumentSharing>(document, *toolbar, window);
    auto mirror = std::make_unique<RBMirrorMenu>(document);
    window->setDocumentSharing(sharing.get());
    window->setMirrorMenu(mirror.get());
    QObject::connect(toolbar->shareItem(), &QAction::triggered, sharing.get(), [s = sharing.get()] { s->toolbarShare(); });
    QObject::connect(toolbar->mirrorItem(), &QAction::triggered, mirror.get(),
                     [m = mirror.get(), toolbar] { m->toolbarMirror(toolbar->widgetForAction(toolbar->mirrorItem())); });
    if (KVCodeView* codeView = code->codeView())
        platform::NotificationCenter::defaultCenter().addObserver(
            KVCodeTextView::ClickedOnLinkNotification, codeView->textView(),
            [toolbarActions](const platform::Notification& n) { toolbarActions->actionTapped(n.userInfo.value(QStringLiteral("link"))); },
            toolbarActions);
    reportSaves(document);
    reportImports(document);
    announceImports(document, window);

    document.attachEditor(editor.get());
    document.attachPreview(link.get());
    window->adoptController(std::move(editor));
    window->adoptController(std::move(preview));
    window->adoptController(std::move(link));
    window->adoptController(std::move(layerPanelEditor));
    window->adoptController(std::move(layerPanel));
    window->adoptController(std::move(actions));
    window->adoptController(std::move(sharing));
    window->adoptController(std::move(mirror));
    window->adoptController(std::move(viewKeeper));
    document.attachWindow(window);
}
