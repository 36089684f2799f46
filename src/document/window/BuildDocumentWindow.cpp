#include "document/window/BuildDocumentWindow.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/KVCodeView.h"
#include "Mixpanel/Mixpanel.h"
#include "Mixpanel/MixpanelPeople.h"
#include "document/RBDocument.h"
#include "document/window/DocumentPreviewLink.h"
#include "document/window/InterimCodeEditor.h"
#include "document/window/RBDocumentToolbar.h"
#include "document/window/RBDocumentToolbarActions.h"
#include "document/window/RBDocumentWindow.h"
#include "document/window/RBSplitView.h"
#include "platform/NotificationCenter.h"
#include "preview/RBZelvorViewController.h"

#include <QAction>
#include <QComboBox>
#include <QLayout>
#include <QToolButton>

namespace {
constexpr int kInitialWidth = 1280;
constexpr int kInitialHeight = 800;

void connectToolbar(RBDocument& document, RBDocumentWindow& window, RBDocumentToolbarActions& actions)
{
    RBDocumentToolbar* toolbar = window.toolbar();
    auto on = [&actions](QAction* item, auto handler) { QObject::connect(item, &QAction::triggered, &actions, handler); };
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
    QObject::connect(toolbar->deviceScalePopUpButton(), &QComboBox::activated, &actions,
                     [&actions](int index) { actions.deviceScaleChosen(index); });
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
    window->resize(kInitialWidth, kInitialHeight);
    window->splitView()->setPosition(kInitialWidth / 2);
    // The layer panel's pane starts closed.
    window->codeEditSplitView()->setPosition(kInitialWidth);

    auto editor = std::make_unique<InterimCodeEditor>(document);
    window->codeEditLeftView()->layout()->addWidget(editor->view());

    auto preview = std::make_unique<RBZelvorViewController>();
    window->mainRightView()->layout()->addWidget(preview->view());
    auto link = std::make_unique<DocumentPreviewLink>(document, *preview);
    InterimCodeEditor* code = editor.get();
    link->setTranspilerSource([code] { return code->transpiler(); }, [code] { code->retranspile(); });
    RBDocumentToolbar* toolbar = window->toolbar();
    link->setOrientationButtonImageHandler([toolbar](const QString& image) { toolbar->setOrientationButtonImage(image); });
    preview->setDocument(link.get());

    auto actions = std::make_unique<RBDocumentToolbarActions>(document, *window, preview.get());
    connectToolbar(document, *window, *actions);
    RBDocumentToolbarActions* toolbarActions = actions.get();
    window->setToolbarActions(toolbarActions);
    platform::NotificationCenter::defaultCenter().addObserver(
        KVCodeTextView::ClickedOnLinkNotification, code->codeView()->textView(),
        [toolbarActions](const platform::Notification& n) { toolbarActions->actionTapped(n.userInfo.value(QStringLiteral("link"))); },
        toolbarActions);
    reportSaves(document);

    document.attachEditor(editor.get());
    document.attachPreview(link.get());
    window->adoptController(std::move(editor));
    window->adoptController(std::move(preview));
    window->adoptController(std::move(link));
    window->adoptController(std::move(actions));
    document.attachWindow(window);
}
