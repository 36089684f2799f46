#include "platform/gui/Document.h"

#include "platform/gui/Alert.h"
#include "platform/gui/DocumentController.h"

#include <QFileInfo>
#include <QWidget>

namespace platform {

Document::Document(QObject* parent)
    : QObject(parent)
{
}

Document::~Document() = default;

void Document::setFileURL(const QString& path)
{
    if (path == m_fileURL)
        return;
    m_fileURL = path;
    if (m_window)
        m_window->setWindowTitle(displayName() + QStringLiteral("[*]"));
    Q_EMIT fileURLChanged(path);
}

QString Document::displayName() const
{
    if (!m_fileURL.isEmpty())
        return QFileInfo(m_fileURL).completeBaseName();
    return m_untitledNumber <= 1 ? QStringLiteral("Untitled") : QStringLiteral("Untitled %1").arg(m_untitledNumber);
}

void Document::updateChangeCount(ChangeType change)
{
    const bool wasEdited = isDocumentEdited();
    switch (change) {
    case ChangeDone: ++m_changeCount; break;
    case ChangeUndone: --m_changeCount; break;
    case ChangeCleared: m_changeCount = 0; break;
    }
    if (m_window)
        m_window->setWindowModified(isDocumentEdited());
    if (wasEdited != isDocumentEdited())
        Q_EMIT changeCountChanged(isDocumentEdited());
}

void Document::setWindow(QWidget* window)
{
    m_window = window;
    if (m_window) {
        m_window->setWindowTitle(displayName() + QStringLiteral("[*]"));
        m_window->setWindowModified(isDocumentEdited());
    }
}

void Document::showWindows()
{
    if (m_window) {
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }
}

bool Document::canCloseDocument()
{
    if (!hasUnsavedWork())
        return true;
    // The question hangs on the document's window: that window comes to the front first, or a
    // quit that asks about several documents would ask behind the window in front.
    if (QWidget* window = windowForSheet(); window && window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
    Alert alert;
    alert.setMessageText(QStringLiteral("Do you want to save the changes made to the document \u201C%1\u201D?").arg(displayName()));
    alert.setInformativeText(QStringLiteral("Your changes will be lost if you don't save them."));
    alert.addButton(QStringLiteral("Save"));
    alert.addButton(QStringLiteral("Don't Save"));
    alert.addButton(QStringLiteral("Cancel"));
    switch (alert.runModalSheetForWindow(windowForSheet()) - Alert::kFirstButtonReturn) {
    case 0: return saveDocument();
    case 1: return true;
    default: return false;
    }
}

void Document::close()
{
    if (m_closed)
        return;
    m_closed = true;
    documentWillClose();
    Q_EMIT willClose();
    DocumentController::sharedDocumentController().removeDocument(this);
    if (m_window) {
        m_window->close();
        m_window->deleteLater();
    }
    deleteLater();
}

} // namespace platform
