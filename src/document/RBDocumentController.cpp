#include "document/RBDocumentController.h"

#include "document/DeviceCatalogLink.h"
#include "document/ProjectFolder.h"
#include "document/RBDocument.h"
#include "document/ServerLink.h"
#include "preview/KVDeviceManager.h"
#include "preview/RBServerController.h"
#include "platform/Dispatch.h"
#include "platform/gui/Alert.h"

#include <QDir>
#include <QFileInfo>

RBDocumentController::RBDocumentController(QObject* parent)
    : platform::DocumentController(parent)
    , m_catalogLink(std::make_unique<DeviceCatalogLink>(KVDeviceManager::sharedInstance()))
{
    m_services.server = new ServerLink(RBServerController::sharedInstance(), this);
    m_services.deviceCatalog = m_catalogLink.get();
    setDocumentFactory([this] { return new RBDocument(m_services); });
}

RBDocumentController::~RBDocumentController() = default;

RBDocumentController* RBDocumentController::shared()
{
    return qobject_cast<RBDocumentController*>(&platform::DocumentController::sharedDocumentController());
}

void RBDocumentController::closeWelcomeWindow()
{
    if (m_welcomeWindow)
        m_welcomeWindow->close();
}

platform::Document* RBDocumentController::newDocument()
{
    closeWelcomeWindow();
    return platform::DocumentController::newDocument();
}

void RBDocumentController::openDocumentWithContentsOfURL(const QString& path, bool display, OpenHandler handler)
{
    closeWelcomeWindow();
    // Opening writes the template's files into the folder: an ordinary folder (a source folder,
    // the home folder) is never opened as a project unasked.
    if (QFileInfo(path).isDir() && !ProjectFolder::isProjectFolder(path) && !documentForURL(path)) {
        if (handler)
            handler(nullptr, false,
                    QStringLiteral("\u201C%1\u201D is not a Zelvor project: a project is a folder whose name ends in "
                                   "\u201C.zelvor\u201D or that holds \u201Capp.coffee\u201D.")
                        .arg(QFileInfo(path).fileName()));
        return;
    }
    platform::DocumentController::openDocumentWithContentsOfURL(path, display, std::move(handler));
}

void RBDocumentController::openDocument()
{
    closeWelcomeWindow();
    platform::DocumentController::openDocument();
    platform::dispatchAfter(0.05, this, [this] {
        if (documents().isEmpty() && m_showWelcomeWindow)
            m_showWelcomeWindow();
    });
}

QString RBDocumentController::documentPathForChosenFolder(const QString& chosen)
{
    if (!QFileInfo(chosen).isDir() || ProjectFolder::isProjectFolder(chosen))
        return chosen;
    const QString project = ProjectFolder::newProjectPathInside(chosen);
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Warning);
    alert.setMessageText(QStringLiteral("\u201C%1\u201D is not a Zelvor project.").arg(QFileInfo(chosen).fileName()));
    alert.setInformativeText(
        QStringLiteral("A project is a folder whose name ends in \u201C.zelvor\u201D. Nothing is written into \u201C%1\u201D "
                       "unless you make a new project inside it, in its own folder \u201C%2\u201D.")
            .arg(QDir::toNativeSeparators(chosen), QFileInfo(project).fileName()));
    alert.addButton(QStringLiteral("Make Project Inside"));
    alert.addButton(QStringLiteral("Cancel"));
    if (alert.runModal() != platform::Alert::kFirstButtonReturn)
        return {};
    if (!QDir().mkpath(project)) {
        platform::Alert failure;
        failure.setAlertStyle(platform::Alert::Critical);
        failure.setMessageText(QStringLiteral("The project could not be made."));
        failure.setInformativeText(QStringLiteral("The folder \u201C%1\u201D could not be made.").arg(QDir::toNativeSeparators(project)));
        failure.runModal();
        return {};
    }
    return project;
}
