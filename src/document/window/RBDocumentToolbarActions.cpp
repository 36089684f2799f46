#include "document/window/RBDocumentToolbarActions.h"

#include "analytics/RBGoogleAnalytics.h"
#include "document/RBDeviceCatalog.h"
#include "document/RBDocument.h"
#include "document/window/RBDocumentToolbar.h"
#include "document/window/RBDocumentWindow.h"
#include "platform/Bundle.h"
#include "platform/ContainedFiles.h"
#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/gui/Alert.h"
#include "platform/gui/Workspace.h"
#include "preview/PreviewPage.h"
#include "preview/RBDeviceSettingsMenuController.h"
#include "preview/RBDocsWindowController.h"
#include "preview/RBServerLogWindowController.h"
#include "preview/RBZelvorViewController.h"
#include "preview/drop/RBFullScreenView.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace {
const QString kDomain = QStringLiteral("RBDocument");

QStringList coffeeFiles(const QString& folder)
{
    QStringList files;
    if (folder.isEmpty())
        return files;
    const QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (QFileInfo(entry).suffix() == QLatin1String("coffee"))
            files << entry;
    return files;
}
// The path of `relative` inside `folder`, or empty when it would lead out of it: names come from
// the code, and a link must not open files elsewhere.
QString pathInside(const QString& folder, const QString& relative)
{
    const QString base = QDir::cleanPath(folder);
    const QString path = QDir::cleanPath(QDir(base).filePath(relative));
    return path.startsWith(base + QLatin1Char('/')) ? path : QString();
}
} // namespace

RBDocumentToolbarActions::RBDocumentToolbarActions(RBDocument& document, RBDocumentWindow& window,
                                                   RBZelvorViewController* preview, QObject* parent)
    : QObject(parent)
    , m_document(&document)
    , m_window(&window)
    , m_preview(preview)
{
}

RBDocumentToolbarActions::~RBDocumentToolbarActions()
{
    // A window that closes takes its preview back from the whole screen, or the preview would
    // stay there on its own.
    if (m_fullScreenView && m_fullScreenView->isInFullScreenMode())
        m_fullScreenView->exitFullScreenMode();
}

void RBDocumentToolbarActions::setPluginsFolder(std::function<QString()> path, std::function<void()> show)
{
    m_pluginsPath = std::move(path);
    m_showPluginsPath = std::move(show);
}

bool RBDocumentToolbarActions::open(const QString& pathOrUrl) const
{
    if (m_open)
        return m_open(pathOrUrl);
    const QUrl url = QFileInfo(pathOrUrl).isAbsolute() ? QUrl::fromLocalFile(pathOrUrl) : QUrl(pathOrUrl);
    return QDesktopServices::openUrl(url);
}

QPoint RBDocumentToolbarActions::menuLocationForToolbarButton(const QWidget* button)
{
    // Just below the button's lower left corner, a few pixels apart.
    if (!button)
        return QPoint(0, -5);
    return button->mapToGlobal(QPoint(0, button->height() + 5));
}

// ---------------------------------------------------------------- full screen

void RBDocumentToolbarActions::toolbarFullscreen()
{
    if (!m_fullScreenView)
        return;
    if (m_fullScreenView->isInFullScreenMode()) {
        m_fullScreenView->exitFullScreenMode();
    } else {
        RBGoogleAnalytics::sharedInstance().trackEvent(QStringLiteral("app|toolbar.fullscreen"));
        m_fullScreenView->enterFullScreenMode();
    }
    if (!m_document)
        return;
    // A device-less preview fills whatever it is shown in: it lays itself out again.
    const RBDeviceCatalog* catalog = m_document->services().deviceCatalog;
    if (catalog && catalog->deviceIsFullscreen(m_document->config().stringValue(ProjectConfig::DeviceType)))
        m_document->reloadPreview();
}

// ---------------------------------------------------------------- snippets

void RBDocumentToolbarActions::appendSnippets(QMenu& menu, const QString& folder, bool reverse)
{
    QStringList files = coffeeFiles(folder);
    if (reverse)
        std::reverse(files.begin(), files.end());
    for (const QString& file : files) {
        const QString title = QFileInfo(file).completeBaseName();
        const int tag = int(m_snippets.size());
        m_snippets.append({title, QDir(folder).filePath(file)});
        QAction* item = menu.addAction(title);
        item->setData(tag);
        connect(item, &QAction::triggered, this, [this, tag] { toolbarSnippetAdd(tag); });
    }
}

