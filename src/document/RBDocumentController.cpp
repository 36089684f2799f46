#include "document/RBDocumentController.h"

#include "document/DeviceCatalogLink.h"
#include "document/RBDocument.h"
#include "document/ServerLink.h"
#include "preview/KVDeviceManager.h"
#include "preview/RBServerController.h"
#include "platform/Dispatch.h"

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
    platform::DocumentController::openDocumentWithContentsOfURL(path, display, std::move(handler));
}

void RBDocumentController::openDocument()
{
    closeWelcomeWindow();
    platform::DocumentController::openDocument();
    QPointer<RBDocumentController> self(this);
    platform::dispatchAfter(0.05, [self] {
        if (self && self->documents().isEmpty() && self->m_showWelcomeWindow)
            self->m_showWelcomeWindow();
    });
}
