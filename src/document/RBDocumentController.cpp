#include "document/RBDocumentController.h"

#include "document/RBDocument.h"
#include "platform/Dispatch.h"

RBDocumentController::RBDocumentController(QObject* parent)
    : platform::DocumentController(parent)
{
    setDocumentFactory([this] { return new RBDocument(m_services); });
}

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