std::unique_ptr<QMenu> RBDocumentToolbarActions::makeSnippetMenu()
{
    auto menu = std::make_unique<QMenu>();
    m_snippets.clear();
    appendSnippets(*menu, platform::Bundle::main().pathForResource(QStringLiteral("ToolbarSnippets")), false);
    const QString userFolder = m_pluginsPath ? m_pluginsPath() : QString();
    if (!coffeeFiles(userFolder).isEmpty()) {
        menu->addSeparator();
        m_snippets.append(SnippetEntry{});
        appendSnippets(*menu, userFolder, true);
    }
    menu->addSeparator();
    QAction* show = menu->addAction(QStringLiteral("Show Snippets Folder\u2026"));
    show->setEnabled(bool(m_showPluginsPath));
    connect(show, &QAction::triggered, this, [this] {
        if (m_showPluginsPath)
            m_showPluginsPath();
    });
    return menu;
}

void RBDocumentToolbarActions::toolbarSnippetMenu(QWidget* sender)
{
    if (m_openMenu)
        m_openMenu->deleteLater();
    QMenu* menu = makeSnippetMenu().release();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_openMenu = menu;
    menu->popup(menuLocationForToolbarButton(sender));
}

void RBDocumentToolbarActions::toolbarSnippetAdd(int tag)
{
    if (tag < 0 || tag >= m_snippets.size() || m_snippets.at(tag).path.isEmpty())
        return;
    bool readable = false;
    const QString text = platform::readTextFile(m_snippets.at(tag).path, &readable);
    if (m_runPlugin)
        m_runPlugin(readable ? std::optional<QString>(text) : std::nullopt);
}

// ---------------------------------------------------------------- device, refresh, browser

void RBDocumentToolbarActions::toolbarDeviceSettingsMenu(QWidget* sender)
{
    if (!m_document)
        return;
    const int version = m_document->documentVersion();
    if (version > 1 || version == -1) {
        RBDeviceSettingsMenuController* menu = m_preview ? m_preview->deviceSettingsMenuController() : nullptr;
        if (menu && menu->deviceMenu())
            menu->deviceMenu()->popup(menuLocationForToolbarButton(sender));
    } else {
        m_document->setDevicePickerEnabled(false);
    }
}

void RBDocumentToolbarActions::toolbarRefresh()
{
    if (m_document)
        m_document->reloadPreview();
}

void RBDocumentToolbarActions::toolbarOpenUrl()
{
    if (!m_document)
        return;
    if (!m_document->isSaved()) {
        m_document->saveDocument();
        return;
    }
    const QString url = m_document->serverUrl();
    if (url.isEmpty()) {
        platform::Log::warning(kDomain, QStringLiteral("The project is not served yet; nothing to open"));
        return;
    }
    if (!confirmStandalonePage())
        return;
    open(url);
}

bool RBDocumentToolbarActions::confirmStandalonePage() const
{
    // The page of a project made by an earlier version shows an empty device outside the
    // application: its "zelvor" folder has the compiler and the loader now, but its page is the
    // user's and is never rewritten, so the user is told which lines to add.
    const std::optional<QByteArray> html =
        platform::readFileInside(m_document->projectPath(), QDir(m_document->projectPath()).filePath(QStringLiteral("index.html")));
    const QStringList missing = html ? preview::missingStandaloneScripts(QString::fromUtf8(*html)) : QStringList();
    if (missing.isEmpty())
        return true;
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Informational);
    alert.setMessageText(QStringLiteral("The page of \u201C%1\u201D does not run its program outside Zelvor Studio.").arg(m_document->displayName()));
    alert.setInformativeText(
        QStringLiteral("A browser or a mirrored device shows an empty screen until the project\u2019s \u201Cindex.html\u201D "
                       "loads the compiler and the loader that are now in its \u201Czelvor\u201D folder. Add %1 to "
                       "\u201Cindex.html\u201D, after the line that loads \u201Czelvor/zelvor.generated.js\u201D:\n\n%2")
            .arg(missing.size() == 1 ? QStringLiteral("this line") : QStringLiteral("these lines"), missing.join(QLatin1Char('\n'))));
    alert.addButton(QStringLiteral("Open Anyway"));
    alert.addButton(QStringLiteral("Cancel"));
    return alert.runModalSheetForWindow(m_window ? m_window->window() : nullptr) == platform::Alert::kFirstButtonReturn;
}

