#include "platform/gui/DocumentController.h"

#include "platform/FileUtils.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "platform/gui/Document.h"
#include "platform/gui/FilePanel.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace platform {

namespace {
DocumentController*& sharedInstance()
{
    static DocumentController* instance = nullptr;
    return instance;
}

const QString kRecentDocumentsKey = QStringLiteral("RecentDocuments");

} // namespace

DocumentController::DocumentController(QObject* parent)
    : QObject(parent)
{
    if (!sharedInstance())
        sharedInstance() = this;
}

DocumentController::~DocumentController()
{
    if (sharedInstance() == this)
        sharedInstance() = nullptr;
}

DocumentController& DocumentController::sharedDocumentController()
{
    if (!sharedInstance())
        new DocumentController(QCoreApplication::instance());
    return *sharedInstance();
}

bool DocumentController::hasSharedDocumentController()
{
    return sharedInstance() != nullptr;
}

Document* DocumentController::makeDocument() const
{
    return m_factory ? m_factory() : nullptr;
}

void DocumentController::addDocument(Document* document)
{
    if (!document || m_documents.contains(document))
        return;
    m_documents.append(document);
    connect(document, &QObject::destroyed, this, [this, document] {
        if (m_documents.removeAll(document))
            Q_EMIT documentsChanged();
    });
    Q_EMIT documentsChanged();
}

void DocumentController::removeDocument(Document* document)
{
    if (m_documents.removeAll(document))
        Q_EMIT documentsChanged();
}

Document* DocumentController::documentForURL(const QString& path) const
{
    const QString wanted = platform::resolvedPath(path);
    for (Document* document : m_documents)
        if (!document->fileURL().isEmpty() && platform::resolvedPath(document->fileURL()) == wanted)
            return document;
    return nullptr;
}

Document* DocumentController::newDocument()
{
    Document* document = makeDocument();
    if (!document) {
        Log::error(QStringLiteral("documents"), QStringLiteral("No document type to make a new document"));
        return nullptr;
    }
    document->setUntitledNumber(++m_untitledCount);
    document->makeWindowControllers();
    document->showWindows();
    addDocument(document);
    return document;
}

void DocumentController::openDocumentWithContentsOfURL(const QString& path, bool display, OpenHandler handler)
{
    auto answer = [&](Document* document, bool alreadyOpen, const QString& error) {
        if (handler)
            handler(document, alreadyOpen, error);
    };
    if (Document* open = documentForURL(path)) {
        if (display)
            open->showWindows();
        answer(open, true, QString());
        return;
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        answer(nullptr, false, QStringLiteral("\u201C%1\u201D does not exist.").arg(path));
        return;
    }
    Document* document = makeDocument();
    if (!document) {
        answer(nullptr, false, QStringLiteral("No document type can open \u201C%1\u201D.").arg(path));
        return;
    }
    QString error;
    const QString location = info.absoluteFilePath();
    document->setFileURL(location);
    if (!document->readFromURL(location, info.suffix(), &error)) {
        delete document;
        answer(nullptr, false, error.isEmpty() ? QStringLiteral("\u201C%1\u201D could not be opened.").arg(path) : error);
        return;
    }
    addDocument(document);
    noteNewRecentDocumentURL(location);
    document->makeWindowControllers();
    if (display)
        document->showWindows();
    answer(document, false, QString());
}

void DocumentController::openDocument()
{
    OpenPanel panel;
    const QString chosen = panel.runModal();
    const QString path = chosen.isEmpty() ? QString() : documentPathForChosenFolder(chosen);
    if (path.isEmpty())
        return;
    openDocumentWithContentsOfURL(path, true, [](Document*, bool, const QString& error) {
        if (error.isEmpty())
            return;
        Alert alert;
        alert.setMessageText(QStringLiteral("The document could not be opened."));
        alert.setInformativeText(error);
        alert.runModal();
    });
}

bool DocumentController::closeAllDocuments()
{
    // Ask every question first: a cancel in the middle leaves every document open.
    const QList<Document*> documents = m_documents;
    for (Document* document : documents)
        if (!document->canCloseDocument())
            return false;
    for (Document* document : documents)
        document->close();
    return true;
}

UserDefaults& DocumentController::recentStore() const
{
    return m_recentStore ? *m_recentStore : UserDefaults::standard();
}

void DocumentController::noteNewRecentDocumentURL(const QString& path)
{
    const QString location = QFileInfo(path).absoluteFilePath();
    QStringList list = recentDocumentURLs();
    list.removeAll(location);
    list.prepend(location);
    while (list.size() > maximumRecentDocumentCount())
        list.removeLast();
    QVariantList stored;
    for (const QString& entry : list)
        stored.append(entry);
    recentStore().setObject(kRecentDocumentsKey, stored);
}

QStringList DocumentController::recentDocumentURLs() const
{
    QStringList list;
    for (const QVariant& entry : recentStore().arrayForKey(kRecentDocumentsKey))
        if (!entry.toString().isEmpty())
            list.append(entry.toString());
    return list;
}

void DocumentController::removeRecentDocumentURL(const QString& path)
{
    const QStringList list = recentDocumentURLs();
    QVariantList stored;
    for (const QString& entry : list)
        if (entry != path && entry != QFileInfo(path).absoluteFilePath())
            stored.append(entry);
    if (stored.size() != list.size())
        recentStore().setObject(kRecentDocumentsKey, stored);
}

void DocumentController::clearRecentDocuments()
{
    recentStore().removeObject(kRecentDocumentsKey);
}

} // namespace platform
