#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QWidget;
class RBDocument;
class RBDocumentWindow;
#include "preview/drop/RBFullScreenView.h"
class RBZelvorViewController;

// What the document window's toolbar does, and the links clicked in the code: the device menu,
// refresh, full screen, snippets, the browser, the server log, the inspector, and opening the
// modules and images that the code names. Menus pop up under the button that opened them.
class RBDocumentToolbarActions : public QObject {
    Q_OBJECT
public:
    struct SnippetEntry {
        QString name;
        QString path; // empty for the separator between built-in and user snippets
    };

    RBDocumentToolbarActions(RBDocument& document, RBDocumentWindow& window, RBZelvorViewController* preview,
                             QObject* parent = nullptr);
    ~RBDocumentToolbarActions() override;

    // Runs a snippet's text over the editor's code (null text when the file could not be read).
    void setPluginRunner(std::function<void(const std::optional<QString>&)> runPlugin) { m_runPlugin = std::move(runPlugin); }
    // The user's own snippet folder and how to show it.
    void setPluginsFolder(std::function<QString()> path, std::function<void()> show);
    // The preview pane's root, which can show the preview on the whole screen.
    void setFullScreenView(RBFullScreenView* view) { m_fullScreenView = view; }
    // How files, folders and addresses are opened (the desktop's default applications unless set).
    void setOpener(std::function<bool(const QString& pathOrUrl)> open) { m_open = std::move(open); }
    // How a file is shown selected in the file manager (the desktop's file manager unless set).
    void setFileViewer(std::function<void(const QString& path)> show) { m_showInFileViewer = std::move(show); }

    // Toolbar actions.
    void toolbarFullscreen();
    void toolbarSnippetMenu(QWidget* sender);
    void toolbarSnippetAdd(int tag);
    void toolbarDeviceSettingsMenu(QWidget* sender);
    void toolbarRefresh();
    void toolbarOpenUrl();
    // Tells what a page made by an earlier version lacks to run outside the application;
    // answers whether to open it anyway.
    bool confirmStandalonePage() const;
    void toolbarShowServerLogWindow();
    void toolbarShowConsole();
    void toolbarInspect();
    // Shows the documentation window in front.
    void toolbarDocs();

    // The snippet menu as it would pop up now; the entries behind its tags stay until the next.
    std::unique_ptr<QMenu> makeSnippetMenu();
    const QVector<SnippetEntry>& toolbarSnippets() const { return m_snippets; }

    bool validateToolbarItem(QAction*) const { return true; }
    // Menu forms of the toolbar actions, by action name ("orientationButtonPressed",
    // "handButtonPressed", "saveDocument"): whether they are enabled now.
    bool validateUserInterfaceItem(const QString& action) const;

    // Where a menu opened from this button shows its first item, in screen coordinates.
    static QPoint menuLocationForToolbarButton(const QWidget* button);

    // A link clicked in the code: {"name": text, "type": 0 for a module, 1 for an image}.
    void actionTapped(const QVariant& link);
    void openModule(const QString& name);
    void showImage(const QString& path);

private:
    bool open(const QString& pathOrUrl) const;
    void appendSnippets(QMenu& menu, const QString& folder, bool reverse);

    QPointer<RBDocument> m_document;
    QPointer<RBDocumentWindow> m_window;
    QPointer<RBZelvorViewController> m_preview;
    std::function<void(const std::optional<QString>&)> m_runPlugin;
    std::function<QString()> m_pluginsPath;
    std::function<void()> m_showPluginsPath;
    std::function<bool(const QString&)> m_open;
    std::function<void(const QString&)> m_showInFileViewer;
    QVector<SnippetEntry> m_snippets;
    QPointer<RBFullScreenView> m_fullScreenView;
    QPointer<QMenu> m_openMenu;
};