void RBDocumentToolbarActions::toolbarShowServerLogWindow()
{
    RBServerLogWindowController::sharedInstance().showWindow();
}

void RBDocumentToolbarActions::toolbarShowConsole()
{
    if (m_preview)
        m_preview->showConsole();
}

void RBDocumentToolbarActions::toolbarDocs()
{
    RBDocsWindowController::sharedInstance().showWindow();
}

void RBDocumentToolbarActions::toolbarInspect()
{
    if (m_preview)
        m_preview->startElementPicker();
}

bool RBDocumentToolbarActions::validateUserInterfaceItem(const QString& action) const
{
    if (!m_window)
        return false;
    if (action == QLatin1String("orientationButtonPressed"))
        return m_window->toolbar()->deviceOrientationToolbarItem()->isEnabled();
    if (action == QLatin1String("handButtonPressed"))
        return m_window->toolbar()->deviceHandToolbarItem()->isEnabled();
    return true;
}

// ---------------------------------------------------------------- links in the code

void RBDocumentToolbarActions::actionTapped(const QVariant& link)
{
    if (!m_document)
        return;
    if (!m_document->isSaved()) {
        m_document->saveDocument();
        return;
    }
    const QVariantMap fields = link.toMap();
    const QString name = fields.value(QStringLiteral("name")).toString();
    bool ok = false;
    const int type = fields.value(QStringLiteral("type")).toInt(&ok);
    if (!ok || name.isEmpty())
        return;
    if (type == 0)
        openModule(name);
    else if (type == 1)
        showImage(name);
}

void RBDocumentToolbarActions::openModule(const QString& name)
{
    if (!m_document)
        return;
    const QString modules = QDir(m_document->projectPath()).filePath(QStringLiteral("modules"));
    for (const QString& extension : {QStringLiteral(".js"), QStringLiteral(".coffee")}) {
        const QString path = pathInside(modules, name + extension);
        if (!path.isEmpty() && QFileInfo(path).isFile()) {
            if (!open(path)) {
                // Nothing on this desktop opens the file: say so rather than do nothing.
                platform::Log::error(kDomain, QStringLiteral("No application opened %1").arg(path));
                platform::Alert alert;
                alert.setMessageText(QStringLiteral("No application could open \u201C%1\u201D.").arg(QFileInfo(path).fileName()));
                alert.setInformativeText(QStringLiteral("Choose an application for .%1 files in the desktop's settings, or open %2 "
                                                        "with an editor of your choice.")
                                             .arg(QFileInfo(path).suffix(), path));
                alert.runModalSheetForWindow(m_window);
            }
            return;
        }
    }
    platform::Alert alert;
    alert.setMessageText(QStringLiteral("\"%1\" could not be found.").arg(name));
    alert.addButton(QStringLiteral("OK"));
    alert.addButton(QStringLiteral("Show Modules Folder"));
    if (alert.runModalSheetForWindow(m_window) == platform::Alert::kFirstButtonReturn + 1)
        open(modules);
}

void RBDocumentToolbarActions::showImage(const QString& path)
{
    if (!m_document)
        return;
    const QString images = QDir(m_document->projectPath()).filePath(QStringLiteral("images"));
    const QString image = pathInside(images, path);
    if (!image.isEmpty() && QFileInfo::exists(image)) {
        // The image is shown selected in its folder.
        if (m_showInFileViewer)
            m_showInFileViewer(image);
        else
            platform::Workspace::sharedWorkspace().activateFileViewerSelectingURLs({image});
        return;
    }
    platform::Alert alert;
    alert.setMessageText(QStringLiteral("\"%1\" could not be found.").arg(path));
    alert.addButton(QStringLiteral("OK"));
    alert.addButton(QStringLiteral("Show Images Folder"));
    if (alert.runModalSheetForWindow(m_window) == platform::Alert::kFirstButtonReturn + 1)
        open(images);
}
